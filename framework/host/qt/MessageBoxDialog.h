// The host's message box: the platform's buttons for a style, in its order, with labels a caller may replace.
#pragma once

#include <QString>

#include "framework/Host.h"

class QWidget;

namespace fw::qt {

// The label a button shows when the caller sets none, in the language windows are built in.
QString StandardButtonLabel(int buttonId, bool english);

// Shows the box modally over `owner` (may be null) and answers the pressed button's id, or
// MessageBoxCloseAnswer(style) when the box was closed with Esc or its close button.
int RunMessageBox(const MessageBoxRequest& request, QWidget* owner, bool english);

}  // namespace fw::qt
