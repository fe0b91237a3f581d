// The external memory option record of the chips that run programs from external memory: fifteen words at
// 0x1FFFE040, read when the dialog opens and shown one editor a word; OK writes the words whose box is ticked, in
// word order, stopping at the first that fails.
#pragma once

#include "core/MessageBoxEx.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"

class CQXDownloadToolDlg;

class CExtOPTDlg : public fw::Dialog {
public:
    explicit CExtOPTDlg(CQXDownloadToolDlg* mainDlg);

    static constexpr uint32_t kRecordAddress = 0x1FFFE040;
    static constexpr int kWordCount = 15;

protected:
    bool OnInitDialog() override;
    const fw::MessageMapBase* GetMessageMap() const override { return &kMessages; }

private:
    // The record into m_recordHex; false after the red lines that say why.
    bool ReadExtOptRecord();
    void ShowExtOptWords();
    bool WriteCheckedFields();
    bool WriteExtOptField(int word, fw::Text value, const fw::Text& name);
    // The text a word's editor stands for: the typed digits, or the marker of the chosen combo entry.
    fw::Text FieldValue(int word) const;

    void OnBnClickedOk();
    void OnBnClickedAllCheck();
    void OnFieldBox(const fw::NotifyInfo& info);

    CQXDownloadToolDlg* m_pMainDlg;
    CMessageBoxEx m_msgBox;
    ExtOptRwBlock m_block{};
    fw::Text m_recordHex;  // "%02X" of each byte read, address order
    static const fw::MessageMap<CExtOPTDlg> kMessages;
};
