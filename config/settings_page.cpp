#include "config/settings_page.h"

#include <optional>

#include "config/page_support.h"

namespace kd {

namespace {

using catalogue::ControlKind;

// The value the key's control gives, where the key table alone says how: one flag box,
// one companion box, a row of buttons, a field or a list.
std::optional<std::string> PlainValue(const ui::Dialog& page, const pages::TextFields& fields,
                                      const catalogue::KeyInfo& key) {
    if (key.access == catalogue::Access::ReadOnly || key.composed != nullptr) {
        return std::nullopt;
    }
    switch (key.kind) {
        case ControlKind::CheckBox: {
            if (key.controls.size() != 1) {
                return std::nullopt;
            }
            const bool checked = page.IsChecked(key.controls[0]);
            if (key.literals.size() == 2) {
                return std::string(key.literals[checked ? 1 : 0]);
            }
            if (key.literals.size() == 1 && checked) {
                return std::string(key.literals[0]);
            }
            return std::nullopt;
        }
        case ControlKind::RadioGroup: {
            const auto literal = pages::SelectedLiteral(page, key.controls, key.literals);
            return literal ? std::optional<std::string>(*literal) : std::nullopt;
        }
        case ControlKind::TextField:
        case ControlKind::ComboBox:
            break;
    }
    return fields.Sent(page, key.controls[0]);
}

}  // namespace

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

KeyValues SettingsPage::Current() const {
    KeyValues values;
    for (const catalogue::KeyInfo& key : catalogue::Keys()) {
        if (key.page != page_) {
            continue;
        }
        if (std::optional<std::string> value = PlainValue(*this, fields_, key)) {
            values.insert_or_assign(std::string(key.name), std::move(*value));
        }
    }
    return values;
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
