// The controls of a window, reached by template id as the dialogs ask for them.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>

#include "ui/qt/fields.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/tab_control.h"

namespace kd::ui::qt {

namespace {

std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

Rect ToRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

bool IsButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::CheckBox ||
           kind == ControlKind::RadioButton;
}

}  // namespace

const BuiltControl* QtWindow::Find(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
}

template <typename Widget>
Widget* QtWindow::Find(int id, ControlKind kind) const {
    const BuiltControl* control = Find(id);
    return control != nullptr && control->source->kind == kind
               ? static_cast<Widget*>(control->widget)
               : nullptr;
}

QWidget* QtWindow::ControlWidget(int id) const {
    const BuiltControl* control = Find(id);
    return control != nullptr ? control->widget : nullptr;
}

void QtWindow::SetChecked(int id, bool checked) {
    const BuiltControl* control = Find(id);
    if (control != nullptr && (control->source->kind == ControlKind::CheckBox ||
                               control->source->kind == ControlKind::RadioButton)) {
        static_cast<QAbstractButton*>(control->widget)->setChecked(checked);
    }
}

bool QtWindow::IsChecked(int id) const {
    const BuiltControl* control = Find(id);
    return control != nullptr &&
           (control->source->kind == ControlKind::CheckBox ||
            control->source->kind == ControlKind::RadioButton) &&
           static_cast<QAbstractButton*>(control->widget)->isChecked();
}

void QtWindow::SetText(int id, std::string_view text) {
    const BuiltControl* control = Find(id);
    if (control == nullptr) {
        return;
    }
    const QString value = FromUtf8(text);
    const ControlKind kind = control->source->kind;
    if (IsButton(kind)) {
        static_cast<QAbstractButton*>(control->widget)->setText(value);
    } else if (kind == ControlKind::GroupBox) {
        static_cast<QGroupBox*>(control->widget)->setTitle(value);
    } else if (kind == ControlKind::Static) {
        static_cast<QLabel*>(control->widget)->setText(value);
    } else if (kind == ControlKind::Edit) {
        static_cast<FieldEdit*>(control->widget)->SetProgramText(value);
        return;
    } else if (kind == ControlKind::ComboBox) {
        static_cast<ComboField*>(control->widget)->Edit().SetProgramText(value);
        return;
    } else {
        return;
    }
    // A caption names its control for screen readers.
    control->widget->setAccessibleName(WithoutMnemonic(text));
}

std::string QtWindow::GetText(int id) const {
    const BuiltControl* control = Find(id);
    if (control == nullptr) {
        return {};
    }
    switch (control->source->kind) {
        case ControlKind::PushButton:
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
            return ToUtf8(static_cast<QAbstractButton*>(control->widget)->text());
        case ControlKind::GroupBox:
            return ToUtf8(static_cast<QGroupBox*>(control->widget)->title());
        case ControlKind::Static:
            return ToUtf8(static_cast<QLabel*>(control->widget)->text());
        case ControlKind::Edit:
            return ToUtf8(static_cast<FieldEdit*>(control->widget)->text());
        case ControlKind::ComboBox:
            return ToUtf8(static_cast<ComboField*>(control->widget)->Edit().text());
        case ControlKind::Icon:
        case ControlKind::TabControl:
        case ControlKind::Progress:
        case ControlKind::ListBox:
            break;
    }
    return {};
}

void QtWindow::SetTextLimit(int id, size_t characters) {
    if (auto* edit = Find<FieldEdit>(id, ControlKind::Edit)) {
        edit->SetLimit(characters);
    } else if (auto* combo = Find<ComboField>(id, ControlKind::ComboBox)) {
        combo->Edit().SetLimit(characters);
    }
}

void QtWindow::SetVisible(int id, bool visible) {
    if (QWidget* widget = ControlWidget(id)) {
        widget->setVisible(visible);
    }
}

// The control's own state: while the dialog initialises, its window is not shown yet.
bool QtWindow::IsVisible(int id) const {
    const QWidget* widget = ControlWidget(id);
    return widget != nullptr && widget->isVisibleTo(this);
}

void QtWindow::SetEnabled(int id, bool enabled) {
    if (QWidget* widget = ControlWidget(id)) {
        widget->setEnabled(enabled);
    }
}

bool QtWindow::IsEnabled(int id) const {
    const QWidget* widget = ControlWidget(id);
    return widget != nullptr && !widget->testAttribute(Qt::WA_ForceDisabled);
}

void QtWindow::ComboClear(int id) {
    if (auto* combo = Find<ComboField>(id, ControlKind::ComboBox)) {
        combo->Clear();
    }
}

int QtWindow::ComboAdd(int id, std::string_view text) {
    auto* combo = Find<ComboField>(id, ControlKind::ComboBox);
    return combo != nullptr ? combo->Add(FromUtf8(text)) : -1;
}

int QtWindow::ComboCount(int id) const {
    const auto* combo = Find<ComboField>(id, ControlKind::ComboBox);
    return combo != nullptr ? combo->count() : 0;
}

std::string QtWindow::ComboItemText(int id, int index) const {
    const auto* combo = Find<ComboField>(id, ControlKind::ComboBox);
    if (combo == nullptr || index < 0 || index >= combo->count()) {
        return {};
    }
    return ToUtf8(combo->itemText(index));
}

void QtWindow::ComboSetItemData(int id, int index, intptr_t value) {
    if (auto* combo = Find<ComboField>(id, ControlKind::ComboBox)) {
        combo->SetItemValue(index, value);
    }
}

intptr_t QtWindow::ComboItemData(int id, int index) const {
    const auto* combo = Find<ComboField>(id, ControlKind::ComboBox);
    return combo != nullptr ? combo->ItemValue(index) : 0;
}

void QtWindow::ComboSelect(int id, int index) {
    if (auto* combo = Find<ComboField>(id, ControlKind::ComboBox)) {
        combo->Select(index);
    }
}

int QtWindow::ComboSelection(int id) const {
    const auto* combo = Find<ComboField>(id, ControlKind::ComboBox);
    return combo != nullptr ? combo->Selection() : -1;
}

void QtWindow::ComboFitDropWidth(int id) {
    if (auto* combo = Find<ComboField>(id, ControlKind::ComboBox)) {
        combo->FitDropWidth();
    }
}

int QtWindow::ComboDropWidth(int id) const {
    const auto* combo = Find<ComboField>(id, ControlKind::ComboBox);
    return combo != nullptr ? combo->DropWidth() : 0;
}

int QtWindow::ListAdd(int id, std::string_view text) {
    auto* list = Find<QListWidget>(id, ControlKind::ListBox);
    if (list == nullptr) {
        return -1;
    }
    list->addItem(FromUtf8(text));
    list->scrollToBottom();
    return list->count() - 1;
}

void QtWindow::ListRemove(int id, int index) {
    auto* list = Find<QListWidget>(id, ControlKind::ListBox);
    if (list != nullptr && index >= 0 && index < list->count()) {
        delete list->takeItem(index);
    }
}

int QtWindow::ListCount(int id) const {
    const auto* list = Find<QListWidget>(id, ControlKind::ListBox);
    return list != nullptr ? list->count() : 0;
}

std::string QtWindow::ListItemText(int id, int index) const {
    const auto* list = Find<QListWidget>(id, ControlKind::ListBox);
    if (list == nullptr || index < 0 || index >= list->count()) {
        return {};
    }
    return ToUtf8(list->item(index)->text());
}

void QtWindow::TabInsert(int id, int index, std::string_view text) {
    if (auto* tabs = Find<TabControl>(id, ControlKind::TabControl)) {
        tabs->Insert(index, FromUtf8(text));
    }
}

int QtWindow::TabCount(int id) const {
    const auto* tabs = Find<TabControl>(id, ControlKind::TabControl);
    return tabs != nullptr ? tabs->Bar().count() : 0;
}

std::string QtWindow::TabText(int id, int index) const {
    const auto* tabs = Find<TabControl>(id, ControlKind::TabControl);
    if (tabs == nullptr || index < 0 || index >= tabs->Bar().count()) {
        return {};
    }
    return ToUtf8(tabs->Bar().tabText(index));
}

void QtWindow::TabSelect(int id, int index) {
    if (auto* tabs = Find<TabControl>(id, ControlKind::TabControl)) {
        tabs->Select(index);
    }
}

int QtWindow::TabSelection(int id) const {
    const auto* tabs = Find<TabControl>(id, ControlKind::TabControl);
    return tabs != nullptr ? tabs->Bar().currentIndex() : -1;
}

Rect QtWindow::TabClientRect(int id) const {
    const auto* tabs = Find<TabControl>(id, ControlKind::TabControl);
    return tabs != nullptr ? ToRect(tabs->rect()) : Rect{};
}

Rect QtWindow::TabDisplayArea(int id) const {
    const auto* tabs = Find<TabControl>(id, ControlKind::TabControl);
    return tabs != nullptr ? ToRect(tabs->DisplayArea()) : Rect{};
}

void QtWindow::MoveWindow(const Rect& pixels) {
    if (topLevel_) {
        // A top-level window is placed by its frame and sized by what it shows.
        move(pixels.left, pixels.top);
        setFixedSize(pixels.Width(), pixels.Height());
    } else {
        setGeometry(pixels.left, pixels.top, pixels.Width(), pixels.Height());
    }
}

Rect QtWindow::WindowRect() const {
    return ToRect(topLevel_ ? frameGeometry() : geometry());
}

void QtWindow::ShowWindow(bool visible) {
    setVisible(visible);
}

bool QtWindow::IsWindowVisible() const {
    return topLevel_ ? isVisible() : isVisibleTo(parentWidget());
}

std::string QtWindow::Title() const {
    return ToUtf8(windowTitle());
}

void QtWindow::SetIcon(int iconId) {
    // No such icon: the window keeps the one it has.
    const QIcon icon = toolkit_.Icon(iconId);
    if (!icon.isNull()) {
        setWindowIcon(icon);
    }
}

void QtWindow::SetProgress(int id, int position, int range) {
    if (auto* bar = Find<QProgressBar>(id, ControlKind::Progress)) {
        range = std::max(range, 0);
        bar->setRange(0, range);
        bar->setValue(std::clamp(position, 0, range));
    }
}

int QtWindow::ProgressPosition(int id) const {
    const auto* bar = Find<QProgressBar>(id, ControlKind::Progress);
    return bar != nullptr ? std::max(bar->value(), 0) : 0;
}

}  // namespace kd::ui::qt
