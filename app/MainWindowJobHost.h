// The main window as the download job sees it.
#pragma once

#include "app/DownloadJob.h"

class CQXDownloadToolDlg;

class MainWindowJobHost : public DownloadHost {
public:
    explicit MainWindowJobHost(CQXDownloadToolDlg& window) : m_window(window) {}

    void ReportStatus(ChannelSlot* slot, const fw::Text& text, int kind) override;
    void AppendLog(const fw::Text& text, uint32_t colour) override;
    bool AskYesNo(const fw::Text& question) override;
    void ProgressRange(ChannelSlot& slot, uint32_t total) override;
    void ProgressStep(ChannelSlot& slot) override;
    uint32_t ComputeProgressSteps(ChannelSlot& slot) override;
    bool ConnectDevice(ChannelSlot& slot) override;
    void DisconnectDevice(ChannelSlot& slot) override;
    bool GetChipInfo(ChipInfoBlock& info, ChannelSlot& slot) override;
    bool ReadPartitions(PartitionRecords& records, PartitionRead& keys, ChannelSlot* slot) override;
    bool ReadOptionBytes(OptionRwBlock& block, ChannelSlot* slot) override;
    void UpdateMenuState(int enable) override;
    void EnableControls(int enable) override;
    void UpdateCounters() override;
    void ClearChannelMessage(ChannelSlot& slot) override;
    fw::NamedMutex* DeviceMutex() override;
    void StoreChipKey(int entry, const fw::Text& keyHex) override;
    fw::Text ChipKey(int entry) override;
    void PartitionsConfigured(ChannelSlot& slot, const PartitionRecords& records,
                              const std::array<uint8_t, 3>& givenKeyIds) override;
    void LastWorkerEnded() override;

private:
    CQXDownloadToolDlg& m_window;
};
