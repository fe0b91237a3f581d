// Erases a run of flash pages inside one partition of the connected chip: the user picks the partition, types the
// first page and the number of pages in hex, sees the addresses that go, confirms, and one erase command is sent
// with the partition's record and key.
#pragma once

#include <cstdint>

#include "core/MessageBoxEx.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/Dialog.h"
#include "tools/PageEraseWindow.h"

class CQXDownloadToolDlg;

class CFlashEraseDlg : public fw::Dialog {
public:
    explicit CFlashEraseDlg(CQXDownloadToolDlg* owner);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedOk();
    void OnCbnSelchangePartition();
    void OnEnChangePageRange();
    void ShowEraseRange(const fw::Text& firstPage, const fw::Text& pageCount);
    // Answers false, after closing the dialog, when the chip's layout cannot be known.
    bool ReadLayout();
    PageEraseLayout Layout() const;
    void ShowWindowRange(double first, double last, const fw::Text& sizeText);
    fw::Text SizeText(uint32_t units) const;
    // Sends the erase; SRAM is not flash and needs no command.
    StatusCode SendErase(uint32_t first, uint32_t last);
    static const fw::MessageMap<CFlashEraseDlg> kMessages;

    CQXDownloadToolDlg* m_owner;
    CMessageBoxEx m_msgBox;
    fw::Control m_partitionList, m_firstPageEdit, m_pageCountEdit, m_rangeText, m_windowEdit, m_windowSizeText,
        m_pageNote;
    int32_t m_partition = kEraseUser1;
    uint32_t m_user1Units = 0;
};
