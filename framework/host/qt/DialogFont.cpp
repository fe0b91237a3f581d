#include "framework/host/qt/DialogFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <cstdint>

namespace fw::qt {
namespace {

constexpr int kDefaultPointSize = 9;

// Rounds half away from zero, as the platform's MulDiv does.
int MulDiv(int value, int numerator, int denominator) {
    const int64_t product = static_cast<int64_t>(value) * numerator;
    const int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

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

int DialogXToPixels(const DialogBaseUnits& units, int x) { return MulDiv(x, units.x, 4); }
int DialogYToPixels(const DialogBaseUnits& units, int y) { return MulDiv(y, units.y, 8); }

QRect DialogRectToPixels(const DialogBaseUnits& units, int x, int y, int cx, int cy) {
    // Edges are converted rather than sizes, so two controls that touch in dialog units touch in pixels too.
    const int left = DialogXToPixels(units, x);
    const int top = DialogYToPixels(units, y);
    const int right = DialogXToPixels(units, x + cx);
    const int bottom = DialogYToPixels(units, y + cy);
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace fw::qt
