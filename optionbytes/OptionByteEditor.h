// The option-byte editors: one dialog over the layout and editor rows, either on the connected chip (reads the
// whole image when it opens, writes it on confirm) or on the text of an offline project's option bytes. The four
// editors of the program are this dialog with their template, control set and mode.
#pragma once

#include <cstdint>

#include "core/MessageBoxEx.h"
#include "core/OptionLayouts.h"
#include "framework/Dialog.h"
#include "optionbytes/EditorRows.h"

class CQXDownloadToolDlg;

class COptionByteEditor : public fw::Dialog {
public:
    // The connected chip's editor: the owner supplies the series, interface, speed, handle, log and transport.
    COptionByteEditor(int templateId, EditorKind kind, CQXDownloadToolDlg* owner);
    // A project's editor over `text` (40 hex digits of the project's option bytes in, the edited text out).
    COptionByteEditor(int templateId, EditorKind kind, fw::Text* text, uint8_t family, bool editable);

protected:
    bool OnInitDialog() override;
    bool PreTranslateKey(fw::Key key) override;
    const fw::MessageMapBase* GetMessageMap() const override { return &kMessages; }

private:
    bool ProjectMode() const { return m_owner == nullptr; }
    // The chip's image read into the fields (false after a failed read), or the project's text sliced into them.
    bool LoadOptionBytes();
    void LoadProjectOptionBytes();
    void ShowFields();
    void ShowCcmsramBox();
    void HideAndDisableForSeries();
    void DisableInputs();
    void RefreshLevelOneText();
    // The loaded texts with what the edits of the series' fields hold now.
    OptionFieldTexts FieldsWithEdits();
    bool CheckFields();
    void WriteField(OptionField field, const fw::Text& text);
    int EditOf(OptionField field) const;
    bool Ask(fw::Text question);
    void Tell(fw::Text text);

    void OnBnClickedOk();
    void OnBoxClicked(int id);
    void OnLevel1Clicked();
    void OnLevel2Clicked();
    void OnSpecialEditChange(const fw::NotifyInfo& info);
    void OnBorLevChange();
    void OnLvrPowerChange();
    void OnCbnSelchangeNrstSel();
    void OnCbnSelchangeBorLvl();
    void ConfirmDevice();
    void ConfirmProject();
    static const fw::MessageMap<COptionByteEditor> kMessages;

    EditorKind m_kind;
    CQXDownloadToolDlg* m_owner = nullptr;
    fw::Text* m_projectText = nullptr;
    uint8_t m_series = 0;  // the chip's series, or the project's option family
    bool m_editable = true;
    const EditorRow* m_row = nullptr;
    const OptionLayout* m_layout = nullptr;
    OptionFieldTexts m_fields;
    bool m_wholeImage = false;  // the read brought every byte a write sends
    CMessageBoxEx m_msgBox;
};

// The connected chip's editor for series 0, 1, 2, 5, 8 and 9.
class CWriteByteDlg : public COptionByteEditor {
public:
    explicit CWriteByteDlg(CQXDownloadToolDlg* owner, void* unused = nullptr);
};

// The connected chip's editor for series 3, 4, 6, 7, 11 and 12.
class CWriteByteDlg2 : public COptionByteEditor {
public:
    explicit CWriteByteDlg2(CQXDownloadToolDlg* owner, void* unused = nullptr);
};

// A project's option bytes of families 0, 1, 2, 5, 8, 9 (and any family without an editor of its own).
class CWriteByteLinkDlg : public COptionByteEditor {
public:
    CWriteByteLinkDlg(fw::Text* optionText, uint8_t family, bool editable);
};

// A project's option bytes of families 3, 4, 6, 7, 11 and 12.
class CWriteByteLinkDlg2 : public COptionByteEditor {
public:
    CWriteByteLinkDlg2(fw::Text* optionText, uint8_t family, bool editable);
};
