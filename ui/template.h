#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kd::ui {

// Dialogs are data: both back ends build their windows from these templates, so a
// template is written once and tests can check it. Positions and sizes are in dialog
// units; texts are UTF-8.

enum class ControlKind {
    PushButton,
    CheckBox,     // toggles itself when clicked
    RadioButton,  // selects itself and clears the others of its group when clicked
    GroupBox,
    Static,  // a text label
    Icon,    // a static picture; text holds nothing, iconId the resource
    Edit,
    ComboBox,  // drop-down list with an edit field and a vertical scroll bar
    TabControl,
    ListBox,   // read-only lines, one selectable at a time, with scroll bars
    Progress,  // a bar filled in proportion; its text names it for assistive technology
};

enum ControlFlag : uint32_t {
    kHidden = 1u << 0,
    kDisabled = 1u << 1,
    kDefaultButton = 1u << 2,
    kSorted = 1u << 3,    // combo box entries kept in text order
    kGroup = 1u << 4,     // starts a group: radio buttons up to the next kGroup are exclusive
    kReadOnly = 1u << 5,  // edit field
    kNoTabStop = 1u << 6,
};

// Labels and group boxes that no code addresses.
inline constexpr int kUnnamedControl = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string_view text;
    int x;
    int y;
    int width;
    int height;  // for a combo box: the height of the dropped-down list
    uint32_t flags = 0;
    int iconId = 0;
};

enum class DialogStyle {
    // Top-level window with caption, system menu and a taskbar button; fixed size.
    MainWindow,
    // A box with caption and close box: modal, or beside its owner (ShowModeless).
    Modal,
    // A page without title or border inside another window.
    Child,
};

struct DialogTemplate {
    int id;
    DialogStyle style;
    std::string_view title;
    int width;
    int height;
    std::string_view fontName;
    int fontPoints;
    std::span<const ControlTemplate> controls;

    const ControlTemplate* Find(int controlId) const {
        for (const auto& control : controls) {
            if (control.id == controlId) {
                return &control;
            }
        }
        return nullptr;
    }
};

}  // namespace kd::ui
