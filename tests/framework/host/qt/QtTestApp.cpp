#include "tests/framework/host/qt/QtTestApp.h"

#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

namespace fw::qt::testing {

QString PictureFolder() {
    const QString folder = QStringLiteral(QX_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    return folder;
}

}  // namespace fw::qt::testing

int main(int argc, char** argv) {
    // CTest lists the tests by running this program outside the tests' environment; it never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
