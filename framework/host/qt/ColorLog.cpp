#include "framework/host/qt/ColorLog.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "framework/host/qt/DialogFont.h"

namespace fw::qt {
namespace {

QString WithUnixBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

ColorLog::ColorLog(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setFont(DialogFont(QString(), 0));
}

QTextCharFormat ColorLog::FormatOf(const LogLine& line) const {
    QTextCharFormat format;
    format.setForeground(line.colour.isValid() ? line.colour : QColor(Qt::black));
    format.setFontFamilies({ResolveFace(line.face)});
    if (line.heightTwips > 0) format.setFontPointSize(line.heightTwips / 20.0);
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    return format;
}

void ColorLog::Insert(QTextCursor& cursor, const LogLine& line) {
    const QTextCharFormat format = FormatOf(line);
    cursor.insertText(WithUnixBreaks(line.text), format);
    cursor.insertBlock(QTextBlockFormat(), format);
}

void ColorLog::AppendLine(const LogLine& line) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    Insert(cursor, line);
    ScrollToEnd();
}

void ColorLog::AppendLines(const std::vector<LogLine>& lines) {
    if (lines.empty()) return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (const LogLine& line : lines) Insert(cursor, line);
    cursor.endEditBlock();
    ScrollToEnd();
}

void ColorLog::Clear() { clear(); }

int ColorLog::LineCount() const { return document()->blockCount(); }

void ColorLog::ScrollToEnd() {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

}  // namespace fw::qt
