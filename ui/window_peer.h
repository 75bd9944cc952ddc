#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kd::ui {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The window behind a Dialog, as a back end provides it. Every control is addressed by
// its template id; texts are UTF-8. A call naming a control the window does not have
// does nothing and reads as empty, unchecked, hidden and disabled.
class WindowPeer {
  public:
    virtual ~WindowPeer() = default;

    // Check boxes and radio buttons.
    virtual void SetChecked(int id, bool checked) = 0;
    virtual bool IsChecked(int id) const = 0;

    // Any control's text: captions, edit fields, labels, a combo box's edit field.
    virtual void SetText(int id, std::string_view text) = 0;
    virtual std::string GetText(int id) const = 0;
    // Longest text that the user can type into an edit field or combo box, in characters
    // as the Windows controls count them (UTF-16 units).
    virtual void SetTextLimit(int id, size_t characters) = 0;

    virtual void SetVisible(int id, bool visible) = 0;
    virtual bool IsVisible(int id) const = 0;
    virtual void SetEnabled(int id, bool enabled) = 0;
    virtual bool IsEnabled(int id) const = 0;

    // Combo boxes. Indices count from 0; -1 means no entry.
    virtual void ComboClear(int id) = 0;
    // Returns the index the entry got (its sorted place in a sorted box).
    virtual int ComboAdd(int id, std::string_view text) = 0;
    virtual int ComboCount(int id) const = 0;
    virtual std::string ComboItemText(int id, int index) const = 0;
    virtual void ComboSetItemData(int id, int index, intptr_t data) = 0;
    virtual intptr_t ComboItemData(int id, int index) const = 0;
    virtual void ComboSelect(int id, int index) = 0;
    virtual int ComboSelection(int id) const = 0;
    // Makes the drop-down list as wide as its longest entry needs, measured with the
    // control's font, and never narrower than the box; the box itself keeps its size.
    // Fits the entries there are now: call again after changing them.
    virtual void ComboFitDropWidth(int id) = 0;
    // How wide the drop-down list opens, in pixels: at least the box's width.
    virtual int ComboDropWidth(int id) const = 0;

    // Tab controls.
    virtual void TabInsert(int id, int index, std::string_view text) = 0;
    virtual int TabCount(int id) const = 0;
    virtual std::string TabText(int id, int index) const = 0;
    virtual void TabSelect(int id, int index) = 0;
    virtual int TabSelection(int id) const = 0;
    // The tab control's client area in pixels, in its own coordinates.
    virtual Rect TabClientRect(int id) const = 0;
    // Where the tab control's pages go, in the same coordinates: below its row of tabs and
    // inside its frame, as the control works it out for its font and the screen's DPI.
    virtual Rect TabDisplayArea(int id) const = 0;

    // Progress bars: position of range, each kept within [0, range].
    virtual void SetProgress(int id, int position, int range) = 0;
    virtual int ProgressPosition(int id) const = 0;
    // List boxes. Indices count from 0. A line added is scrolled into view.
    virtual int ListAdd(int id, std::string_view text) = 0;
    virtual void ListRemove(int id, int index) = 0;
    virtual int ListCount(int id) const = 0;
    virtual std::string ListItemText(int id, int index) const = 0;

    // The window itself.
    virtual void MoveWindow(const Rect& pixels) = 0;
    virtual Rect WindowRect() const = 0;  // relative to its parent, in pixels
    virtual void ShowWindow(bool visible) = 0;
    virtual bool IsWindowVisible() const = 0;
    virtual std::string Title() const = 0;
    // Large and small icon of the window, painted in its client area while minimised.
    virtual void SetIcon(int iconId) = 0;
    // Appends an entry to the system menu, after a separator when asked; false when there
    // is none. An entry starts enabled.
    virtual bool AppendSystemMenu(std::string_view text, int command, bool separatorBefore) = 0;
    // Greys an entry out or lets it be chosen again; false when the menu has no such entry.
    virtual bool EnableSystemMenu(int command, bool enabled) = 0;
    // Calls the dialog's OnTimer every intervalMs while the window exists, also while a
    // modal dialog or box is open over it; 0 stops the calls.
    virtual void SetTimer(uint32_t intervalMs) = 0;
    // Ends a modal run with this code (a child page ignores it).
    virtual void EndDialog(int code) = 0;
    // The dialog object is being destroyed while its window still exists: the window
    // must go and must not call it again.
    virtual void DialogDestroyed() = 0;
};

}  // namespace kd::ui
