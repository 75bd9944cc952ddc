#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/window_peer.h"

namespace kd::ui::headless {

class HeadlessToolkit;

// A window held in memory: every control's state, built from the dialog's template.
// Tests act on it as a user would (click, type, pick) and read what it shows.
class HeadlessWindow final : public WindowPeer {
  public:
    // dpi scales the template's dialog units to pixels (96: base units of 8 by 16 pixels).
    HeadlessWindow(HeadlessToolkit& toolkit, Dialog& dialog, HeadlessWindow* parent, int hostId,
                   int dpi);
    ~HeadlessWindow() override;

    // What a user does. Each returns false when the control cannot take the action
    // (missing, disabled, or of another kind) or the window takes no input (its
    // top-level window is disabled under a modal dialog, or it has ended); hidden
    // buttons can still be clicked by id.
    bool Click(int id);
    bool Type(int id, std::string_view text);
    bool PickComboEntry(int id, int index);
    bool PickComboEntry(int id, std::string_view text);
    bool PickTab(int id, int index);
    bool PressEnter() { return Command(kResultOk); }
    bool PressEscape() { return Command(kResultCancel); }
    bool CloseBox() { return Command(kResultCancel); }
    bool SystemCommand(int command);

    // The window as a whole: disabled while a modal dialog or message box it owns is open.
    void EnableWindow(bool enabled) { windowEnabled_ = enabled; }
    bool IsWindowEnabled() const { return windowEnabled_; }
    // The top-level window this one lies in (itself for a top-level window).
    HeadlessWindow& Root();
    bool TakesInput() const;

    Dialog* GetDialog() const { return dialog_; }
    int TemplateId() const { return templateId_; }
    HeadlessWindow* Parent() const { return parent_; }
    int HostId() const { return hostId_; }
    std::vector<HeadlessWindow*> Children() const;
    // Takes ownership of a page made inside this window; it goes when this window goes.
    HeadlessWindow& Adopt(std::unique_ptr<HeadlessWindow> child);
    // A window of its own beside its owner's, shown by ShowModeless: EndDialog closes it.
    void MakeModeless(HeadlessWindow* owner) {
        modelessOwner_ = owner;
        modeless_ = true;
    }
    bool IsModeless() const { return modeless_; }
    HeadlessWindow* ModelessOwner() const { return modelessOwner_; }
    bool Ended() const { return ended_; }
    int EndCode() const { return endCode_; }
    int IconId() const { return iconId_; }
    const std::vector<std::pair<std::string, int>>& SystemMenuEntries() const {
        return systemMenu_;
    }
    bool IsSystemMenuEnabled(int command) const { return greyedMenu_.count(command) == 0; }
    size_t TextLimit(int id) const;
    bool HasControl(int id) const { return controls_.count(id) != 0; }
    // A progress bar's range (0 for any other control).
    int ProgressRange(int id) const;

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
    Rect WindowRect() const override { return rect_; }
    void ShowWindow(bool visible) override { visible_ = visible; }
    bool IsWindowVisible() const override { return visible_; }
    std::string Title() const override { return title_; }
    void SetIcon(int iconId) override { iconId_ = iconId; }
    bool AppendSystemMenu(std::string_view text, int command, bool separatorBefore) override;
    bool EnableSystemMenu(int command, bool enabled) override;
    void SetTimer(uint32_t intervalMs) override { timerMs_ = intervalMs; }
    uint32_t TimerInterval() const { return timerMs_; }
    // One tick of the timer, as if its interval had passed; false when none runs.
    bool FireTimer();
    void EndDialog(int code) override;
    void DialogDestroyed() override;

  private:
    struct Entry {
        std::string text;
        intptr_t data = 0;
    };
    struct Control {
        const ControlTemplate* source = nullptr;
        std::string text;
        bool checked = false;
        bool visible = true;
        bool enabled = true;
        size_t limit = 0;  // 0: no limit
        std::vector<Entry> entries;
        int selection = -1;
        int dropWidth = 0;  // pixels; the box's own width when smaller
        std::vector<std::string> tabs;
        int position = 0;  // a progress bar's
        int range = 100;
        std::vector<std::string> lines;  // a list box's
    };

    Control* Find(int id, ControlKind kind);
    const Control* Find(int id, ControlKind kind) const;
    Control* Find(int id);
    const Control* Find(int id) const;
    bool Command(int id);
    int Pixels(int dialogUnits) const;
    void ClearRadioGroupOf(int id);

    HeadlessToolkit& toolkit_;
    Dialog* dialog_;
    HeadlessWindow* parent_;
    int hostId_;
    int templateId_;
    int dpi_;
    std::string title_;
    std::map<int, Control> controls_;
    std::vector<std::unique_ptr<HeadlessWindow>> children_;
    std::vector<std::pair<std::string, int>> systemMenu_;
    std::set<int> greyedMenu_;
    HeadlessWindow* modelessOwner_ = nullptr;
    bool modeless_ = false;
    uint32_t timerMs_ = 0;
    Rect rect_;
    bool visible_ = true;
    bool windowEnabled_ = true;
    int iconId_ = 0;
    bool ended_ = false;
    int endCode_ = 0;
};

}  // namespace kd::ui::headless
