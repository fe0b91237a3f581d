#include "app/MainWindowJobHost.h"

#include <mutex>

#include "app/ChipKeyStore.h"
#include "app/MainWindow.h"
#include "app/MainWindowState.h"
#include "framework/Styles.h"

void MainWindowJobHost::ReportStatus(ChannelSlot* slot, const fw::Text& text, int kind) {
    m_window.ReportStatus(slot, text, kind);
}

void MainWindowJobHost::AppendLog(const fw::Text& text, uint32_t colour) { m_window.AppendLog(text, colour); }

bool MainWindowJobHost::AskYesNo(const fw::Text& question) {
    return m_window.m_msgBox.MessageBox(&m_window, question, fw::MB_YESNO | fw::MB_ICONQUESTION) == fw::IDYES;
}

void MainWindowJobHost::ProgressRange(ChannelSlot& slot, uint32_t total) {
    m_window.SendMessage(WM_PROGRESS_RANGE, total, reinterpret_cast<fw::LParam>(&slot));
}

void MainWindowJobHost::ProgressStep(ChannelSlot& slot) {
    m_window.SendMessage(WM_PROGRESS_STEP, slot.progressTotal, reinterpret_cast<fw::LParam>(&slot));
}

uint32_t MainWindowJobHost::ComputeProgressSteps(ChannelSlot& slot) {
    const int steps = m_window.ComputeProgressSteps(&slot);
    return steps > 0 ? static_cast<uint32_t>(steps) : 0;
}

bool MainWindowJobHost::ConnectDevice(ChannelSlot& slot) { return m_window.ConnectDevice(&slot); }

void MainWindowJobHost::DisconnectDevice(ChannelSlot& slot) { m_window.DisconnectDevice(&slot); }

bool MainWindowJobHost::GetChipInfo(ChipInfoBlock& info, ChannelSlot& slot) {
    return m_window.GetChipInfo(info, &slot);
}

bool MainWindowJobHost::ReadPartitions(PartitionRecords& records, PartitionRead& keys, ChannelSlot* slot) {
    return m_window.ReadPartitions(records.data(), slot, &keys) != 0;
}

bool MainWindowJobHost::ReadOptionBytes(OptionRwBlock& block, ChannelSlot* slot) {
    return m_window.ReadOptionBytes(&block, slot) != 0;
}

void MainWindowJobHost::UpdateMenuState(int enable) { m_window.UpdateMenuState(enable); }

void MainWindowJobHost::EnableControls(int enable) { m_window.EnableControls(enable != 0); }

void MainWindowJobHost::UpdateCounters() { m_window.UpdateCounters(); }

void MainWindowJobHost::ClearChannelMessage(ChannelSlot& slot) {
    static constexpr int kRowEdits[kChannelCount] = {IDC_ROW1_EDIT, IDC_ROW2_EDIT, IDC_ROW3_EDIT, IDC_ROW4_EDIT,
                                                     IDC_ROW5_EDIT, IDC_ROW6_EDIT, IDC_ROW7_EDIT, IDC_ROW8_EDIT};
    // In production the window's status line of a row is its icon and message edit: neutral and empty.
    if (m_window.m_productionMode)
        m_window.ReportStatus(&slot, {}, kStatusPlain);
    else if (slot.index >= 0 && slot.index < kChannelCount)
        m_window.GetDlgItem(kRowEdits[slot.index]).SetWindowText(u"");
}

fw::NamedMutex* MainWindowJobHost::DeviceMutex() { return g_hDeviceMutex; }

void MainWindowJobHost::StoreChipKey(int entry, const fw::Text& keyHex) {
    std::lock_guard<std::mutex> lock(m_window.m_keyTableLock);
    ::StoreChipKey(m_window.m_keyTable, entry, keyHex);
}

fw::Text MainWindowJobHost::ChipKey(int entry) {
    std::lock_guard<std::mutex> lock(m_window.m_keyTableLock);
    const std::vector<fw::Text>& table = m_window.m_keyTable;
    return entry >= 0 && entry < static_cast<int>(table.size()) ? table[static_cast<size_t>(entry)] : fw::Text();
}

void MainWindowJobHost::PartitionsConfigured(ChannelSlot& slot, const PartitionRecords& records,
                                             const std::array<uint8_t, 3>& givenKeyIds) {
    // The production workers share the window's partition state with the partition reads of the other channels,
    // and its copy of the partitions is no chip's.
    const bool production = m_window.m_productionMode;
    std::unique_lock<std::mutex> turn(m_window.m_partitionReadMutex, std::defer_lock);
    if (production) turn.lock();
    for (int i = 0; i < 3; ++i)
        if (givenKeyIds[i] != 0xFF) m_window.RememberPartitionKeyId(i, givenKeyIds[i]);
    if (!production && slot.index == 0) m_window.TakeConfiguredPartitions(records);
}

void MainWindowJobHost::LastWorkerEnded() { m_window.RunDeferredDeviceRefresh(); }
