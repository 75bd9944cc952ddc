// What a user does to a window held in memory: click, type, pick, press a key. Each
// action passes the checks a real window would make before the dialog hears of it.
#include <algorithm>

#include "ui/headless/headless_window.h"

namespace kd::ui::headless {

namespace {

// What a field limited to limit characters keeps of typed text. The Windows controls
// count UTF-16 units: a character past U+FFFF counts twice, a Chinese one once.
std::string_view FitToLimit(std::string_view text, size_t limit) {
    if (limit == 0) {
        return text;
    }
    size_t units = 0;
    size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const size_t weight = length == 4 ? 2 : 1;
        if (units + weight > limit) {
            break;
        }
        units += weight;
        at = std::min(at + length, text.size());
    }
    return text.substr(0, at);
}

}  // namespace

bool HeadlessWindow::Command(int id) {
    if (!TakesInput()) {
        return false;
    }
    dialog_->HandleCommand(id);
    return true;
}

// Radio buttons belong to the group that runs from the last control flagged kGroup at
// or before them up to the next flagged control, as in a Windows dialog.
void HeadlessWindow::ClearRadioGroupOf(int id) {
    const auto& list = dialog_->Template().controls;
    const auto self = std::find_if(list.begin(), list.end(),
                                   [id](const ControlTemplate& c) { return c.id == id; });
    if (self == list.end()) {
        return;
    }
    auto first = self;
    while (first != list.begin() && (first->flags & kGroup) == 0) {
        --first;
    }
    for (auto it = first; it != list.end(); ++it) {
        if (it != first && (it->flags & kGroup) != 0) {
            break;
        }
        if (it->kind == ControlKind::RadioButton && it->id != id) {
            SetChecked(it->id, false);
        }
    }
}

bool HeadlessWindow::FireTimer() {
    if (timerMs_ == 0 || dialog_ == nullptr) {
        return false;
    }
    dialog_->HandleTimer();
    return true;
}

bool HeadlessWindow::Click(int id) {
    Control* control = Find(id);
    if (control == nullptr || !control->enabled || !TakesInput()) {
        return false;
    }
    switch (control->source->kind) {
        case ControlKind::CheckBox:
            control->checked = !control->checked;
            break;
        case ControlKind::RadioButton:
            ClearRadioGroupOf(id);
            control->checked = true;
            break;
        case ControlKind::PushButton:
            break;
        default:
            return false;
    }
    Command(id);
    return true;
}

bool HeadlessWindow::Type(int id, std::string_view text) {
    Control* control = Find(id);
    if (control == nullptr || !control->enabled || !TakesInput() ||
        (control->source->kind != ControlKind::Edit &&
         control->source->kind != ControlKind::ComboBox) ||
        (control->source->flags & kReadOnly) != 0) {
        return false;
    }
    control->text = std::string(FitToLimit(text, control->limit));
    if (control->source->kind == ControlKind::ComboBox) {
        const auto match = std::find_if(control->entries.begin(), control->entries.end(),
                                        [&](const Entry& e) { return e.text == control->text; });
        control->selection = match == control->entries.end()
                                 ? -1
                                 : static_cast<int>(match - control->entries.begin());
    }
    return true;
}

bool HeadlessWindow::PickComboEntry(int id, int index) {
    Control* control = Find(id, ControlKind::ComboBox);
    if (control == nullptr || !control->enabled || !TakesInput() || index < 0 ||
        index >= static_cast<int>(control->entries.size())) {
        return false;
    }
    ComboSelect(id, index);
    return true;
}

bool HeadlessWindow::PickComboEntry(int id, std::string_view text) {
    const Control* control = Find(id, ControlKind::ComboBox);
    if (control == nullptr) {
        return false;
    }
    for (size_t i = 0; i < control->entries.size(); ++i) {
        if (control->entries[i].text == text) {
            return PickComboEntry(id, static_cast<int>(i));
        }
    }
    return false;
}

bool HeadlessWindow::PickTab(int id, int index) {
    Control* control = Find(id, ControlKind::TabControl);
    if (control == nullptr || !TakesInput() || index < 0 ||
        index >= static_cast<int>(control->tabs.size())) {
        return false;
    }
    if (control->selection != index) {
        control->selection = index;
        if (dialog_ != nullptr) {
            dialog_->HandleTabChanged(id);
        }
    }
    return true;
}

bool HeadlessWindow::SystemCommand(int command) {
    return TakesInput() && IsSystemMenuEnabled(command) && dialog_->HandleSysCommand(command);
}

}  // namespace kd::ui::headless
