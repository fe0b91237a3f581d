#include "tests/framework/host/qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTimer>

namespace fw::qt::testing {

QString PictureFolder() {
    const QString folder = QStringLiteral(QX_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    return folder;
}

void WhenModal(std::function<bool(QWidget&)> matches, std::function<void(QWidget&)> answer) {
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, matches, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || !matches(*modal)) return;
        poll->stop();
        poll->deleteLater();
        answer(*modal);
    });
    poll->start(10);
}

void WhenModalShows(std::function<void(QWidget&)> answer) {
    WhenModal([](QWidget&) { return true; }, std::move(answer));
}

void ExpectTextsFitAndNothingOverlaps(QWidget& parent) {
    std::vector<QWidget*> shown;
    for (QWidget* w : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isVisible()) continue;
        shown.push_back(w);
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
        if (text.isEmpty()) continue;
        EXPECT_LE(w->fontMetrics().horizontalAdvance(text), w->width()) << text.toStdString() << " is cut off";
    }
    for (size_t i = 0; i < shown.size(); ++i) {
        for (size_t j = i + 1; j < shown.size(); ++j) {
            EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                << shown[i]->metaObject()->className() << " and " << shown[j]->metaObject()->className();
        }
    }
}

QAbstractButton* ButtonWithText(QWidget& root, const QString& text) {
    for (QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
        if (button->text() == text && button->isVisible()) return button;
    }
    return nullptr;
}

}  // namespace fw::qt::testing

// Qt is not built with ThreadSanitizer: its thread pool (image conversion, font loading, file-dialog listing)
// hands memory between threads through synchronisation the sanitizer cannot see, so the allocations Qt makes
// itself are left out of the analysis. Races in our own code, the host's cross-thread queue among them, are still
// reported.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n";
}

int main(int argc, char** argv) {
    // CTest lists the tests by running this program outside the tests' environment; it never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
