// One of the eight download channels; channel 0 is the device of test mode.
#pragma once

#include <atomic>
#include <cstdint>

#include "devicelib/OvMcuCmdDll.h"
#include "framework/Text.h"

namespace fw {
class WorkerThread;
}
class CQXDownloadToolDlg;

struct ChannelSlot {
    CQXDownloadToolDlg* owner = nullptr;
    int index = 0;  // 0..7, the row of the main window it belongs to
    DeviceHandle handle = 0;
    std::atomic<fw::WorkerThread*> worker{nullptr};  // the running download worker, null when idle
    fw::Text deviceName;
    int number = 0;
    int present = 0;
    int connected = 0;
    int rdpLevel = -1;  // 0 to 2; -1 until read; 0xFF when the chip information could not be read
    int writeProtected = 0;
    uint8_t chipSeries = 0;
    double flashSizeKB = 0.0;
    uint32_t partitionUnitKB = 0;
    uint32_t user1Units = 0;  // USER1 as the last partition read placed it, in units; wider than a record's byte
    uint32_t pageSize = 0;
    uint32_t packetSize = 0;  // planned by this channel's job before it programs; the read-back reads in it
    fw::Text ucidNow, ucidConfigured;
    uint32_t progressTotal = 0;
};
