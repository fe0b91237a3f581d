// Saves what a window shows as a PNG picture: screenshots of dialogs in tests and for bug reports.
#pragma once

#include <QString>

class QWidget;

namespace fw::qt {

// Renders the widget with its children (no window frame) and writes the picture whole or not at all.
// Answers false when the widget cannot be rendered or the file cannot be written.
bool SaveWindowPng(QWidget& window, const QString& path);

}  // namespace fw::qt
