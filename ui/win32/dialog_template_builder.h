#pragma once

#include <cstdint>
#include <vector>

#include "ui/template.h"

namespace kd::ui::win32 {

struct WindowStyles {
    uint32_t style = 0;
    uint32_t exStyle = 0;
};

// The window styles of a dialog of this kind, without DS_SETFONT.
WindowStyles DialogStyles(DialogStyle style);

// The window styles of one control. firstRadioOfGroup tells whether a radio button is
// the first of its group, the only one the Tab key stops at.
WindowStyles ControlStyles(const ControlTemplate& control, bool firstRadioOfGroup);

// The extended in-memory dialog template that the Windows dialog functions take, built
// with the given style (a page is built as Child whatever its template says). Empty
// when the template cannot be expressed: ids or sizes out of the format's 16-bit range.
// The bytes start on an allocation boundary, which satisfies the DWORD alignment the
// format needs.
std::vector<uint8_t> BuildDialogTemplate(const DialogTemplate& source, DialogStyle style);

}  // namespace kd::ui::win32
