#include "framework/host/qt/WindowFrame.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

#include "framework/host/qt/MenuBuilder.h"

namespace fw::qt {

WindowFrame::WindowFrame(QWidget* parent, bool child)
    : QWidget(parent, child ? Qt::Widget : Qt::Window | Qt::Dialog), child_(child), client_(new QWidget(this)) {
    client_->show();
}

QMenuBar& WindowFrame::EnsureMenuBar() {
    if (menuBar_ == nullptr) {
        menuBar_ = new QMenuBar(this);
        menuBar_->setNativeMenuBar(false);
        menuBar_->show();
    }
    return *menuBar_;
}

void WindowFrame::MenuBarChanged() { SetClientRect(placed_); }

void WindowFrame::RemoveMenuBar() {
    delete menuBar_;
    menuBar_ = nullptr;
    SetClientRect(placed_);
}

int WindowFrame::MenuHeight() const { return menuBar_ != nullptr ? menuBar_->sizeHint().height() : 0; }

void WindowFrame::SetClientRect(const QRect& rect) {
    placed_ = rect;
    const int menu = MenuHeight();
    const QRect outer(rect.x(), rect.y() - menu, rect.width(), rect.height() + menu);
    // The model keeps the client area; the menu bar sits above it, as the platform's non-client menu does.
    if (fixed_ && !child_) setFixedSize(outer.size());
    setGeometry(outer);
    LayoutChildren();
}

void WindowFrame::SetFixedSize(bool fixed) {
    fixed_ = fixed;
    if (fixed_ && !child_ && placed_.isValid()) setFixedSize(placed_.width(), placed_.height() + MenuHeight());
}

QRect WindowFrame::ClientRectOnScreen() const { return QRect(client_->mapToGlobal(QPoint(0, 0)), client_->size()); }

void WindowFrame::LayoutChildren() {
    const int menu = MenuHeight();
    if (menuBar_ != nullptr) menuBar_->setGeometry(0, 0, width(), menu);
    client_->setGeometry(0, menu, width(), std::max(0, height() - menu));
}

void WindowFrame::keyPressEvent(QKeyEvent* event) {
    // Child windows (tab pages) leave Enter and Esc to the dialog they sit in.
    if (!child_ && onKey && event->modifiers() == Qt::NoModifier) {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                onKey(Key::Enter);
                return;
            case Qt::Key_Escape:
                onKey(Key::Escape);
                return;
            default:
                break;
        }
    }
    QWidget::keyPressEvent(event);
}

void WindowFrame::closeEvent(QCloseEvent* event) {
    // Closing is the model's decision (OnClose, OnCancel); it destroys the window when it agrees.
    event->ignore();
    if (onClose) onClose();
}

void WindowFrame::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    ReportGeometry();
}

void WindowFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutChildren();
    ReportGeometry();
}

void WindowFrame::ReportGeometry() {
    if (child_ || !onMoved || !isVisible()) return;
    const QRect outer = geometry();
    const QRect now(outer.x(), outer.y() + MenuHeight(), outer.width(), outer.height() - MenuHeight());
    if (now != placed_) {
        placed_ = now;
        onMoved(now);
    }
}

void WindowFrame::contextMenuEvent(QContextMenuEvent* event) {
    if (systemMenuItems.empty() || !onSystemCommand) {
        QWidget::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    FillMenu(menu, systemMenuItems, [this](int id) {
        if (onSystemCommand) onSystemCommand(id);
    });
    menu.exec(event->globalPos());
}

}  // namespace fw::qt
