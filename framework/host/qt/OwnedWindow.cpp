#include "framework/host/qt/OwnedWindow.h"

#include <QWidget>
#include <QWindow>

namespace fw::qt {

void SetOwnerWindow(QWidget& window, QWidget* owner) {
    if (owner == nullptr) return;
    QWidget* ownerWindow = owner->window();
    // Native windows are created on demand; the link needs both.
    window.winId();
    ownerWindow->winId();
    if (window.windowHandle() != nullptr && ownerWindow->windowHandle() != nullptr) {
        window.windowHandle()->setTransientParent(ownerWindow->windowHandle());
    }
}

}  // namespace fw::qt
