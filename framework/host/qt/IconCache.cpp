#include "framework/host/qt/IconCache.h"

#include <QBuffer>
#include <QByteArray>
#include <QHash>
#include <QImageReader>
#include <QPixmap>

#include "framework/Resources.h"

namespace fw::qt {
namespace {

// An ICO file holds several sizes; all of them go into the icon so each place draws the closest one.
QIcon Decode(std::string_view bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QIcon icon;
    for (int i = 0; i < 64; ++i) {
        const QImage image = reader.read();
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
        if (!reader.jumpToNextImage()) break;
    }
    return icon;
}

}  // namespace

QIcon IconForResource(int id) {
    // Only the user-interface thread draws, so the cache needs no lock.
    static QHash<int, QIcon> cache;
    const auto it = cache.constFind(id);
    if (it != cache.constEnd()) return *it;
    QIcon icon;
    if (const std::optional<std::string_view> bytes = IconBytes(id)) icon = Decode(*bytes);
    cache.insert(id, icon);
    return icon;
}

}  // namespace fw::qt
