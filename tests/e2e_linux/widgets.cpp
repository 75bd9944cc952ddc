#include "tests/e2e_linux/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

namespace kd::e2e {

namespace {

QString Name(int id) {
    return QStringLiteral("id%1").arg(id);
}

QTabBar* TabBar(QWidget* dialog) {
    for (QTabBar* tabs : dialog == nullptr ? QList<QTabBar*>{} : dialog->findChildren<QTabBar*>()) {
        if (tabs->window() == dialog) {
            return tabs;
        }
    }
    return nullptr;
}

bool Usable(QWidget* control) {
    return control != nullptr && control->isVisible() && control->isEnabled();
}

}  // namespace

QWidget* Window(const QString& title, int id) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->windowTitle() == title && Control(top, id) != nullptr) {
            return top;
        }
    }
    return nullptr;
}

// A window owned by another is its child object too: a control belongs to the window it
// lies in, not to the one that owns that window.
QWidget* Control(QWidget* scope, int id) {
    if (scope == nullptr) {
        return nullptr;
    }
    for (QWidget* control : scope->findChildren<QWidget*>(Name(id))) {
        if (control->window() == scope->window()) {
            return control;
        }
    }
    return nullptr;
}

QWidget* Page(QWidget* dialog, int uniqueId, int otherId) {
    QWidget* page = Control(dialog, uniqueId);
    if (page == nullptr) {
        return nullptr;
    }
    while (page->parentWidget() != nullptr && page->parentWidget() != dialog &&
           Control(page->parentWidget(), otherId) == nullptr) {
        page = page->parentWidget();
    }
    return page;
}

QMessageBox* MessageBox() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(top); box != nullptr && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

std::string Caption(QWidget* window) {
    return window == nullptr ? std::string() : window->windowTitle().toStdString();
}

std::string MessageText(QMessageBox* box) {
    return box == nullptr ? std::string() : box->text().toStdString();
}

std::string Text(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text().toStdString();
    }
    if (auto* field = qobject_cast<QLineEdit*>(control)) {
        return field->text().toStdString();
    }
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        return combo->currentText().toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text().toStdString();
    }
    if (auto* group = qobject_cast<QGroupBox*>(control)) {
        return group->title().toStdString();
    }
    return {};
}

bool Checked(QWidget* control) {
    auto* button = qobject_cast<QAbstractButton*>(control);
    return button != nullptr && button->isChecked();
}

int ComboSelection(QWidget* control) {
    auto* combo = qobject_cast<QComboBox*>(control);
    return combo == nullptr ? -2 : combo->currentIndex();
}

std::string ComboItems(QWidget* control) {
    auto* combo = qobject_cast<QComboBox*>(control);
    std::string items;
    for (int i = 0; combo != nullptr && i < combo->count(); ++i) {
        items += (i > 0 ? "|" : "") + combo->itemText(i).toStdString();
    }
    return items;
}

int TabSelection(QWidget* dialog) {
    QTabBar* tabs = TabBar(dialog);
    return tabs == nullptr ? -1 : tabs->currentIndex();
}

bool Click(QWidget* control) {
    if (!Usable(control)) {
        return false;
    }
    // A check box or radio button takes clicks on its box and its text only: its box it is.
    if (qobject_cast<QCheckBox*>(control) != nullptr ||
        qobject_cast<QRadioButton*>(control) != nullptr) {
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
    } else {
        QTest::mouseClick(control, Qt::LeftButton);
    }
    return true;
}

bool SetChecked(QWidget* control, bool checked) {
    return Checked(control) == checked || Click(control);
}

bool Type(QWidget* control, const QString& text) {
    auto* combo = qobject_cast<QComboBox*>(control);
    QWidget* field = combo != nullptr ? combo->lineEdit() : control;
    if (!Usable(field) || qobject_cast<QLineEdit*>(field) == nullptr) {
        return false;
    }
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(field, c.toLatin1());
        } else {
            // Chinese comes from an input method, as a committed string.
            QInputMethodEvent event;
            event.setCommitString(c);
            QApplication::sendEvent(field, &event);
        }
    }
    return true;
}

bool Pick(QWidget* control, const QString& entry) {
    auto* combo = qobject_cast<QComboBox*>(control);
    const int index = combo == nullptr ? -1 : combo->findText(entry);
    if (!Usable(control) || index < 0) {
        return false;
    }
    // What a pick from the drop-down list does: the selection, then its notification.
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

bool PickTab(QWidget* dialog, int index) {
    QTabBar* tabs = TabBar(dialog);
    if (!Usable(tabs) || index < 0 || index >= tabs->count()) {
        return false;
    }
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    return tabs->currentIndex() == index;
}

bool PressOk(QMessageBox* box) {
    if (box == nullptr || box->buttons().isEmpty()) {
        return false;
    }
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    return Click(ok != nullptr ? ok : box->buttons().first());
}

bool Shot(QWidget* window, const std::string& path) {
    return window != nullptr && window->grab().save(QString::fromStdString(path), "PNG");
}

void OpenContextMenu(QWidget* window) {
    const QPoint at(4, 4);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, window->mapToGlobal(at));
    QApplication::sendEvent(window, &event);
}

QAction* ContextMenuEntry(const QString& text) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* shown = qobject_cast<QMenu*>(top);
        for (QAction* action :
             shown != nullptr && shown->isVisible() ? shown->actions() : QList<QAction*>{}) {
            if (action->text().contains(text)) {
                return action;
            }
        }
    }
    return nullptr;
}

bool PickContextMenuEntry(const QString& text) {
    QAction* entry = ContextMenuEntry(text);
    if (entry == nullptr || !entry->isEnabled()) {
        return false;
    }
    auto* menu = static_cast<QMenu*>(entry->parent());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
    return true;
}

}  // namespace kd::e2e
