#include "framework/host/qt/TabControl.h"

namespace fw::qt {
namespace {
constexpr int kPageMargin = 2;
}

TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)), frame_(new QFrame(this)) {
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    bar_->setUsesScrollButtons(true);
    frame_->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    frame_->lower();
}

QRect TabControl::PageArea() const {
    const QRect inside = frame_->geometry();
    return inside.adjusted(kPageMargin, kPageMargin, -kPageMargin, -kPageMargin);
}

void TabControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int barHeight = bar_->sizeHint().height();
    bar_->setGeometry(0, 0, width(), barHeight);
    frame_->setGeometry(0, barHeight - 1, width(), height() - barHeight + 1);
}

}  // namespace fw::qt
