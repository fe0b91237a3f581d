// Helpers of the Qt host tests. The tests bring their own main: the QApplication must outlive every test and be
// gone before the C++ runtime tears down Qt's globals.
#pragma once

#include <QString>
#include <functional>

class QAbstractButton;
class QWidget;

namespace fw::qt::testing {

// A folder under the build tree for pictures the tests save, created on demand.
QString PictureFolder();

// Runs `answer` once a visible modal window for which `matches` holds is up; the call that shows it blocks in its
// own loop, so the answer comes from a timer of that loop.
void WhenModal(std::function<bool(QWidget&)> matches, std::function<void(QWidget&)> answer);
void WhenModalShows(std::function<void(QWidget&)> answer);

// The checks a person makes looking at a drawn dialog, over the visible direct children of `parent`: every label's
// and button's text fits its width, and no two of them cover each other.
void ExpectTextsFitAndNothingOverlaps(QWidget& parent);

// The visible button under `root` whose text is `text`, nullptr when there is none.
QAbstractButton* ButtonWithText(QWidget& root, const QString& text);

}  // namespace fw::qt::testing
