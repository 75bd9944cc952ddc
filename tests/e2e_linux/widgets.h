#pragma once

#include <QString>
#include <QWidget>
#include <string>
#include <vector>

class QAction;
class QMessageBox;

namespace kd::e2e {

// Finding the program's windows and controls as a user sees them, and acting on them
// with QTest's input events. Controls are found by their object name "id<control id>".

// The visible top-level window with this title that holds control id; null if none.
QWidget* Window(const QString& title, int id);
// The control id inside scope; null if none.
QWidget* Control(QWidget* scope, int id);
// The page of a tabbed dialog that holds control uniqueId: the largest part of the
// dialog around it that holds no other page's control otherId.
QWidget* Page(QWidget* dialog, int uniqueId, int otherId);

// The open message box, if any; its caption and text.
QMessageBox* MessageBox();
std::string Caption(QWidget* window);
std::string MessageText(QMessageBox* box);

// What a control shows: a label's, button's or field's text, a combo box's edit text.
std::string Text(QWidget* control);
bool Checked(QWidget* control);
int ComboSelection(QWidget* control);
std::string ComboItems(QWidget* control);  // "a|b|c"
int TabSelection(QWidget* dialog);

// What a user does. Each returns false when the control is missing, hidden or disabled.
bool Click(QWidget* control);
bool SetChecked(QWidget* control, bool checked);
bool Type(QWidget* control, const QString& text);  // replaces the field's text
bool Pick(QWidget* control, const QString& entry);
bool PickTab(QWidget* dialog, int index);
bool PressOk(QMessageBox* box);

// Opens the window's context menu as a right click near its corner does.
void OpenContextMenu(QWidget* window);
// The entry of the visible context menu whose text holds text; null while there is none.
QAction* ContextMenuEntry(const QString& text);
// Picks the entry with the mouse; false when there is none or it is greyed out.
bool PickContextMenuEntry(const QString& text);

// Saves the window's picture; false when it could not be written.
bool Shot(QWidget* window, const std::string& path);

}  // namespace kd::e2e
