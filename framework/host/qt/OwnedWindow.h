// Owned windows: a dialog or box stays above its owner without being the owner's child widget. A Qt child
// window would be disabled together with its owner, and the model disables the owner of every modal dialog,
// which would leave the dialog itself dead.
#pragma once

class QWidget;

namespace fw::qt {

// Makes `window` (a top-level widget without parent) stay above `owner`; nothing when owner is null.
void SetOwnerWindow(QWidget& window, QWidget* owner);

}  // namespace fw::qt
