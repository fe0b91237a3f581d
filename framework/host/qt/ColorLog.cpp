#include "framework/host/qt/ColorLog.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "framework/host/qt/DialogFont.h"
#include "framework/host/qt/QtText.h"

namespace fw::qt {
namespace {

QTextCharFormat FormatOf(const LogLine& line) {
    QTextCharFormat format;
    format.setForeground(QColor(line.color.r, line.color.g, line.color.b));
    format.setFontFamilies({ResolveFace(ToQString(line.face))});
    if (line.heightTwips > 0) format.setFontPointSize(line.heightTwips / 20.0);
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    return format;
}

// A paragraph never holds a break; should one slip through it stays inside its block as a line separator, so the
// block-per-paragraph mirror holds.
QString ParagraphText(const Text& text) {
    QString out = ToQString(text);
    out.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    out.replace(QLatin1Char('\r'), QChar::LineSeparator);
    out.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return out;
}

}  // namespace

ColorLog::ColorLog(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setFont(DialogFont(QString(), 0));
}

int ColorLog::ParagraphCount() const { return paragraphs_; }

void ColorLog::ReplaceFrom(int first, const std::vector<LogLine>& lines) {
    first = std::clamp(first, 0, paragraphs_);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    if (first < paragraphs_) {
        // Remove paragraphs [first, end) together with the break that precedes them.
        const QTextBlock block = document()->findBlockByNumber(first);
        cursor.setPosition(first == 0 ? 0 : block.position() - 1);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        paragraphs_ = first;
    }
    cursor.movePosition(QTextCursor::End);
    for (const LogLine& line : lines) {
        const QTextCharFormat format = FormatOf(line);
        if (paragraphs_ > 0) {
            cursor.insertBlock(QTextBlockFormat(), format);
        } else {
            cursor.setBlockCharFormat(format);
        }
        cursor.insertText(ParagraphText(line.text), format);
        ++paragraphs_;
    }
    cursor.endEditBlock();
}

void ColorLog::Clear() {
    clear();
    paragraphs_ = 0;
}

void ColorLog::ShowParagraph(int paragraph) {
    if (paragraph >= paragraphs_ - 1) {
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->maximum());
        return;
    }
    const QTextBlock block = document()->findBlockByNumber(std::max(0, paragraph));
    QTextCursor cursor(block);
    setTextCursor(cursor);
    ensureCursorVisible();
}

}  // namespace fw::qt
