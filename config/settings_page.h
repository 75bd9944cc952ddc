#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "config/text_fields.h"
#include "protocol/key_access.h"
#include "ui/dialog.h"

namespace kd {

// Key values by name, as a profile gives them.
using KeyValues = std::map<std::string, std::string, std::less<>>;

// The value of name in values, or null.
const std::string* FindValue(const KeyValues& values, std::string_view name);

// Base of the settings dialog's pages: each loads its keys from the reader when it is
// made, and an import fills it from a profile instead.
class SettingsPage : public ui::Dialog {
  public:
    SettingsPage(ui::Toolkit& toolkit, const ui::DialogTemplate& dialogTemplate, KeyAccess& keys)
        : Dialog(toolkit, dialogTemplate), keys_(keys) {}

    // Shows the values of the keys this page holds, as loading from the reader would;
    // the controls of keys values lacks stay as they are.
    virtual void Fill(const KeyValues& values) = 0;

    // Everything the page shows, so that an import that fails can put it back whole.
    struct State {
        struct Control {
            int id;
            bool checked;
            bool visible;
            std::string text;
            int selection;
        };
        std::vector<Control> controls;
        pages::TextFields fields;
    };
    State Keep() const;
    void Restore(const State& state);

  protected:
    KeyAccess& keys_;
    pages::TextFields fields_;
};

}  // namespace kd
