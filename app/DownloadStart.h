// Starting a download: the settings check of the Download button and the workers of the channels.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "app/ChannelSlot.h"
#include "app/DownloadItem.h"
#include "framework/Sync.h"
#include "framework/Text.h"

// A typed start address is one to eight hex digits (spaces are skipped): a longer one would be cut to 32 bits
// and the image programmed somewhere else.
bool IsStartAddressText(fw::TextView text);

// The main Download button downloads item 0 alone unless a download project chose its items; true when the
// "enablepartition1".."3" values are to be written as "00".
bool SelectMainDownloadItem(DownloadItems& items, fw::TextView fileExt);

// The window's state the settings check reads (controls already read into texts and flags).
struct DownloadSettingsInput {
    bool productionMode = false;
    bool connected = false;
    fw::Text deviceName;  // device combo text
    uint8_t series = 0;   // m_chipSeries
    uint8_t iface = 0;
    uint8_t downloadArea = 0;
    fw::Text fileExt;
    fw::Text downloadFile;  // edit 1013
    fw::Text startAddress;  // edit 1005
    uint8_t encOption = 0;
    fw::Text extFlashKey;
    // Security chip (series 10).
    bool safeModule = false, firmwareFile = false, jtagMode = false;
    fw::Text safeModuleFile, safeModuleAddress, infoPackageFile, jtagKeyFile;
    uint32_t safeModuleSize = 0;
    uint32_t pageSize = 0;  // the chip's; 0 when unknown
    uint32_t flashAreaLimit = 0x151DFFFF;
    uint8_t infoPackMode = 2;
    // What the check asks of the window on the way.
    std::function<bool()> loadExternalFlashDriver;  // logs its own failure
    std::function<bool()> verifyInfoPackage;
};

struct DownloadSettingsResult {
    bool accepted = false;
    fw::Text refusal;               // translated message box text; empty with a refusal that already said why
    bool saveStartAddress = false;  // write the start address text to "startaddr1"
    std::optional<uint32_t> safeModuleAddr;
};

// Checks what the Download button would start and, when it may, puts the start address into the item that
// downloads it.
DownloadSettingsResult CheckDownloadSettings(const DownloadSettingsInput& in, DownloadItems& items);

// The download workers of the eight channels. A worker object lives until the channel starts again or the pool is
// destroyed, so that no thread ever joins itself.
class DownloadWorkers {
public:
    using Job = std::function<void(ChannelSlot& slot)>;
    struct StartResult {
        int started = 0;
        bool busy = false;  // test mode: channel 0's job still runs, nothing started
    };

    ~DownloadWorkers() { JoinAll(); }

    // Test mode starts channel 0 alone; production mode every ticked, present channel without a running worker.
    // The worker handle is set and g_activeWorkers raised before the thread is resumed, so a second click while
    // channel 0 runs is refused and the worker that brings the count back to 0 is the last one.
    StartResult Start(std::span<ChannelSlot, 8> slots, bool productionMode, const std::function<bool(int)>& ticked,
                      const Job& job);
    void JoinAll();

private:
    std::array<std::unique_ptr<fw::WorkerThread>, 8> m_threads;
};
