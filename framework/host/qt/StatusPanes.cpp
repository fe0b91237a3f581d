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
    QLabel* pane = Pane(index);
    if (pane == nullptr || pane->text() == text) return;
    pane->setText(text);
    Layout();  // a longer count may need a wider pane
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
    const std::vector<int> widths = PaneWidths();
    int x = kGap;
    for (size_t i = 0; i < panes_.size(); ++i) {
        panes_[i]->setGeometry(x, kGap, widths[i], std::max(0, height() - 2 * kGap));
        x += widths[i] + kGap;
    }
}

// The stretching panes take what the fixed ones leave. A fixed pane grows to show its whole text; when the bar is
// too narrow for the fixed panes, the stretching ones give way first, then the fixed ones shrink towards their
// text, each in proportion to what it has to spare.
std::vector<int> StatusPanes::PaneWidths() const {
    const size_t count = std::min(panes_.size(), widths_.size());
    std::vector<int> widths(panes_.size(), 0);
    std::vector<int> needed(count, 0);
    int wanted = 0;
    int stretching = 0;
    for (size_t i = 0; i < count; ++i) {
        if (widths_[i] < 0) {
            ++stretching;
            continue;
        }
        needed[i] = panes_[i]->sizeHint().width();
        widths[i] = std::max(widths_[i], needed[i]);
        wanted += widths[i];
    }
    const int room = std::max(0, width() - kGap * static_cast<int>(panes_.size() + 1));
    if (wanted <= room) {
        for (size_t i = 0; i < count; ++i)
            if (widths_[i] < 0) widths[i] = (room - wanted) / std::max(1, stretching);
        return widths;
    }
    int spare = 0;
    for (size_t i = 0; i < count; ++i)
        spare += widths[i] - needed[i];
    const int cut = std::min(spare, wanted - room);
    int taken = 0;
    int spareSeen = 0;
    for (size_t i = 0; i < count && spare > 0; ++i) {
        // Cumulative rounding, so that the cuts add up to exactly `cut`.
        spareSeen += widths[i] - needed[i];
        const int upTo = static_cast<int>(static_cast<long long>(cut) * spareSeen / spare);
        widths[i] -= upTo - taken;
        taken = upTo;
    }
    return widths;
}

}  // namespace fw::qt
