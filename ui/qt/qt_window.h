#pragma once

#include <QPointer>
#include <QWidget>
#include <map>
#include <string>
#include <utility>

#include <QListWidget>
#include <vector>

#include "ui/qt/control_builder.h"
#include "ui/qt/dialog_font.h"
#include "ui/window_peer.h"

class QEventLoop;
class QTimer;

namespace kd::ui {
class Dialog;
}

namespace kd::ui::qt {

class QtToolkit;

// The window of one dialog: a top-level window for a modal run, or a page inside another
// window's control. It is the dialog's peer while both exist; whichever goes first tells
// the other. Clicks, Enter, Escape, the close box and tab changes reach the dialog as on
// Windows, and only while the window takes input.
class QtWindow final : public QWidget, public WindowPeer {
  public:
    // host: the control a page lives in, or for a top-level window the window that owns
    // it (null: none).
    QtWindow(QtToolkit& toolkit, Dialog& dialog, QWidget* host, bool topLevel);
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    bool IsTopLevel() const { return topLevel_; }
    const DialogMetrics& Metrics() const { return metrics_; }
    // The widget of a named control, or null.
    QWidget* ControlWidget(int id) const;
    // The top-level window this one lies in.
    QtWindow& Root();
    const QtWindow& Root() const;
    // False while a modal dialog or message box it owns is open, after it has ended, and
    // once its dialog has gone; the same for its pages.
    bool TakesInput() const;
    // Counts the modal runs and boxes this window owns; it takes no input meanwhile.
    void Block() { ++blocked_; }
    void Unblock() { --blocked_; }
    bool Ended() const { return ended_; }
    int EndCode() const { return endCode_; }
    struct MenuEntry {
        QString text;
        int command = 0;
        bool separatorBefore = false;
        bool enabled = true;
    };
    const std::vector<MenuEntry>& MenuEntries() const { return menu_; }
    // A window of its own beside its owner's (ShowModeless): EndDialog closes it.
    void MakeModeless() { modeless_ = true; }

    // The toolkit's part of a run: initialisation and the loop until EndDialog.
    void Initialise();
    int Run(QEventLoop& loop);
    // For a window shown without a run: the dialog hears that it is on screen.
    void NotifyShownLater() { NotifyShown(); }

    // WindowPeer
    void SetChecked(int id, bool checked) override;
    bool IsChecked(int id) const override;
    void SetText(int id, std::string_view text) override;
    std::string GetText(int id) const override;
    void SetTextLimit(int id, size_t characters) override;
    void SetVisible(int id, bool visible) override;
    bool IsVisible(int id) const override;
    void SetEnabled(int id, bool enabled) override;
    bool IsEnabled(int id) const override;
    void ComboClear(int id) override;
    int ComboAdd(int id, std::string_view text) override;
    int ComboCount(int id) const override;
    std::string ComboItemText(int id, int index) const override;
    void ComboSetItemData(int id, int index, intptr_t value) override;
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

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    // Calls into the dialog unless it has gone. False when this window went on the way:
    // the caller must not touch it then.
    template <typename Call>
    bool Dispatch(Call&& call);

    void ConnectControls();
    void OnClicked(int id);
    // A command as Enter, Escape or the close box give it: ignored when control (the
    // button of that id, if any) is disabled.
    void Command(int id);
    void SystemCommand(int command);
    void OnReturn();
    void NotifyShown();
    void ClearRadioGroupOf(int id);
    const BuiltControl* Find(int id) const;
    template <typename Widget>
    Widget* Find(int id, ControlKind kind) const;

    QtToolkit& toolkit_;
    Dialog* dialog_;  // null once the dialog object has gone
    bool topLevel_;
    DialogMetrics metrics_;
    std::map<int, BuiltControl> controls_;
    std::vector<MenuEntry> menu_;  // entries of the window's context menu
    QEventLoop* loop_ = nullptr;   // the modal run, while it runs
    int blocked_ = 0;
    bool ended_ = false;
    bool modeless_ = false;
    QTimer* timer_ = nullptr;  // made at the first SetTimer, a child of this window
    int endCode_ = 0;
    bool shown_ = false;
    int dispatchDepth_ = 0;
    bool destroyPending_ = false;  // the dialog went during a call; go afterwards
};

// Keeps a window from taking input for the time of a modal run or a box it owns, and
// lets it again afterwards if it still exists.
class OwnerBlocked {
  public:
    explicit OwnerBlocked(QtWindow* owner) : owner_(owner) {
        if (owner_ != nullptr) {
            owner_->Block();
        }
    }
    ~OwnerBlocked() {
        if (!owner_.isNull()) {
            owner_->Unblock();
        }
    }
    OwnerBlocked(const OwnerBlocked&) = delete;
    OwnerBlocked& operator=(const OwnerBlocked&) = delete;

  private:
    QPointer<QtWindow> owner_;
};

}  // namespace kd::ui::qt
