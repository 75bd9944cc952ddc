#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/key_table.h"
#include "config/text_fields.h"
#include "protocol/key_access.h"
#include "ui/dialog.h"

namespace kd {

// Key values by name, as a profile gives them.
using KeyValues = std::map<std::string, std::string, std::less<>>;

// The value of name in values, or null.
const std::string* FindValue(const KeyValues& values, std::string_view name);

// Base of the settings dialog's pages: each reads its keys from the reader when it is
// made and fills its controls from them; an import fills it from a profile instead.
class SettingsPage : public ui::Dialog {
  public:
    SettingsPage(ui::Toolkit& toolkit, const ui::DialogTemplate& dialogTemplate,
                 catalogue::Page page, KeyAccess& keys)
        : Dialog(toolkit, dialogTemplate), keys_(keys), page_(page) {}

    // Shows the values of the keys this page holds, whether read from the reader or
    // taken from a profile; the controls of keys values lacks stay as they are.
    virtual void Fill(const KeyValues& values) = 0;
    // Fill's counterpart: the value of each key the page writes, as Save sends it. A key
    // is absent where its row has nothing selected or its companion box is unchecked.
    // The key table tells how most controls give their key; a page adds the keys it
    // composes from several controls.
    virtual KeyValues Current() const;

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
    // This page's keys as read from the reader, in the key table's order, for Fill. A
    // failed read gives the empty value.
    KeyValues ReadKeys();
    // Whether loading reads the key, given the keys read before it: a key that means
    // nothing in the settings already read is not asked for at all.
    virtual bool Reads(std::string_view /*name*/, const KeyValues& /*read*/) const { return true; }

    pages::TextFields fields_;

  private:
    KeyAccess& keys_;
    catalogue::Page page_;
};

}  // namespace kd
