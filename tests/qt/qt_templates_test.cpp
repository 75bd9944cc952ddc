// The program's own windows on the Qt back end: the main window's template, and the real
// settings dialog over a modelled reader with its pages in the tab control.
#include <gtest/gtest.h>

#include <QTabBar>
#include <QTimer>
#include <QtTest/QTest>

#include "config/config_dialog.h"
#include "resources/config_ids.h"
#include "resources/ids.h"
#include "resources/main_window.h"
#include "tests/qt/scripted_dialog.h"
#include "tests/ui/modelled_reader.h"

namespace kd::test {
namespace {

using namespace kd::ui;
using kd::ui::qt::QtToolkit;
using kd::ui::qt::QtWindow;

bool Interactive(const QWidget& widget) {
    return widget.focusPolicy() != Qt::NoFocus && widget.isVisibleTo(widget.parentWidget());
}

// No two controls a user acts on overlap, and every control lies inside the window.
void ExpectTidy(const QtWindow& window) {
    std::vector<const QWidget*> controls;
    for (const QWidget* control : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (dynamic_cast<const QtWindow*>(control) != nullptr) {
            continue;  // a page, checked on its own
        }
        EXPECT_TRUE(window.rect().contains(control->geometry()))
            << control->objectName().toStdString() << " in " << window.objectName().toStdString();
        if (Interactive(*control)) {
            controls.push_back(control);
        }
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " and "
                << controls[j]->objectName().toStdString();
        }
    }
}

TEST(QtTemplates, MainWindowBuildsTidily) {
    QtToolkit toolkit;
    ScriptedDialog dialog(toolkit, resources::kMainWindowTemplate);
    dialog.onInit = [](ScriptedDialog& d) {
        // 534 x 329 units of 6 x 12 pixels.
        EXPECT_EQ(d.Window()->size(), QSize(801, 494));
        ExpectTidy(*d.Window());
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
}

TEST(QtTemplates, SettingsPagesSitBelowTheTabsAndReadTheReader) {
    QtToolkit toolkit;
    ModelledReader reader;
    ConfigDialog dialog(toolkit, reader.access);
    bool checked = false;
    QTimer::singleShot(0, [&] {
        QtWindow* window = QtToolkit::WindowOf(dialog);
        ASSERT_NE(window, nullptr);
        ExpectTidy(*window);
        QWidget* tabs = window->ControlWidget(ids::config_dialog::kTabs);
        const QRect row = tabs->findChild<QTabBar*>()->geometry();
        std::vector<QtWindow*> pages;
        for (QObject* child : tabs->children()) {
            if (auto* page = dynamic_cast<QtWindow*>(child)) {
                pages.push_back(page);
            }
        }
        EXPECT_EQ(pages.size(), 5u);
        for (QtWindow* page : pages) {
            ExpectTidy(*page);
            // Every control of every page lies below the row of tabs and inside the frame.
            for (const QWidget* control :
                 page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                const QRect inTabs(control->mapTo(tabs, QPoint(0, 0)), control->size());
                EXPECT_GT(inTabs.top(), row.bottom()) << control->objectName().toStdString();
                EXPECT_TRUE(tabs->rect().contains(inTabs)) << control->objectName().toStdString();
            }
        }
        // The first page shows; picking another tab shows that one instead.
        const auto visible = [&] {
            int count = 0;
            for (QtWindow* page : pages) {
                count += page->isVisible() ? 1 : 0;
            }
            return count;
        };
        EXPECT_EQ(visible(), 1);
        QTabBar* bar = tabs->findChild<QTabBar*>();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
        EXPECT_EQ(visible(), 1);
        for (QtWindow* page : pages) {
            EXPECT_EQ(page->isVisible(),
                      page->objectName() == QStringLiteral("dialog%1").arg(ids::kControlPage));
        }
        checked = true;
        QTest::mouseClick(window->ControlWidget(ids::config_dialog::kExitButton), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), kResultCancel);
    EXPECT_TRUE(checked);
    // The pages read their keys from the reader as they were made.
    EXPECT_FALSE(reader.Reads().empty());
    EXPECT_TRUE(reader.Writes().empty());
}

}  // namespace
}  // namespace kd::test
