#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/qt_window.h"

namespace kd::test {

// A dialog whose reactions each test sets, on the Qt back end.
class ScriptedDialog : public ui::Dialog {
  public:
    ScriptedDialog(ui::Toolkit& toolkit, const ui::DialogTemplate& source)
        : Dialog(toolkit, source) {}

    std::function<void(ScriptedDialog&)> onInit;
    std::function<void(ScriptedDialog&)> onShown;
    std::function<bool(int)> onSysCommand;
    std::vector<int> tabChanges;
    int shownCount = 0;

    void Bind(int id, std::function<void()> handler) { BindCommand(id, std::move(handler)); }
    ui::qt::QtWindow* Window() const { return ui::qt::QtToolkit::WindowOf(*this); }
    // The widget of a control, as a test tool finds it by its object name.
    template <typename Widget = QWidget>
    Widget* Control(int id) const {
        return Window() != nullptr ? Window()->findChild<Widget*>(QStringLiteral("id%1").arg(id))
                                   : nullptr;
    }

  protected:
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        if (onInit) {
            onInit(*this);
        }
        return true;
    }
    void OnShown() override {
        ++shownCount;
        if (onShown) {
            onShown(*this);
        }
    }
    void OnTabChanged(int tabId) override { tabChanges.push_back(tabId); }
    bool OnSysCommand(int command) override { return onSysCommand && onSysCommand(command); }
};

// Runs action once a top-level widget of type Widget is visible (a box, a menu, a
// dialog that another one opened), polling from the event loop that waits for it.
template <typename Widget>
void WhenShown(std::function<void(Widget&)> action) {
    auto* timer = new QTimer();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* found = dynamic_cast<Widget*>(widget);
            if (found != nullptr && found->isVisible()) {
                timer->stop();
                timer->deleteLater();
                action(*found);
                return;
            }
        }
    });
    timer->start();
}

}  // namespace kd::test
