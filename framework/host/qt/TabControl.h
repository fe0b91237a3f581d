// The tab control: a strip of tabs over a framed display area. As on the platform it holds no pages itself; the
// pages are child dialogs that the program places over the display area and shows or hides on a selection change.
#pragma once

#include <QFrame>
#include <QTabBar>

namespace fw::qt {

class TabControl : public QWidget {
public:
    explicit TabControl(QWidget* parent = nullptr);

    QTabBar& Bar() { return *bar_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QTabBar* bar_;
    QFrame* frame_;
};

}  // namespace fw::qt
