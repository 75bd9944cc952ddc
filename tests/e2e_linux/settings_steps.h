#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "tests/e2e_linux/scenarios.h"
#include "tests/e2e_linux/script.h"

namespace kd::e2e {

QWidget* MainWindow();
// The settings dialog has the main window's title; only it has 保存 (1016).
QWidget* Settings();
// A control of a settings page: "sym", "mode", "fmt", "ctl" or "about". The pages reuse
// control ids: each is named by a control only it has.
QWidget* PageControl(const std::string& page, int id);

// One expected state of a control: "checked", "text", "shown", "enabled" or "items".
struct Expect {
    std::string page;
    int id;
    std::string what;
    std::string value;
};
// One check for a whole table: it lists the controls that differ.
void CheckAll(Script& script, const std::string& what, std::vector<Expect> table);

void OpenSettings(Script& script);
void CloseSettings(Script& script);
// Waits for a message box, checks its text and caption, and dismisses it with OK.
void WaitForMessage(Script& script, const std::string& text);

std::vector<std::string> Lines(const std::string& file);
// The wanted lines that lines lacks, joined by spaces.
std::string Missing(const std::vector<std::string>& lines, std::vector<std::string> wanted);

// Export the pages to a profile, import another, Save it (the dialog is open).
void ProfileChecks(Script& script, const Setup& setup);

}  // namespace kd::e2e
