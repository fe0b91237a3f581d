#include "framework/host/qt/TabControl.h"

namespace fw::qt {
TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)), frame_(new QFrame(this)) {
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    bar_->setUsesScrollButtons(true);
    frame_->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    frame_->lower();
}

void TabControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The model puts pages a character height plus 6 pixels below the top; the strip takes exactly that.
    const int barHeight = fontMetrics().height() + 6;
    bar_->setGeometry(0, 0, width(), barHeight);
    frame_->setGeometry(0, barHeight - 1, width(), height() - barHeight + 1);
}

}  // namespace fw::qt
