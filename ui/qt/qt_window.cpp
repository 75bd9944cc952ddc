#include "ui/qt/qt_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "ui/dialog.h"
#include "ui/qt/fields.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/tab_control.h"

namespace kd::ui::qt {

namespace {

Qt::WindowFlags FlagsFor(DialogStyle style, bool topLevel) {
    if (!topLevel) {
        return Qt::Widget;
    }
    // A fixed-size box with a caption and a close box; the main window also gets a
    // taskbar entry, as a window of its own.
    const Qt::WindowFlags frame = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    return (style == DialogStyle::MainWindow ? Qt::Window : Qt::Dialog) | frame;
}

}  // namespace

QtWindow::QtWindow(QtToolkit& toolkit, Dialog& dialog, QWidget* host, bool topLevel)
    : QWidget(host, FlagsFor(dialog.Template().style, topLevel)),
      toolkit_(toolkit),
      dialog_(&dialog),
      topLevel_(topLevel),
      metrics_(MetricsFor(dialog.Template())) {
    const DialogTemplate& source = dialog.Template();
    setObjectName(QStringLiteral("dialog%1").arg(source.id));
    setFont(metrics_.font);
    setWindowTitle(FromUtf8(source.title));
    setAccessibleName(FromUtf8(source.title));
    const QSize client(metrics_.X(source.width), metrics_.Y(source.height));
    if (topLevel_) {
        setFixedSize(client);
    } else {
        // Pages draw on the tab control's frame, as themed Windows pages do.
        setGeometry(QRect(QPoint(0, 0), client));
    }
    controls_ = BuildControls(*this, source, metrics_,
                              [this](int iconId) { return toolkit_.Icon(iconId); });
    ConnectControls();
}

QtWindow::~QtWindow() {
    if (dialog_ != nullptr) {
        dialog_->DetachPeer();
        dialog_ = nullptr;
    }
}

template <typename Call>
bool QtWindow::Dispatch(Call&& call) {
    if (dialog_ == nullptr) {
        return true;
    }
    const QPointer<QtWindow> alive(this);
    ++dispatchDepth_;
    call(*dialog_);
    if (alive.isNull()) {
        return false;
    }
    --dispatchDepth_;
    if (dispatchDepth_ == 0 && destroyPending_) {
        // Widgets up the stack may still be inside the call that got here.
        hide();
        deleteLater();
        return false;
    }
    return true;
}

void QtWindow::ConnectControls() {
    for (const auto& [id, control] : controls_) {
        const ControlKind kind = control.source->kind;
        if (kind == ControlKind::PushButton || kind == ControlKind::CheckBox ||
            kind == ControlKind::RadioButton) {
            auto* button = static_cast<QAbstractButton*>(control.widget);
            connect(button, &QAbstractButton::clicked, this, [this, id = id] { OnClicked(id); });
        } else if (kind == ControlKind::TabControl) {
            static_cast<TabControl*>(control.widget)->OnUserChange([this, id = id] {
                Dispatch([id](Dialog& dialog) { dialog.HandleTabChanged(id); });
            });
        }
    }
}

QtWindow& QtWindow::Root() {
    return const_cast<QtWindow&>(std::as_const(*this).Root());
}

const QtWindow& QtWindow::Root() const {
    const QtWindow* root = this;
    for (QWidget* up = parentWidget(); up != nullptr && !root->topLevel_; up = up->parentWidget()) {
        if (const auto* window = dynamic_cast<const QtWindow*>(up)) {
            root = window;
        }
    }
    return *root;
}

bool QtWindow::TakesInput() const {
    const QtWindow& root = Root();
    return root.blocked_ == 0 && !root.ended_ && dialog_ != nullptr;
}

void QtWindow::Initialise() {
    dialog_->AttachPeer(this);
    Dispatch([](Dialog& dialog) { dialog.HandleInit(); });
}

int QtWindow::Run(QEventLoop& loop) {
    if (!ended_ && dialog_ != nullptr) {
        loop_ = &loop;
        show();
        // The dialog hears that it is on screen once the loop runs.
        QMetaObject::invokeMethod(
            this, [this] { NotifyShown(); }, Qt::QueuedConnection);
        loop.exec(QEventLoop::DialogExec);
        loop_ = nullptr;
    }
    return ended_ ? endCode_ : kResultCancel;
}

void QtWindow::NotifyShown() {
    if (shown_ || ended_ || dialog_ == nullptr || !isVisible()) {
        return;
    }
    shown_ = true;
    Dispatch([](Dialog& dialog) { dialog.HandleShown(); });
}

void QtWindow::ClearRadioGroupOf(int id) {
    const BuiltControl* clicked = Find(id);
    for (const auto& [other, control] : controls_) {
        if (other != id && control.group == clicked->group &&
            control.source->kind == ControlKind::RadioButton) {
            static_cast<QAbstractButton*>(control.widget)->setChecked(false);
        }
    }
}

void QtWindow::OnClicked(int id) {
    // The button has changed its own state already, as a Windows button does before it
    // tells its window.
    const BuiltControl* control = Find(id);
    if (control != nullptr && control->source->kind == ControlKind::RadioButton) {
        ClearRadioGroupOf(id);
    }
    if (!ended_ && TakesInput()) {
        Dispatch([id](Dialog& dialog) { dialog.HandleCommand(id); });
    }
}

void QtWindow::Command(int id) {
    if (ended_ || !TakesInput()) {
        return;
    }
    if (const QWidget* control = ControlWidget(id); control != nullptr && !control->isEnabled()) {
        return;
    }
    Dispatch([id](Dialog& dialog) { dialog.HandleCommand(id); });
}

void QtWindow::SystemCommand(int command) {
    if (TakesInput()) {
        Dispatch([command](Dialog& dialog) { dialog.HandleSysCommand(command); });
    }
}

// Enter clicks the push button that has the focus, else the default button, else sends
// OK; a disabled default button takes Enter away.
void QtWindow::OnReturn() {
    // The window's focus widget, also while another program has the keyboard.
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
        focused != nullptr && isAncestorOf(focused)) {
        focused->click();
        return;
    }
    for (const ControlTemplate& control : dialog_->Template().controls) {
        if (control.kind == ControlKind::PushButton && (control.flags & kDefaultButton) != 0) {
            const QWidget* button = ControlWidget(control.id);
            if (button == nullptr || button->isEnabled()) {
                Command(control.id);
            }
            return;
        }
    }
    Command(kResultOk);
}

void QtWindow::keyPressEvent(QKeyEvent* event) {
    // Pages leave the keys to the window they lie in.
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!topLevel_ || dialog_ == nullptr || modifiers != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OnReturn();
            return;
        case Qt::Key_Escape:
            Command(kResultCancel);
            return;
        case Qt::Key_F1:
            // There is no system menu here: F1 opens the first entry given for it.
            if (!menu_.empty()) {
                if (menu_.front().enabled) {
                    SystemCommand(menu_.front().command);
                }
                return;
            }
            break;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

void QtWindow::closeEvent(QCloseEvent* event) {
    // The close box is Cancel; the window goes when its run ends.
    event->ignore();
    if (topLevel_) {
        Command(kResultCancel);
    }
}

void QtWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (!topLevel_ || menu_.empty() || !TakesInput()) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    for (const MenuEntry& entry : menu_) {
        if (entry.separatorBefore && !menu.isEmpty()) {
            menu.addSeparator();
        }
        QAction* action = menu.addAction(entry.text);
        action->setEnabled(entry.enabled);
        // Triggered by a click, a key or an accessibility tool alike.
        connect(action, &QAction::triggered, this,
                [this, command = entry.command] { SystemCommand(command); });
    }
    menu.exec(event->globalPos());
}

bool QtWindow::AppendSystemMenu(std::string_view text, int command, bool separatorBefore) {
    if (!topLevel_) {
        return false;
    }
    menu_.push_back({FromUtf8(text), command, separatorBefore, true});
    return true;
}

bool QtWindow::EnableSystemMenu(int command, bool enabled) {
    bool found = false;
    for (MenuEntry& entry : menu_) {
        if (entry.command == command) {
            entry.enabled = enabled;
            found = true;
        }
    }
    return found;
}

void QtWindow::SetTimer(uint32_t intervalMs) {
    if (intervalMs == 0) {
        if (timer_ != nullptr) {
            timer_->stop();
        }
        return;
    }
    if (timer_ == nullptr) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, [this] {
            if (!ended_) {
                Dispatch([](Dialog& dialog) { dialog.HandleTimer(); });
            }
        });
    }
    timer_->start(static_cast<int>(intervalMs));
}

void QtWindow::EndDialog(int code) {
    if (!topLevel_) {
        return;
    }
    ended_ = true;
    endCode_ = code;
    hide();
    if (modeless_ && dialog_ != nullptr) {
        // The dialog may be shown again in a new window; this one goes once the call is over.
        dialog_->DetachPeer();
        dialog_ = nullptr;
        deleteLater();
        return;
    }
    if (loop_ != nullptr) {
        loop_->exit(code);
    }
}

void QtWindow::DialogDestroyed() {
    dialog_ = nullptr;
    if (topLevel_) {
        // Nothing may answer the window's buttons any more: end its run.
        ended_ = true;
        endCode_ = kResultCancel;
        hide();
        if (modeless_) {
            deleteLater();
            return;
        }
        if (loop_ != nullptr) {
            loop_->exit(kResultCancel);
        }
        return;
    }
    if (dispatchDepth_ > 0) {
        destroyPending_ = true;  // goes once the running call has returned
        return;
    }
    delete this;
}

}  // namespace kd::ui::qt
