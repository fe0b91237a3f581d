#include "framework/host/qt/DialogFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace fw::qt {
namespace {

constexpr int kDefaultPointSize = 9;

}  // namespace

QString CjkFallbackFamily() { return QStringLiteral("WenQuanYi Micro Hei"); }

QString ResolveFace(const QString& face) {
    // Asking the font database is slow and the log asks for every line; faces are few, so remember the answers.
    static QMutex mutex;
    static QHash<QString, QString> resolved;
    QMutexLocker lock(&mutex);
    const auto it = resolved.constFind(face);
    if (it != resolved.constEnd()) return *it;
    const QString answer = !face.isEmpty() && QFontDatabase::hasFamily(face) ? face : CjkFallbackFamily();
    resolved.insert(face, answer);
    return answer;
}

QFont DialogFont(const QString& face, int pointSize) {
    QFont font(ResolveFace(face));
    font.setPointSize(pointSize > 0 ? pointSize : kDefaultPointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // The average over both alphabets, rounded to whole pixels the way the platform computes its base units.
    const int width = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
    return DialogBaseUnits{width, metrics.height()};
}

}  // namespace fw::qt
