#include "framework/host/qt/WindowImage.h"

#include <QImage>
#include <QPixmap>
#include <QSaveFile>
#include <QWidget>

namespace fw::qt {

bool SaveWindowPng(QWidget& window, const QString& path) {
    const QImage image = window.grab().toImage();
    if (image.isNull()) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!image.save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace fw::qt
