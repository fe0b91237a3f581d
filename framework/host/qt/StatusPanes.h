// The status bar: a row of text panes along the bottom of a window. Panes have fixed pixel widths, and a pane
// given a negative width takes what the others leave; a fixed pane is widened to show its whole text.
#pragma once

#include <QFrame>
#include <QString>
#include <vector>

class QLabel;

namespace fw::qt {

class StatusPanes : public QFrame {
public:
    explicit StatusPanes(QWidget* parent = nullptr);

    void SetPanes(const std::vector<int>& widths);
    void SetPaneText(int index, const QString& text);
    int PaneCount() const { return static_cast<int>(panes_.size()); }
    QString PaneText(int index) const;
    QLabel* Pane(int index) const;

    int PreferredHeight() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
    std::vector<int> PaneWidths() const;

    std::vector<QLabel*> panes_;
    std::vector<int> widths_;
};

}  // namespace fw::qt
