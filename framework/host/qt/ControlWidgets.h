// The Qt widget that draws a control of the model, chosen from its kind and style bits the way the platform's
// control classes read them.
#pragma once

#include <QString>

#include "framework/Host.h"

class QWidget;

namespace fw::qt {

// Creates the widget with what the style bits decide once and for all (multi-line edit or not, orientation,
// selection mode, editable combo, tri-state). Everything the program can change later is mirrored by
// SyncControl. Check boxes and radio buttons do not change themselves on a click: the model decides, as it does
// for the headless host.
QWidget* CreateControlWidget(const ControlState& control, QWidget* parent);

// Brings the widget in line with `now`. `before` is what was applied last (nullptr the first time); parts that
// did not change are left alone, so a user's caret, scroll position and open popups survive unrelated changes.
void SyncControl(QWidget& widget, const ControlState& now, const ControlState* before);
// A list view's items from row `first` on become `tail`; the rows before stay as drawn.
void SyncListRowsFrom(QWidget& widget, std::vector<ListRow>&& tail, int first);
// How many rows a list view shows (0 for any other widget).
int ListRowCount(const QWidget& widget);

// The platform marks mnemonics with '&' and writes a literal ampersand as "&&"; labels show neither marker.
QString WithoutMnemonics(const QString& text);

// Whether a multi-line edit draws the control (an "Edit" with ES_MULTILINE).
bool IsMultiLineEdit(const ControlState& control);

}  // namespace fw::qt
