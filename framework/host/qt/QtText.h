// fw::Text and QString are both UTF-16, so crossing between them copies code units without any conversion.
#pragma once

#include <QString>

#include "framework/Text.h"

namespace fw::qt {

inline QString ToQString(TextView text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

inline Text FromQString(const QString& text) { return text.toStdU16String(); }

}  // namespace fw::qt
