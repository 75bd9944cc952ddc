#pragma once

// What every back end's windows must do, written once against ui/ and run by the Qt,
// Win32 and headless tests. The Win32 tests have no test framework, so the checks
// report through BackEnd::Check instead of a framework's macros.
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "ui/dialog.h"

namespace kd::test::conformance {

enum : int {
    kOk = 1,
    kCancel = 2,
    kCheck = 10,
    kRadioA,
    kRadioB,
    kRadioC,
    kEdit,
    kReadOnlyEdit,
    kCombo,
    kSortedCombo,
    kTabs,
    kLabel,
    kHiddenButton,
    kDisabledButton,
    kButton,
    kOtherRadio,
    kProgress,
    kPageButton = 30,
    kPageCheck,
};

constexpr int kIcon = 128;
constexpr int kAboutCommand = 0x10;
constexpr const char* kAboutEntry = "关于配置工具  (&A)...";

// A window with a control of every kind, and a page for its tab control.
extern const ui::DialogTemplate kWindow;
extern const ui::DialogTemplate kPage;

// A dialog whose reactions each case sets.
class ScriptedWindow : public ui::Dialog {
  public:
    ScriptedWindow(ui::Toolkit& toolkit, const ui::DialogTemplate& source)
        : Dialog(toolkit, source) {}

    std::function<void(ScriptedWindow&)> onInit;
    std::function<void(ScriptedWindow&)> onShown;
    std::function<bool(int)> onSysCommand;
    std::vector<int> tabChanges;
    int shownCount = 0;
    bool visibleWhenShown = false;

    void Bind(int id, std::function<void()> handler) { BindCommand(id, std::move(handler)); }

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
        visibleWhenShown = IsWindowVisible();
        if (onShown) {
            onShown(*this);
        }
    }
    void OnTabChanged(int tabId) override { tabChanges.push_back(tabId); }
    bool OnSysCommand(int command) override { return onSysCommand && onSysCommand(command); }
};

// What the checks need from a back end: its toolkit, a user, and a place to report.
class BackEnd {
  public:
    virtual ~BackEnd() = default;

    virtual ui::Toolkit& Toolkit() = 0;
    // The user clicks a control with the mouse; a disabled one takes no click.
    virtual void Click(ui::Dialog& dialog, int id) = 0;
    virtual void PickTab(ui::Dialog& dialog, int tabId, int index) = 0;
    // The user picks the entry of this text that the program put in the window's menu.
    virtual void PickMenuEntry(ui::Dialog& dialog, const std::string& text) = 0;
    // Asks later whether the dialog's window still exists, even once the dialog is gone.
    virtual std::function<bool()> WindowWatch(ui::Dialog& dialog) = 0;

    // Counts one check; reports it when it failed. Returns ok.
    virtual bool Check(bool ok, const std::string& what, const char* file, int line) = 0;
    // The case now running, for the report.
    void Enter(const char* name) { caseName_ = name; }
    const char* CaseName() const { return caseName_; }

  private:
    const char* caseName_ = "";
};

struct Case {
    const char* name;  // letters only: it names a test
    void (*run)(BackEnd& backEnd);
};
const std::vector<Case>& WindowCases();

inline std::string Shown(const std::string& value) {
    return '"' + value + '"';
}
template <typename T>
std::string Shown(const T& value) {
    if constexpr (std::is_convertible_v<T, std::string>) {
        return Shown(std::string(value));
    } else {
        return std::to_string(value);
    }
}

template <typename A, typename B>
bool CheckEqual(BackEnd& backEnd, const A& actual, const B& expected, const char* what,
                const char* file, int line) {
    const bool ok = actual == expected;
    return backEnd.Check(
        ok,
        ok ? what
           : std::string(what) + " (got " + Shown(actual) + ", want " + Shown(expected) + ")",
        file, line);
}

}  // namespace kd::test::conformance

#define KD_CONFORM(backEnd, condition) (backEnd).Check((condition), #condition, __FILE__, __LINE__)
#define KD_CONFORM_EQ(backEnd, actual, expected)                                                   \
    ::kd::test::conformance::CheckEqual((backEnd), (actual), (expected), #actual " == " #expected, \
                                        __FILE__, __LINE__)
