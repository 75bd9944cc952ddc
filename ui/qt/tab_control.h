#pragma once

#include <QRect>
#include <QTabBar>
#include <QWidget>
#include <functional>

namespace kd::ui::qt {

// A row of tabs over a frame, like the Windows tab control: it shows no pages by itself.
// The pages are its children, placed in DisplayArea and shown by the dialog that owns it.
class TabControl final : public QWidget {
  public:
    explicit TabControl(QWidget* parent);

    QTabBar& Bar() const { return *bar_; }
    // Runs when the user picks another tab; not when the program selects one.
    void OnUserChange(std::function<void()> handler) { onUserChange_ = std::move(handler); }
    void Insert(int index, const QString& text);
    void Select(int index);
    // Below the row of tabs and inside the frame, in the control's own coordinates.
    QRect DisplayArea() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    int RowHeight() const;
    QRect FrameRect() const;

    QTabBar* bar_;
    std::function<void()> onUserChange_;
    bool programChange_ = false;
};

}  // namespace kd::ui::qt
