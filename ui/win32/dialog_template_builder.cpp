#include "ui/win32/dialog_template_builder.h"

#include <limits>
#include <string>
#include <string_view>

#include "ui/win32/utf16.h"
#include "ui/win32/windows_api.h"

namespace kd::ui::win32 {

namespace {

// Predefined window classes, by the ordinals the template format gives them.
constexpr uint16_t kButtonClass = 0x0080;
constexpr uint16_t kEditClass = 0x0081;
constexpr uint16_t kStaticClass = 0x0082;
constexpr uint16_t kListBoxClass = 0x0083;
constexpr uint16_t kComboBoxClass = 0x0085;

constexpr uint16_t kOrdinalMarker = 0xFFFF;
constexpr uint16_t kUnnamedId = 0xFFFF;

// Little-endian writer for the template; every field of the format is 16 or 32 bits.
class Writer {
  public:
    void Word(uint16_t value) {
        bytes_.push_back(static_cast<uint8_t>(value & 0xFF));
        bytes_.push_back(static_cast<uint8_t>(value >> 8));
    }
    void Short(int value) { Word(static_cast<uint16_t>(static_cast<int16_t>(value))); }
    void Dword(uint32_t value) {
        Word(static_cast<uint16_t>(value & 0xFFFF));
        Word(static_cast<uint16_t>(value >> 16));
    }
    void Byte(uint8_t value) { bytes_.push_back(value); }
    // A zero-terminated UTF-16 string; an embedded zero would end it early, so the text
    // stops there too.
    void String(std::string_view utf8) {
        const std::wstring text = Utf8ToUtf16(utf8);
        for (const wchar_t unit : text) {
            if (unit == L'\0') {
                break;
            }
            Word(static_cast<uint16_t>(unit));
        }
        Word(0);
    }
    void Ordinal(uint16_t value) {
        Word(kOrdinalMarker);
        Word(value);
    }
    void AlignToDword() {
        while (bytes_.size() % 4 != 0) {
            bytes_.push_back(0);
        }
    }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
};

bool FitsShort(int value) {
    return value >= std::numeric_limits<int16_t>::min() &&
           value <= std::numeric_limits<int16_t>::max();
}

bool FitsRect(int x, int y, int width, int height) {
    return FitsShort(x) && FitsShort(y) && FitsShort(width) && FitsShort(height) && width >= 0 &&
           height >= 0;
}

// Command ids travel in 16 bits, and 0xFFFF is the id of unnamed controls.
bool ValidId(int id) {
    return id == kUnnamedControl || (id >= 0 && id < kUnnamedId);
}

bool Expressible(const DialogTemplate& source) {
    if (!FitsRect(0, 0, source.width, source.height) ||
        source.controls.size() > std::numeric_limits<uint16_t>::max()) {
        return false;
    }
    if (!source.fontName.empty() && (source.fontPoints <= 0 || source.fontPoints > 0xFFFF)) {
        return false;
    }
    for (const ControlTemplate& control : source.controls) {
        if (!ValidId(control.id) ||
            !FitsRect(control.x, control.y, control.width, control.height)) {
            return false;
        }
        if (control.kind == ControlKind::Icon && (control.iconId <= 0 || control.iconId > 0xFFFF)) {
            return false;
        }
    }
    return true;
}

}  // namespace

WindowStyles DialogStyles(DialogStyle style) {
    switch (style) {
        case DialogStyle::MainWindow:
            // Centred like every top-level box: the template carries no position.
            return {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER,
                    WS_EX_APPWINDOW};
        case DialogStyle::Modal:
            return {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0};
        case DialogStyle::Child:
            // Visible from the start, as a page is until its parent hides it.
            return {WS_CHILD | WS_VISIBLE | DS_CONTROL, WS_EX_CONTROLPARENT};
    }
    return {};
}

WindowStyles ControlStyles(const ControlTemplate& control, bool firstRadioOfGroup) {
    uint32_t style = WS_CHILD;
    bool tabStop = true;
    switch (control.kind) {
        case ControlKind::PushButton:
            style |= (control.flags & kDefaultButton) != 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            break;
        case ControlKind::CheckBox:
            style |= BS_AUTOCHECKBOX;
            break;
        case ControlKind::RadioButton:
            style |= BS_AUTORADIOBUTTON;
            tabStop = firstRadioOfGroup;
            break;
        case ControlKind::GroupBox:
            style |= BS_GROUPBOX;
            tabStop = false;
            break;
        case ControlKind::Static:
            style |= SS_LEFT | SS_NOPREFIX;
            tabStop = false;
            break;
        case ControlKind::Icon:
            style |= SS_ICON;
            tabStop = false;
            break;
        case ControlKind::Edit:
            style |= ES_AUTOHSCROLL | WS_BORDER;
            if ((control.flags & kReadOnly) != 0) {
                style |= ES_READONLY;
            }
            break;
        case ControlKind::ComboBox:
            style |= CBS_DROPDOWN | WS_VSCROLL | CBS_AUTOHSCROLL;
            if ((control.flags & kSorted) != 0) {
                style |= CBS_SORT;
            }
            break;
        case ControlKind::TabControl:
            style |= WS_CLIPSIBLINGS;
            break;
        case ControlKind::Progress:
            tabStop = false;
            break;
        case ControlKind::ListBox:
            style |= LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_BORDER;
            break;
    }
    // The pages live inside the tab control: as a control parent it lets the Tab key
    // walk on into the pages' fields. Its tabs are then chosen with the mouse.
    const DWORD exStyle = control.kind == ControlKind::TabControl ? WS_EX_CONTROLPARENT : 0;
    if (tabStop && (control.flags & kNoTabStop) == 0) {
        style |= WS_TABSTOP;
    }
    if ((control.flags & kHidden) == 0) {
        style |= WS_VISIBLE;
    }
    if ((control.flags & kDisabled) != 0) {
        style |= WS_DISABLED;
    }
    if ((control.flags & kGroup) != 0) {
        style |= WS_GROUP;
    }
    return {style, exStyle};
}

namespace {

void WriteDialogHeader(Writer& out, const DialogTemplate& source, DialogStyle style) {
    const bool hasFont = !source.fontName.empty();
    const WindowStyles dialogStyles = DialogStyles(style);
    out.Word(1);       // version of the extended format
    out.Word(0xFFFF);  // marks it as extended
    out.Dword(0);      // help id
    out.Dword(dialogStyles.exStyle);
    out.Dword(dialogStyles.style | (hasFont ? DS_SETFONT : 0));
    out.Word(static_cast<uint16_t>(source.controls.size()));
    out.Short(0);
    out.Short(0);
    out.Short(source.width);
    out.Short(source.height);
    out.Word(0);  // no menu
    out.Word(0);  // the standard dialog class
    out.String(source.title);
    if (hasFont) {
        out.Word(static_cast<uint16_t>(source.fontPoints));
        out.Word(FW_NORMAL);
        out.Byte(0);  // not italic
        out.Byte(DEFAULT_CHARSET);
        out.String(source.fontName);
    }
}

void WriteWindowClass(Writer& out, ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
        case ControlKind::GroupBox:
            out.Ordinal(kButtonClass);
            break;
        case ControlKind::Static:
        case ControlKind::Icon:
            out.Ordinal(kStaticClass);
            break;
        case ControlKind::Edit:
            out.Ordinal(kEditClass);
            break;
        case ControlKind::ComboBox:
            out.Ordinal(kComboBoxClass);
            break;
        case ControlKind::TabControl:
            out.String(WC_TABCONTROLA);
            break;
        case ControlKind::Progress:
            out.String(PROGRESS_CLASSA);
            break;
        case ControlKind::ListBox:
            out.Ordinal(kListBoxClass);
            break;
    }
}

void WriteControl(Writer& out, const ControlTemplate& control, bool firstRadio) {
    const WindowStyles styles = ControlStyles(control, firstRadio);
    out.AlignToDword();
    out.Dword(0);  // help id
    out.Dword(styles.exStyle);
    out.Dword(styles.style);
    out.Short(control.x);
    out.Short(control.y);
    out.Short(control.width);
    out.Short(control.height);
    out.Dword(control.id == kUnnamedControl ? kUnnamedId : static_cast<uint32_t>(control.id));
    WriteWindowClass(out, control.kind);
    if (control.kind == ControlKind::Icon) {
        out.Ordinal(static_cast<uint16_t>(control.iconId));
    } else {
        out.String(control.text);
    }
    out.Word(0);  // no creation data
}

}  // namespace

std::vector<uint8_t> BuildDialogTemplate(const DialogTemplate& source, DialogStyle style) {
    if (!Expressible(source)) {
        return {};
    }
    Writer out;
    WriteDialogHeader(out, source, style);
    bool radioSeenInGroup = false;
    for (const ControlTemplate& control : source.controls) {
        if ((control.flags & kGroup) != 0) {
            radioSeenInGroup = false;
        }
        const bool firstRadio = control.kind == ControlKind::RadioButton && !radioSeenInGroup;
        if (control.kind == ControlKind::RadioButton) {
            radioSeenInGroup = true;
        }
        WriteControl(out, control, firstRadio);
    }
    return out.Take();
}

}  // namespace kd::ui::win32
