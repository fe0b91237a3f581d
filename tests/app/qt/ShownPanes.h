// What a person reads in a window's status bar: each pane's text as far as it is drawn inside both the pane and
// the window, taken from the Qt widgets rather than from the model, which knows nothing of fonts or clipping.
#pragma once

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <vector>

#include "framework/host/qt/QtHost.h"
#include "framework/host/qt/StatusPanes.h"

// The part of the label's inside that its ancestors leave uncovered, in the label's own coordinates.
inline QRect UnclippedContents(const QWidget& label) {
    QRect area = label.contentsRect();
    QPoint offset;
    for (const QWidget* w = &label; !w->isWindow() && w->parentWidget() != nullptr; w = w->parentWidget()) {
        offset += w->pos();
        area = area.intersected(w->parentWidget()->rect().translated(-offset));
    }
    return area;
}

// The leading characters a plain-text label draws inside what is left of it; a label shows its text from the left,
// a pane cut by the window's edge loses the end of it.
inline QString ShownLabelText(const QLabel& label) {
    const QRect area = UnclippedContents(label);
    const QRect inside = label.contentsRect();
    if (area.isEmpty() || area.left() > inside.left()) return {};
    const QFontMetrics metrics(label.font());
    const int indent =
        label.indent() >= 0 ? label.indent() : (label.frameWidth() > 0 ? metrics.horizontalAdvance('x') / 2 : 0);
    const int room = area.right() + 1 - inside.left() - indent - label.margin();
    const QString text = label.text();
    int shown = static_cast<int>(text.size());
    while (shown > 0 && metrics.horizontalAdvance(text.left(shown)) > room)
        --shown;
    return text.left(shown);
}

struct ShownPane {
    QString text;   // what the pane holds
    QString shown;  // what of it is drawn
};

// Every pane of the window's status bar (control id 0xE801), as it is drawn.
inline std::vector<ShownPane> ShownPanes(const fw::qt::QtHost& host, const fw::Window& window) {
    std::vector<ShownPane> panes;
    const auto* bar =
        dynamic_cast<fw::qt::StatusPanes*>(host.ControlWidget(window.Handle(), window.GetDlgItem(0xE801).Index()));
    if (bar == nullptr) return panes;
    for (int i = 0; i < bar->PaneCount(); ++i)
        panes.push_back({bar->Pane(i)->text(), ShownLabelText(*bar->Pane(i))});
    return panes;
}

// The counts and the clock are what a production line reads: every pane but the notice is drawn whole.
inline void ExpectCountsAndClockWhole(const std::vector<ShownPane>& panes) {
    ASSERT_EQ(panes.size(), 5u);
    for (size_t i = 1; i < panes.size(); ++i)
        EXPECT_EQ(panes[i].shown.toStdString(), panes[i].text.toStdString()) << "pane " << i;
}
