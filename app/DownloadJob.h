// The programming job of one channel: the device commands that bring a connected chip to a programmed one. It runs
// on the channel's download worker against DownloadHost, the part of the main window it needs, so that it can be
// driven by the simulator without the window.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "app/ChannelSlot.h"
#include "app/ChipSeries.h"
#include "app/DownloadItem.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/Text.h"

namespace fw {
class NamedMutex;
}

inline constexpr int kStatusPlain = 0;
inline constexpr int kStatusSuccess = 1;
inline constexpr int kStatusFailure = 2;

using PartitionRecords = std::array<UserPartitionRecord, 3>;

// What a partition read learns of one chip's partitions. It belongs to that chip's job: production channels read
// their chips side by side, each chip with its own ids and its own layout.
struct PartitionRead {
    std::array<uint32_t, 3> held{};  // the key id the chip holds for the partition, 0xFF none
    std::array<fw::Text, 3> texts;   // the key text of that id in the chip key table, empty when none
    // "%08X" of where the chip's partitions put the items' first segments, when the items' own starts lay outside
    // them; without it the items' starts stand.
    std::optional<std::array<fw::Text, 3>> starts;
};

// What the job needs of the main window. Every call may come from a download worker.
class DownloadHost {
public:
    virtual ~DownloadHost() = default;

    // A step line of the channel: a coloured log line in test mode, the row's icon and text in production mode.
    virtual void ReportStatus(ChannelSlot* slot, const fw::Text& text, int kind) = 0;
    virtual void AppendLog(const fw::Text& text, uint32_t colour) = 0;
    // A Yes/No question with the question icon and the main window as owner, raised by the worker; true for Yes.
    virtual bool AskYesNo(const fw::Text& question) = 0;
    // The synchronous progress messages: reset the channel's bar to 0..total, and one step of it.
    virtual void ProgressRange(ChannelSlot& slot, uint32_t total) = 0;
    virtual void ProgressStep(ChannelSlot& slot) = 0;

    // Operations of the main window that the job runs on its channel.
    virtual uint32_t ComputeProgressSteps(ChannelSlot& slot) = 0;  // 0 when it cannot be computed
    virtual bool ConnectDevice(ChannelSlot& slot) = 0;
    virtual void DisconnectDevice(ChannelSlot& slot) = 0;
    virtual bool GetChipInfo(ChipInfoBlock& info, ChannelSlot& slot) = 0;
    virtual bool ReadPartitions(PartitionRecords& records, PartitionRead& read, ChannelSlot* slot) = 0;
    virtual bool ReadOptionBytes(OptionRwBlock& block, ChannelSlot* slot) = 0;

    // Window state around a job.
    virtual void UpdateMenuState(int enable) = 0;
    virtual void EnableControls(int enable) = 0;
    virtual void UpdateCounters() = 0;
    virtual void ClearChannelMessage(ChannelSlot& slot) = 0;  // the row's message edit; neutral icon in production
    virtual fw::NamedMutex* DeviceMutex() = 0;                // null until the window created it

    // Stores a partition's new key in the chip key table and, enciphered, in the profile.
    virtual void StoreChipKey(int entry, const fw::Text& keyHex) = 0;
    // The chip key table's entry as hex text; empty when the table has none.
    virtual fw::Text ChipKey(int entry) = 0;
    // The job configured the chip's partitions (the records as read back) and gave some a key id (0xFF: none
    // given). The window keeps those ids as the partition dialog does, since a later read of the partitions only
    // tells whether an id is set, and in test mode takes the records as its copy of the chip's partitions.
    virtual void PartitionsConfigured(ChannelSlot& slot, const PartitionRecords& records,
                                      const std::array<uint8_t, 3>& givenKeyIds) = 0;

    // The last worker of a job has restored the window and released the device mutex.
    virtual void LastWorkerEnded() {}

    // Pauses of the sequence (resets, reconnections); tests make them instant.
    virtual void Pause(uint32_t milliseconds);
};

// The window's settings as they stood when Download was pressed.
struct DownloadJobSettings {
    bool productionMode = false;
    uint8_t iface = 0;
    uint8_t chipSeries = 0;  // the window's m_chipSeries
    uint8_t downloadArea = 0;
    uint8_t eraseMode = 0;  // 0 by file size, 1 whole chip, 2 none
    fw::Text fileExt;
    bool writeOptionBytes = false;
    OptionRwBlock fileOptionBytes{};                            // what a hex file brought, kept apart from the chip's
    std::optional<std::array<uint8_t, 20>> projectOptionBytes;  // a download project's option bytes

    bool unlockL1Before = false;     // box 1240
    bool l1AfterDownload = false;    // box 1241
    bool l2AfterDownload = false;    // box 1242
    bool writeDownloadFlag = false;  // box 1260
    bool behindKeepsPage = false;    // box 1262
    bool frontKeepsPage = false;     // box 1304
    bool writeCrc32 = false;         // box 1084
    bool safeModule = false;         // box 1298
    bool firmwareFile = false;       // box 1299
    bool jtagMode = false;           // box 1263
    int encOptionSelection = -1;     // combo 1125, -1 when nothing is selected
    bool crcAfterDownload = false;

    fw::Text bootSubVersionText;
    double flashSizeKB = 0.0;  // the window's
    uint32_t flashAreaLimit = 0x151DFFFF;
    uint8_t extType = 0, extId = 0, encOption = 0;
    std::array<uint8_t, 16> extFlashKeyBytes{};

    // Security chip (series 10).
    uint8_t infoPackMode = 2;
    uint32_t safeModuleAddr = 0x15000000;
    std::vector<uint8_t> safeModuleData;
    std::vector<uint8_t> optionTable;
    std::array<uint8_t, 16> rek{}, idKey{};
    uint32_t jtagKey = 0;

    // Copies the job takes at its start.
    ChipInfoBlock chipInfo{};
    PartitionRecords partitions{};
    PartitionRead partitionRead;
};

class DownloadJob {
public:
    // slot null means channel 0 as the window's commands pass it; the job itself always has its channel.
    DownloadJob(DownloadHost& host, DownloadItems& items, const DownloadJobSettings& settings, ChannelSlot& slot);

    // 0 when the chip was programmed, 1 when a step failed (the step has said why).
    int ProgramDevice();

    int LiftProtection();
    int ConfigureDualCoreOptions();
    int WritePartitions(PartitionRecords& records);
    int UpdatePartitionKeys();
    int DownloadSafeModule();
    int DownloadItemImages(PartitionRecords& records);
    int ReadBackFlashCrc();
    // A project's option bytes are laid over the chip's whole option image: without a whole copy of it the job reads
    // the image itself, and refuses before any step that erases when it cannot have one.
    int TakeOptionImage();
    int WriteOptionBytes();

private:
    bool Reconnect();
    int ResetAndReconnect(uint32_t settleMs);
    bool CheckRange(uint32_t start, uint64_t last);
    void ProtectAfterDownload(uint8_t level, const fw::Text& step, const fw::Text& done);
    // One option item of the security chip read (operation 0) or written (1) on the channel.
    StatusCode OptionItem(OptionRwBlock& block, uint8_t operation, uint8_t item, uint8_t length,
                          const uint8_t* data = nullptr);
    void Report(const fw::Text& text, int kind);
    void ReportFailure(const fw::Text& text) { Report(text, kStatusFailure); }
    void StatusLine(StatusCode status);     // the status text as a failure line of the channel
    void StatusLineRed(StatusCode status);  // the status text in red in the log
    bool HoldsWholeOptionImage() const;
    int EraseInternal(const fw::Text& label, uint32_t start, uint32_t last, const UserPartitionRecord* partition,
                      const KeyUpdateRecord* key);
    // The key text that opens partition i: the one this job configured or updated, else the one its chip's
    // partition read found.
    const fw::Text& PartitionKeyText(int i) const;
    // Where segment j of item i goes: its text, but for the first segment of a production chip whose partitions
    // lay elsewhere than the items' starts (the chip's own partition starts).
    const fw::Text& SegmentStartText(int i, uint32_t j) const;
    // The key id of partition i as this job leaves it: the one the job configures, else the one the chip holds.
    uint8_t KeyIdOfPartition(int i) const;

    DownloadHost& m_host;
    DownloadItems& m_items;
    const DownloadJobSettings& m_settings;
    ChannelSlot& m_slot;
    PartitionRecords m_partitions{};
    PartitionRead m_partitionRead;
    OptionRwBlock m_optionBytes{};  // the chip's option bytes as this job read them; empty until it does
    ChipInfoBlock m_chipInfo{};
    std::array<std::optional<fw::Text>, kDownloadItemCount> m_configuredKeys;
    bool m_chipErased = false;
};

// The progress callback of the download commands: one synchronous step of the channel's bar.
struct ProgressContext {
    DownloadHost* host;
    ChannelSlot* slot;
};
int DownloadProgressCallback(void* context);

// The worker's whole job: greys the window, takes the device mutex in test mode on interfaces 0, 1, 3 and 5, runs
// ProgramDevice, counts a pass or a fail, and the last worker to end restores the window and releases the mutex.
// All eight slots are given so that the last worker can clear their worker handles.
void RunDownloadJob(DownloadHost& host, DownloadItems& items, const DownloadJobSettings& settings, ChannelSlot& slot,
                    std::span<ChannelSlot, 8> slots);
