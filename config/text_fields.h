#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "text/escape.h"
#include "ui/dialog.h"

namespace kd::pages {

// A page's reader values in text controls. A reader's texts are GBK bytes: a value is
// shown through the escape rule (GBK as text, any other byte as \xNN), and Save gives
// it back byte for byte while its control still shows it, whatever the bytes. Text the
// technician changed goes back through the same rule, as GBK.
class TextFields {
  public:
    // Shows a value read from the reader in the control.
    void Show(ui::Dialog& page, int controlId, std::string value);

    // The bytes Save sends for the control. When its text cannot be sent (Problem tells;
    // Save asks first), the value as read.
    std::string Sent(const ui::Dialog& page, int controlId) const;

    // Why the control's text cannot be written to the key, in words that name the field
    // by its label: longer in bytes than the key takes, a character with no GBK form, or
    // a backslash that starts no escape. Empty when it can.
    std::string Problem(const ui::Dialog& page, int controlId, std::string_view keyName) const;

  private:
    struct Shown {
        std::string value;
        std::string text;
    };
    // The bytes for the control's text, or nothing when it cannot be sent.
    std::optional<std::string> Bytes(const ui::Dialog& page, int controlId,
                                     text::UnescapeError* error) const;

    std::map<int, Shown> shown_;
};

// The label that stands before a control in its page's template, without its colon.
std::string FieldCaption(const ui::Dialog& page, int controlId);

}  // namespace kd::pages
