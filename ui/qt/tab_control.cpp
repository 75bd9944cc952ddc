#include "ui/qt/tab_control.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <algorithm>

namespace kd::ui::qt {

namespace {

// The tabs start this far in from the control's left edge, as on Windows.
constexpr int kBarIndent = 2;
// Space between the frame and the pages, on top of the frame's own width.
constexpr int kPagePadding = 2;

}  // namespace

TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
    bar_->setExpanding(false);
    bar_->setDrawBase(false);
    bar_->setUsesScrollButtons(true);
    connect(bar_, &QTabBar::currentChanged, this, [this] {
        if (!programChange_ && onUserChange_) {
            onUserChange_();
        }
    });
}

void TabControl::Insert(int index, const QString& text) {
    programChange_ = true;
    bar_->insertTab(std::clamp(index, 0, bar_->count()), text);
    programChange_ = false;
    resizeEvent(nullptr);
    update();
}

void TabControl::Select(int index) {
    if (index < 0 || index >= bar_->count()) {
        return;
    }
    programChange_ = true;
    bar_->setCurrentIndex(index);
    programChange_ = false;
}

int TabControl::RowHeight() const {
    // An empty bar hints no height; its first tab will need about one line and padding.
    const int hinted = bar_->sizeHint().height();
    return hinted > 0 ? hinted : bar_->fontMetrics().height() + 8;
}

QRect TabControl::FrameRect() const {
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    const int top = std::max(0, RowHeight() - overlap);
    return {0, top, width(), std::max(0, height() - top)};
}

QRect TabControl::DisplayArea() const {
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int inset = std::max(frame, 1) + kPagePadding;
    const QRect area(inset, RowHeight() + kPagePadding, width() - 2 * inset,
                     height() - RowHeight() - kPagePadding - inset);
    return area.isValid() ? area : QRect();
}

void TabControl::resizeEvent(QResizeEvent* /*event*/) {
    bar_->setGeometry(kBarIndent, 0, std::max(0, width() - 2 * kBarIndent), RowHeight());
}

void TabControl::paintEvent(QPaintEvent* /*event*/) {
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = FrameRect();
    frame.shape = QTabBar::RoundedNorth;
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    frame.tabBarSize = bar_->sizeHint();
    frame.tabBarRect = QRect(kBarIndent, 0, bar_->sizeHint().width(), RowHeight());
    frame.selectedTabRect = bar_->tabRect(bar_->currentIndex()).translated(kBarIndent, 0);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

}  // namespace kd::ui::qt
