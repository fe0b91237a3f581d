// The security chip's write-protection block selector: one box per protected block instead of the WRP word in
// hex. It edits the WRP text of the item editor it is opened over, and nothing else.
#pragma once

#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "resources/ui/select_block.h"

class CWriteByteDlg4;

class SelectBlockDlg : public fw::Dialog {
public:
    // `flashKB` is the chip's flash size: only the 4096 KB chips have blocks 16 to 31.
    SelectBlockDlg(CWriteByteDlg4* parent, int flashKB);

protected:
    bool OnInitDialog() override;
    const fw::MessageMapBase* GetMessageMap() const override { return &kMessages; }

private:
    bool WideForm() const { return m_flashKB >= 4096 && m_flashKB <= 4223; }
    int LastBox() const { return WideForm() ? 31 : 15; }
    void OnBnClickedAllSelect();
    void OnBnClickedOk();

    CWriteByteDlg4* m_pParent;
    int m_flashKB;
    fw::Text m_bitText;  // the word at opening, 32 binary digits, most significant first
    static const fw::MessageMap<SelectBlockDlg> kMessages;
};
