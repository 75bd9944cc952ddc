#pragma once

#include <map>
#include <string>

#include "ui/template.h"
#include "ui/win32/windows_api.h"
#include "ui/window_peer.h"

namespace kd::ui {
class Dialog;
}

namespace kd::ui::win32 {

// What the toolkit hands to a new dialog window through WM_INITDIALOG; the window
// writes its handle back.
struct WindowStart {
    Dialog* dialog = nullptr;
    HINSTANCE instance = nullptr;
    bool modal = false;
    HWND handle = nullptr;
    bool modeless = false;  // a top-level window beside its owner's, made by ShowModeless
};

// The peer of one dialog window. The window owns it: it is made on WM_INITDIALOG, kept
// in the window's DWLP_USER slot and deleted on WM_NCDESTROY.
class Win32Window final : public WindowPeer {
  public:
    Win32Window(HWND hwnd, Dialog& dialog, HINSTANCE instance, bool modal, bool modeless);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // The one dialog procedure of every window the toolkit makes.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Handle() const { return hwnd_; }

    // Marks the top-level windows made by ShowModeless, whose keys the toolkit's hook
    // hands to the dialog manager (the modal loop of another window does not).
    static constexpr wchar_t kModelessProperty[] = L"kd.modeless";

    // WindowPeer
    void SetChecked(int id, bool checked) override;
    bool IsChecked(int id) const override;
    void SetText(int id, std::string_view text) override;
    std::string GetText(int id) const override;
    void SetTextLimit(int id, size_t bytes) override;
    void SetVisible(int id, bool visible) override;
    bool IsVisible(int id) const override;
    void SetEnabled(int id, bool enabled) override;
    bool IsEnabled(int id) const override;
    void ComboClear(int id) override;
    int ComboAdd(int id, std::string_view text) override;
    int ComboCount(int id) const override;
    std::string ComboItemText(int id, int index) const override;
    void ComboSetItemData(int id, int index, intptr_t data) override;
    intptr_t ComboItemData(int id, int index) const override;
    void ComboSelect(int id, int index) override;
    int ComboSelection(int id) const override;
    void ComboFitDropWidth(int id) override;
    int ComboDropWidth(int id) const override;
    void TabInsert(int id, int index, std::string_view text) override;
    int TabCount(int id) const override;
    std::string TabText(int id, int index) const override;
    void TabSelect(int id, int index) override;
    int TabSelection(int id) const override;
    Rect TabClientRect(int id) const override;
    Rect TabDisplayArea(int id) const override;
    void SetProgress(int id, int position, int range) override;
    int ProgressPosition(int id) const override;
    int ListAdd(int id, std::string_view text) override;
    void ListRemove(int id, int index) override;
    int ListCount(int id) const override;
    std::string ListItemText(int id, int index) const override;
    void MoveWindow(const Rect& pixels) override;
    Rect WindowRect() const override;
    void ShowWindow(bool visible) override;
    bool IsWindowVisible() const override;
    std::string Title() const override;
    void SetIcon(int iconId) override;
    bool AppendSystemMenu(std::string_view text, int command, bool separatorBefore) override;
    bool EnableSystemMenu(int command, bool enabled) override;
    void SetTimer(uint32_t intervalMs) override;
    void EndDialog(int code) override;
    void DialogDestroyed() override;

  private:
    // Calls into the dialog unless it has gone. False when this peer was deleted on the
    // way (the window was destroyed meanwhile): the caller must then not touch it.
    template <typename Call>
    bool Dispatch(Call&& call);

    INT_PTR OnInitDialog();
    // Hands each message to its handler; the results are the dialog procedure's.
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnCommand(WPARAM wParam, LPARAM lParam);
    void OnNotify(LPARAM lParam);
    INT_PTR OnSysCommand(WPARAM wParam);
    void OnShowWindow(bool shown);
    // False while the top-level window is disabled under a modal dialog or message box.
    bool TakesInput() const;
    bool PaintIconic();
    void OnShownMessage();
    void OnDestroyed();

    // The control of this id and kind, or null.
    HWND Control(int id) const;
    HWND Control(int id, ControlKind kind) const;
    bool ValidComboIndex(HWND combo, int index) const;

    HWND hwnd_;
    Dialog* dialog_;  // null once the dialog object has gone
    HINSTANCE instance_;
    bool modal_;
    bool modeless_;
    std::map<int, ControlKind> kinds_;  // named controls, from the template
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    bool ended_ = false;           // EndDialog was called on a modal window
    bool shown_ = false;           // OnShown has run
    bool waitingForShow_ = false;  // OnShown waits for the window to appear
    int dispatchDepth_ = 0;        // calls into the dialog now running
    bool destroyPending_ = false;  // the dialog went during a call; destroy afterwards
    bool windowGone_ = false;      // the window went during a call; delete afterwards
};

}  // namespace kd::ui::win32
