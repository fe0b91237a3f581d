// Dialog fonts and their base units. A template positions controls in dialog units, which the template's FONT
// turns into pixels: a horizontal unit is a quarter of the font's average character width, a vertical unit an
// eighth of its character height. The host measures the font; the model does the arithmetic.
#pragma once

#include <QFont>
#include <QString>

namespace fw::qt {

// The family used when a template or log asks for a face the machine does not have; it covers Chinese.
QString CjkFallbackFamily();

// A face that exists here: `face` when installed, the CJK-capable fallback otherwise (Windows faces like "宋体" or
// "MS Shell Dlg" are not installed on Linux, and a substitute without Chinese glyphs would draw boxes).
QString ResolveFace(const QString& face);

// The font a template's FONT statement names; an empty face or size 0 gives the fallback face at 9 points.
QFont DialogFont(const QString& face, int pointSize);

struct DialogBaseUnits {
    int x = 0;  // average character width in pixels: 4 horizontal dialog units
    int y = 0;  // character height in pixels: 8 vertical dialog units
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

}  // namespace fw::qt
