#include "config/settings_page.h"

#include "config/page_support.h"

namespace kd {

const std::string* FindValue(const KeyValues& values, std::string_view name) {
    const auto found = values.find(name);
    return found == values.end() ? nullptr : &found->second;
}

KeyValues SettingsPage::ReadKeys() {
    KeyValues read;
    for (const catalogue::KeyInfo& key : catalogue::Keys()) {
        if (key.page == page_ && key.access != catalogue::Access::WriteOnly &&
            Reads(key.name, read)) {
            read.insert_or_assign(std::string(key.name), pages::ReadValue(keys_, key.name));
        }
    }
    return read;
}

SettingsPage::State SettingsPage::Keep() const {
    State state{{}, fields_};
    for (const ui::ControlTemplate& control : Template().controls) {
        if (control.id == ui::kUnnamedControl) {
            continue;
        }
        const bool hasText =
            control.kind == ui::ControlKind::Edit || control.kind == ui::ControlKind::ComboBox;
        state.controls.push_back(
            {control.id, IsChecked(control.id), IsControlVisible(control.id),
             hasText ? GetText(control.id) : std::string(),
             control.kind == ui::ControlKind::ComboBox ? ComboSelection(control.id) : -1});
    }
    return state;
}

void SettingsPage::Restore(const State& state) {
    for (const State::Control& kept : state.controls) {
        const ui::ControlTemplate* control = Template().Find(kept.id);
        if (control == nullptr) {
            continue;
        }
        switch (control->kind) {
            case ui::ControlKind::CheckBox:
            case ui::ControlKind::RadioButton:
                SetChecked(kept.id, kept.checked);
                break;
            case ui::ControlKind::ComboBox:
                ComboSelect(kept.id, kept.selection);
                if (kept.selection < 0) {
                    SetText(kept.id, kept.text);
                }
                break;
            case ui::ControlKind::Edit:
                SetText(kept.id, kept.text);
                break;
            default:
                break;
        }
        ShowControl(kept.id, kept.visible);
    }
    fields_ = state.fields;
}

}  // namespace kd
