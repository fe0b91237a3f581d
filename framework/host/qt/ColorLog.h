// The colour operation log: lines appended at the end, each in its own colour, face and size.
// Appending costs the same however long the log already is: the document is a block list laid out lazily by
// QPlainTextEdit, the undo stack is off, and a batch of lines is one edit block with one scroll.
#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCharFormat>

#include <vector>

namespace fw::qt {

struct LogLine {
    QString text;
    QColor colour;
    QString face;
    int heightTwips = 0;  // 0 leaves the widget's own size
};

class ColorLog : public QPlainTextEdit {
public:
    explicit ColorLog(QWidget* parent = nullptr);

    // The text is followed by a line break, as the rich edit's replace-selection with "\r\n" was; CR LF, CR and
    // LF inside the text each start a new line.
    void AppendLine(const LogLine& line);
    void AppendLines(const std::vector<LogLine>& lines);
    void Clear();

    // Lines in the document, counting the empty one after the last break.
    int LineCount() const;

private:
    void Insert(QTextCursor& cursor, const LogLine& line);
    QTextCharFormat FormatOf(const LogLine& line) const;
    void ScrollToEnd();
};

}  // namespace fw::qt
