#include "framework/host/qt/StatusPanes.h"

#include <QLabel>
#include <algorithm>

namespace fw::qt {
namespace {
constexpr int kGap = 2;
}

StatusPanes::StatusPanes(QWidget* parent) : QFrame(parent) { SetPanes({-1}); }

void StatusPanes::SetPanes(const std::vector<int>& widths) {
    while (panes_.size() > widths.size()) {
        delete panes_.back();
        panes_.pop_back();
    }
    while (panes_.size() < widths.size()) {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->show();
        panes_.push_back(label);
    }
    widths_ = widths;
    Layout();
}

void StatusPanes::SetPaneText(int index, const QString& text) {
    if (QLabel* pane = Pane(index)) pane->setText(text);
}

QString StatusPanes::PaneText(int index) const {
    const QLabel* pane = Pane(index);
    return pane ? pane->text() : QString();
}

QLabel* StatusPanes::Pane(int index) const {
    if (index < 0 || index >= PaneCount()) return nullptr;
    return panes_[static_cast<size_t>(index)];
}

int StatusPanes::PreferredHeight() const { return fontMetrics().height() + 8; }

void StatusPanes::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Layout();
}

void StatusPanes::Layout() {
    int fixed = 0;
    int stretching = 0;
    for (int w : widths_) {
        if (w < 0) {
            ++stretching;
        } else {
            fixed += w;
        }
    }
    const int gaps = kGap * static_cast<int>(widths_.size() + 1);
    const int spare = std::max(0, width() - fixed - gaps);
    int x = kGap;
    for (size_t i = 0; i < panes_.size(); ++i) {
        const int w = widths_[i] < 0 ? spare / std::max(1, stretching) : widths_[i];
        panes_[i]->setGeometry(x, kGap, w, std::max(0, height() - 2 * kGap));
        x += w + kGap;
    }
}

}  // namespace fw::qt
