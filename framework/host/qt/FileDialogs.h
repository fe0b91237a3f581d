// Open, save and folder dialogs for the model's requests.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "framework/Host.h"

class QWidget;

namespace fw::qt {

// One Qt name filter per filter: "label (pattern pattern)". A pattern list already written at the end of the
// label is replaced, and "*.*" becomes "*", which on Linux also matches names without a dot.
QStringList NameFilters(const std::vector<FileFilter>& filters);

// Shows the dialog modally over `owner` (may be null). An empty initial folder is the working directory.
FileDialogResult RunFileDialog(const FileDialogRequest& request, QWidget* owner);

}  // namespace fw::qt
