// The widget of one model window: a top-level window (menu bar over a client area) or a child window drawn
// inside its parent (a tab page). It turns the window-level input of Qt into calls the host forwards to the model.
#pragma once

#include <QRect>
#include <QWidget>
#include <functional>
#include <vector>

#include "framework/Host.h"

class QMenuBar;

namespace fw::qt {

class WindowFrame : public QWidget {
public:
    WindowFrame(QWidget* parent, bool child);

    QWidget& Client() { return *client_; }
    const QWidget& Client() const { return *client_; }
    QWidget* ClientWidget() { return client_; }
    QMenuBar* MenuBar() { return menuBar_; }
    QMenuBar& EnsureMenuBar();
    // The bar's items changed, and with them perhaps its height: the client area keeps its place.
    void MenuBarChanged();
    void RemoveMenuBar();

    // Places the client area: on the screen for top-level windows, in the parent's client area for child ones.
    void SetClientRect(const QRect& rect);
    // A fixed-size window keeps the size the model gives it; the user cannot resize it.
    void SetFixedSize(bool fixed);
    QRect ClientRectOnScreen() const;

    std::function<void(Key)> onKey;
    std::function<void()> onClose;
    std::function<void(const QRect&)> onMoved;  // the client area on the screen, after the user moved or resized
    std::function<void(int)> onSystemCommand;   // an item the program added to the system menu
    // Qt cannot reach the window manager's system menu, so the program's items open on a right click instead.
    std::vector<MenuItem> systemMenuItems;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int MenuHeight() const;
    void LayoutChildren();
    void ReportGeometry();

    bool child_;
    bool fixed_ = false;
    QWidget* client_;
    QMenuBar* menuBar_ = nullptr;
    QRect placed_;  // the last client rectangle the model asked for
};

}  // namespace fw::qt
