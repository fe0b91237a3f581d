// The Qt tests bring their own main: the QApplication must outlive every test and be gone before the C++ runtime
// tears down Qt's globals.
#pragma once

#include <QString>

namespace fw::qt::testing {

// A folder under the build tree for pictures the tests save, created on demand.
QString PictureFolder();

}  // namespace fw::qt::testing
