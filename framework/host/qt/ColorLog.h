// The colour operation log. The widget mirrors the model's paragraphs one to one: block i of the document is
// paragraph i of the log, in that paragraph's colour, face and size.
// Appending costs the same however long the log already is: the document is a block list laid out lazily by
// QPlainTextEdit, the undo stack is off, and a batch of paragraphs is one edit block with one scroll.
#pragma once

#include <QPlainTextEdit>
#include <vector>

#include "framework/Host.h"

namespace fw::qt {

class ColorLog : public QPlainTextEdit {
public:
    explicit ColorLog(QWidget* parent = nullptr);

    int ParagraphCount() const;
    // Drops paragraphs from `first` on and appends `lines` after what is left: an append redraws the paragraph
    // it continued and adds the new ones.
    void ReplaceFrom(int first, const std::vector<LogLine>& lines);
    void Clear();
    void ShowParagraph(int paragraph);

private:
    int paragraphs_ = 0;  // the document always holds at least one block, so an empty log is counted here
};

}  // namespace fw::qt
