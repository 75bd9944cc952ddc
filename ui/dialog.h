#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "ui/template.h"
#include "ui/toolkit.h"
#include "ui/window_peer.h"

namespace kd::ui {

// Base of every window: written once against this class, run by either back end.
// Subclasses override OnInitDialog (calling the base first, which runs DoDataExchange),
// bind command handlers by control id, and reach their controls by id.
class Dialog {
  public:
    Dialog(Toolkit& toolkit, const DialogTemplate& dialogTemplate);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally; returns the code given to EndDialog. The owner's window is
    // disabled until it ends. Without an owner, the dialog belongs to the window the
    // user works in (the newest enabled top-level window of the toolkit), as a modal
    // dialog made without a parent does on Windows.
    int DoModal(Dialog* owner = nullptr);
    // Shows the dialog in a window of its own owned by owner, which stays usable; returns
    // at once. EndDialog closes the window; it may be shown again afterwards.
    bool ShowModeless(Dialog& owner);
    // Creates the dialog as a page inside the control hostId of parent.
    bool CreateAsChild(Dialog& parent, int hostId);
    void EndDialog(int result);

    const DialogTemplate& Template() const { return template_; }
    Toolkit& GetToolkit() const { return toolkit_; }
    bool HasWindow() const { return peer_ != nullptr; }

    // Control access by id.
    void SetChecked(int id, bool checked);
    bool IsChecked(int id) const;
    // Checks id and clears every other radio button whose id lies in [first, last].
    void CheckRadioButton(int first, int last, int id);
    // The checked button among the ids [first, last], or 0 when none is.
    int CheckedRadioButton(int first, int last) const;
    void SetText(int id, std::string_view text);
    std::string GetText(int id) const;
    void SetTextLimit(int id, size_t characters);
    void ShowControl(int id, bool visible);
    bool IsControlVisible(int id) const;
    void EnableControl(int id, bool enabled);
    bool IsControlEnabled(int id) const;

    void ComboClear(int id);
    int ComboAdd(int id, std::string_view text);
    int ComboCount(int id) const;
    std::string ComboItemText(int id, int index) const;
    void ComboSetItemData(int id, int index, intptr_t data);
    intptr_t ComboItemData(int id, int index) const;
    void ComboSelect(int id, int index);
    int ComboSelection(int id) const;
    void ComboFitDropWidth(int id);
    int ComboDropWidth(int id) const;

    void TabInsert(int id, int index, std::string_view text);
    int TabSelection(int id) const;
    void TabSelect(int id, int index);
    Rect TabClientRect(int id) const;
    Rect TabDisplayArea(int id) const;

    void SetProgress(int id, int position, int range);
    int ProgressPosition(int id) const;
    int ListAdd(int id, std::string_view text);
    void ListRemove(int id, int index);
    int ListCount(int id) const;
    std::string ListItemText(int id, int index) const;

    void MoveWindow(const Rect& pixels);
    void ShowWindow(bool visible);
    bool IsWindowVisible() const;
    void SetIcon(int iconId);
    bool AppendSystemMenu(std::string_view text, int command, bool separatorBefore = true);
    bool EnableSystemMenu(int command, bool enabled);

    // OnTimer runs every intervalMs while the window exists; 0 stops it.
    void SetTimer(uint32_t intervalMs);

    int MessageBox(std::string_view text, std::string_view caption, uint32_t flags);
    void SetCursor(Cursor cursor);

    // Entry points for the back ends.
    void AttachPeer(WindowPeer* peer);
    // The window is gone; the dialog object may live on.
    void DetachPeer();
    WindowPeer* Peer() const { return peer_; }
    // The window exists: runs OnInitDialog.
    void HandleInit();
    void HandleShown() { OnShown(); }
    void HandleCommand(int id);
    void HandleTabChanged(int tabId);
    // True when the dialog handled the system command itself.
    bool HandleSysCommand(int command);
    void HandleTimer() { OnTimer(); }
    // Set once EndDialog has been called, for back ends that poll for it.
    bool EndRequested() const { return endRequested_; }
    int EndResult() const { return endResult_; }

  protected:
    virtual bool OnInitDialog();
    // Binds controls to the dialog's fields; run by the base OnInitDialog.
    virtual void DoDataExchange() {}
    // Enter or the default button (id 1), and Escape or the close box (id 2).
    virtual void OnOK() { EndDialog(kResultOk); }
    virtual void OnCancel() { EndDialog(kResultCancel); }
    virtual void OnTabChanged(int /*tabId*/) {}
    virtual bool OnSysCommand(int /*command*/) { return false; }
    virtual void OnTimer() {}

    // Runs once the window has been shown for the first time, after OnInitDialog.
    virtual void OnShown() {}

    // Registers the handler of a button or other control's command.
    void BindCommand(int id, std::function<void()> handler);

  private:
    Toolkit& toolkit_;
    const DialogTemplate& template_;
    WindowPeer* peer_ = nullptr;
    std::map<int, std::function<void()>> handlers_;
    bool endRequested_ = false;
    int endResult_ = 0;
};

}  // namespace kd::ui
