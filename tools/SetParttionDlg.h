// Shows how one USER partition of the connected chip is configured, as last read, and configures it.
#pragma once

#include <cstdint>
#include <vector>

#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"

class CQXDownloadToolDlg;

class CSetParttionDlg : public fw::Dialog {
public:
    explicit CSetParttionDlg(CQXDownloadToolDlg* window);

    // Shows record `partition` (0 to 2) of the window's partitions.
    void RefreshPartition(int partition);
    // Checks the input and writes the partition; nonzero when the chip took it.
    int ConfigurePartition(int partition);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedOk();
    void OnEnChangeSize();
    void OnCbnSelchangePartition();
    void OnTimer(uintptr_t id);
    void CheckTypedSize();
    int SelectedPartition() const;
    bool ShortensUser1() const;
    // The key ids the list offers for the partition, in list order; the list shows them as "%d".
    void FillKeyIds(int partition);
    static const fw::MessageMap<CSetParttionDlg> kMessages;

    CQXDownloadToolDlg* m_window;
    CMessageBoxEx m_msgBox;
    fw::Control m_partitionCombo, m_sizeEdit, m_sizeInfo, m_authCheck, m_encryptCheck, m_keyIdCombo;
    std::vector<uint8_t> m_keyIds;
    bool m_showing = false;  // the dialog itself is filling the size edit: no typing to check
};
