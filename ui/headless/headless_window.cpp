#include "ui/headless/headless_window.h"

#include <algorithm>

#include "ui/headless/headless_toolkit.h"

namespace kd::ui::headless {

namespace {

// The row of tabs: one line of text (8 dialog units) with the tabs' padding and frame;
// the control's frame around the rest.
constexpr int kTabRowUnits = 14;
constexpr int kTabFrameUnits = 1;

// The dialog font's average character is 4 dialog units wide, a CJK character twice
// that; a drop-down list adds its frame, the entries' margins and a scroll bar.
constexpr int kCharUnits = 4;
constexpr int kDropListChromeUnits = 10;

int TextUnits(std::string_view text) {
    int units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) {  // a character starts here
            units += byte >= 0xE0 ? 2 * kCharUnits : kCharUnits;
        }
    }
    return units;
}

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessToolkit& toolkit, Dialog& dialog, HeadlessWindow* parent,
                               int hostId, int dpi)
    : toolkit_(toolkit),
      dialog_(&dialog),
      parent_(parent),
      hostId_(hostId),
      templateId_(dialog.Template().id),
      dpi_(dpi),
      title_(dialog.Template().title) {
    const DialogTemplate& source = dialog.Template();
    rect_ = {0, 0, Pixels(source.width), Pixels(source.height)};
    for (const ControlTemplate& control : source.controls) {
        if (control.id == kUnnamedControl) {
            continue;
        }
        Control& state = controls_[control.id];
        state.source = &control;
        state.text = control.kind == ControlKind::ComboBox ? "" : std::string(control.text);
        state.visible = (control.flags & kHidden) == 0;
        state.enabled = (control.flags & kDisabled) == 0;
    }
}

HeadlessWindow::~HeadlessWindow() {
    children_.clear();
    if (dialog_ != nullptr) {
        dialog_->DetachPeer();
    }
    toolkit_.Forget(this);
}

std::vector<HeadlessWindow*> HeadlessWindow::Children() const {
    std::vector<HeadlessWindow*> children;
    for (const auto& child : children_) {
        children.push_back(child.get());
    }
    return children;
}

HeadlessWindow& HeadlessWindow::Adopt(std::unique_ptr<HeadlessWindow> child) {
    children_.push_back(std::move(child));
    return *children_.back();
}

HeadlessWindow::Control* HeadlessWindow::Find(int id) {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

const HeadlessWindow::Control* HeadlessWindow::Find(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

HeadlessWindow::Control* HeadlessWindow::Find(int id, ControlKind kind) {
    Control* control = Find(id);
    return control != nullptr && control->source->kind == kind ? control : nullptr;
}

const HeadlessWindow::Control* HeadlessWindow::Find(int id, ControlKind kind) const {
    const Control* control = Find(id);
    return control != nullptr && control->source->kind == kind ? control : nullptr;
}

// Base units of 8 by 16 pixels at 96 DPI: a dialog unit is two pixels either way there.
int HeadlessWindow::Pixels(int dialogUnits) const {
    return dialogUnits * 2 * dpi_ / 96;
}

HeadlessWindow& HeadlessWindow::Root() {
    return parent_ != nullptr ? parent_->Root() : *this;
}

// A window under a modal dialog gets no clicks or keys, and neither do its pages.
bool HeadlessWindow::TakesInput() const {
    const HeadlessWindow& root = parent_ != nullptr ? parent_->Root() : *this;
    return root.windowEnabled_ && !root.ended_ && dialog_ != nullptr;
}

size_t HeadlessWindow::TextLimit(int id) const {
    const Control* control = Find(id);
    return control ? control->limit : 0;
}

void HeadlessWindow::SetChecked(int id, bool checked) {
    // Only check boxes and radio buttons keep a state, as on the real platforms.
    Control* control = Find(id);
    if (control != nullptr && (control->source->kind == ControlKind::CheckBox ||
                               control->source->kind == ControlKind::RadioButton)) {
        control->checked = checked;
    }
}

bool HeadlessWindow::IsChecked(int id) const {
    const Control* control = Find(id);
    return control != nullptr && control->checked;
}

void HeadlessWindow::SetText(int id, std::string_view text) {
    if (Control* control = Find(id)) {
        control->text = text;
    }
}

std::string HeadlessWindow::GetText(int id) const {
    const Control* control = Find(id);
    return control ? control->text : std::string();
}

void HeadlessWindow::SetTextLimit(int id, size_t characters) {
    if (Control* control = Find(id)) {
        control->limit = characters;
    }
}

void HeadlessWindow::SetVisible(int id, bool visible) {
    if (Control* control = Find(id)) {
        control->visible = visible;
    }
}

bool HeadlessWindow::IsVisible(int id) const {
    const Control* control = Find(id);
    return control != nullptr && control->visible;
}

void HeadlessWindow::SetEnabled(int id, bool enabled) {
    if (Control* control = Find(id)) {
        control->enabled = enabled;
    }
}

bool HeadlessWindow::IsEnabled(int id) const {
    const Control* control = Find(id);
    return control != nullptr && control->enabled;
}

void HeadlessWindow::ComboClear(int id) {
    if (Control* control = Find(id, ControlKind::ComboBox)) {
        control->entries.clear();
        control->selection = -1;
        control->text.clear();
    }
}

int HeadlessWindow::ComboAdd(int id, std::string_view text) {
    Control* control = Find(id, ControlKind::ComboBox);
    if (control == nullptr) {
        return -1;
    }
    auto at = control->entries.end();
    if ((control->source->flags & kSorted) != 0) {
        at = std::find_if(control->entries.begin(), control->entries.end(),
                          [&](const Entry& e) { return text < e.text; });
    }
    const int index = static_cast<int>(at - control->entries.begin());
    control->entries.insert(at, Entry{std::string(text), 0});
    if (control->selection >= index) {
        ++control->selection;
    }
    return index;
}

int HeadlessWindow::ComboCount(int id) const {
    const Control* control = Find(id, ControlKind::ComboBox);
    return control ? static_cast<int>(control->entries.size()) : 0;
}

std::string HeadlessWindow::ComboItemText(int id, int index) const {
    const Control* control = Find(id, ControlKind::ComboBox);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->entries.size())) {
        return {};
    }
    return control->entries[static_cast<size_t>(index)].text;
}

void HeadlessWindow::ComboSetItemData(int id, int index, intptr_t data) {
    Control* control = Find(id, ControlKind::ComboBox);
    if (control != nullptr && index >= 0 && index < static_cast<int>(control->entries.size())) {
        control->entries[static_cast<size_t>(index)].data = data;
    }
}

intptr_t HeadlessWindow::ComboItemData(int id, int index) const {
    const Control* control = Find(id, ControlKind::ComboBox);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->entries.size())) {
        return 0;
    }
    return control->entries[static_cast<size_t>(index)].data;
}

void HeadlessWindow::ComboSelect(int id, int index) {
    Control* control = Find(id, ControlKind::ComboBox);
    if (control == nullptr) {
        return;
    }
    if (index < 0 || index >= static_cast<int>(control->entries.size())) {
        control->selection = -1;
        control->text.clear();
        return;
    }
    control->selection = index;
    control->text = control->entries[static_cast<size_t>(index)].text;
}

int HeadlessWindow::ComboSelection(int id) const {
    const Control* control = Find(id, ControlKind::ComboBox);
    return control ? control->selection : -1;
}

void HeadlessWindow::ComboFitDropWidth(int id) {
    Control* control = Find(id, ControlKind::ComboBox);
    if (control == nullptr) {
        return;
    }
    int widest = 0;
    for (const Entry& entry : control->entries) {
        widest = std::max(widest, TextUnits(entry.text));
    }
    control->dropWidth = Pixels(widest + kDropListChromeUnits);
}

int HeadlessWindow::ComboDropWidth(int id) const {
    const Control* control = Find(id, ControlKind::ComboBox);
    if (control == nullptr) {
        return 0;
    }
    return std::max(control->dropWidth, Pixels(control->source->width));
}

void HeadlessWindow::SetProgress(int id, int position, int range) {
    if (Control* control = Find(id, ControlKind::Progress)) {
        control->range = std::max(range, 0);
        control->position = std::clamp(position, 0, control->range);
    }
}

int HeadlessWindow::ProgressPosition(int id) const {
    const Control* control = Find(id, ControlKind::Progress);
    return control ? control->position : 0;
}

int HeadlessWindow::ProgressRange(int id) const {
    const Control* control = Find(id, ControlKind::Progress);
    return control ? control->range : 0;
}

void HeadlessWindow::TabInsert(int id, int index, std::string_view text) {
    Control* control = Find(id, ControlKind::TabControl);
    if (control == nullptr) {
        return;
    }
    index = std::clamp(index, 0, static_cast<int>(control->tabs.size()));
    control->tabs.insert(control->tabs.begin() + index, std::string(text));
    if (control->selection < 0) {
        control->selection = 0;
    }
}

int HeadlessWindow::TabCount(int id) const {
    const Control* control = Find(id, ControlKind::TabControl);
    return control ? static_cast<int>(control->tabs.size()) : 0;
}

std::string HeadlessWindow::TabText(int id, int index) const {
    const Control* control = Find(id, ControlKind::TabControl);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->tabs.size())) {
        return {};
    }
    return control->tabs[static_cast<size_t>(index)];
}

void HeadlessWindow::TabSelect(int id, int index) {
    Control* control = Find(id, ControlKind::TabControl);
    if (control != nullptr && index >= 0 && index < static_cast<int>(control->tabs.size())) {
        control->selection = index;
    }
}

int HeadlessWindow::TabSelection(int id) const {
    const Control* control = Find(id, ControlKind::TabControl);
    return control ? control->selection : -1;
}

Rect HeadlessWindow::TabClientRect(int id) const {
    const Control* control = Find(id, ControlKind::TabControl);
    if (control == nullptr) {
        return {};
    }
    return {0, 0, Pixels(control->source->width), Pixels(control->source->height)};
}

Rect HeadlessWindow::TabDisplayArea(int id) const {
    const Rect client = TabClientRect(id);
    if (client == Rect{}) {
        return {};
    }
    const int frame = Pixels(kTabFrameUnits);
    return {frame, Pixels(kTabRowUnits), client.right - frame, client.bottom - frame};
}

void HeadlessWindow::MoveWindow(const Rect& pixels) {
    rect_ = pixels;
}

bool HeadlessWindow::AppendSystemMenu(std::string_view text, int command, bool separatorBefore) {
    if (dialog_ == nullptr || dialog_->Template().style == DialogStyle::Child) {
        return false;
    }
    if (separatorBefore) {
        systemMenu_.emplace_back("", 0);
    }
    systemMenu_.emplace_back(std::string(text), command);
    return true;
}

bool HeadlessWindow::EnableSystemMenu(int command, bool enabled) {
    const bool found = std::any_of(systemMenu_.begin(), systemMenu_.end(), [&](const auto& entry) {
        return !entry.first.empty() && entry.second == command;
    });
    if (found && enabled) {
        greyedMenu_.erase(command);
    } else if (found) {
        greyedMenu_.insert(command);
    }
    return found;
}

int HeadlessWindow::ListAdd(int id, std::string_view text) {
    Control* control = Find(id, ControlKind::ListBox);
    if (control == nullptr) {
        return -1;
    }
    control->lines.emplace_back(text);
    return static_cast<int>(control->lines.size()) - 1;
}

void HeadlessWindow::ListRemove(int id, int index) {
    Control* control = Find(id, ControlKind::ListBox);
    if (control != nullptr && index >= 0 && index < static_cast<int>(control->lines.size())) {
        control->lines.erase(control->lines.begin() + index);
    }
}

int HeadlessWindow::ListCount(int id) const {
    const Control* control = Find(id, ControlKind::ListBox);
    return control ? static_cast<int>(control->lines.size()) : 0;
}

std::string HeadlessWindow::ListItemText(int id, int index) const {
    const Control* control = Find(id, ControlKind::ListBox);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->lines.size())) {
        return {};
    }
    return control->lines[static_cast<size_t>(index)];
}

void HeadlessWindow::EndDialog(int code) {
    if (parent_ != nullptr) {
        return;
    }
    ended_ = true;
    endCode_ = code;
    if (modeless_ && dialog_ != nullptr) {
        // The window is gone for the dialog, which may be shown again.
        dialog_->DetachPeer();
        dialog_ = nullptr;
        toolkit_.Forget(this);
    }
}

void HeadlessWindow::DialogDestroyed() {
    dialog_ = nullptr;
    ended_ = true;
}

}  // namespace kd::ui::headless
