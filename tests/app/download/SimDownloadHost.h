// A DownloadHost over the simulated device library that records what the job reports, for tests and benchmarks.
// Its connection, chip-information and option-byte reads are the small versions the job needs, not the window's.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "app/DownloadJob.h"
#include "app/OptionProtection.h"
#include "core/BuiltinKeys.h"
#include "core/HexText.h"
#include "framework/Sync.h"

class SimDownloadHost : public DownloadHost {
public:
    struct Line {
        fw::Text text;
        int kind;
    };

    explicit SimDownloadHost(uint8_t iface, uint32_t speed = 115200) : m_iface(iface), m_speed(speed) {}

    void ReportStatus(ChannelSlot*, const fw::Text& text, int kind) override {
        std::lock_guard lock(m_lock);
        lines.push_back({text, kind});
    }
    void AppendLog(const fw::Text& text, uint32_t colour) override {
        std::lock_guard lock(m_lock);
        log.emplace_back(text, colour);
    }
    bool AskYesNo(const fw::Text& question) override {
        std::lock_guard lock(m_lock);
        questions.push_back(question);
        askedOnThread = std::this_thread::get_id();
        if (answers.empty()) return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void ProgressRange(ChannelSlot&, uint32_t total) override {
        rangeTotal = total;
        steps = 0;
    }
    void ProgressStep(ChannelSlot&) override { ++steps; }

    uint32_t ComputeProgressSteps(ChannelSlot& slot) override {
        slot.progressTotal = progressTotal;
        return progressTotal;
    }
    bool ConnectDevice(ChannelSlot& slot) override {
        ++connectCalls;
        if (connectFailures > 0) {
            --connectFailures;
            return false;
        }
        char16_t names[0x400];
        OV_CMD_ENUM_DEV(m_iface, names, 0x400);
        if (OV_CMD_CONNECT_DEV(&slot.handle, slot.deviceName.c_str(), m_speed) != 0) return false;
        slot.connected = 1;
        slot.rdpLevel = -1;
        return true;
    }
    void DisconnectDevice(ChannelSlot& slot) override {
        OV_CMD_DISCONNECT_DEV(&slot.handle);
        slot.connected = 0;
    }
    bool GetChipInfo(ChipInfoBlock& info, ChannelSlot& slot) override {
        if (OV_CMD_GET_INF(slot.handle, &info) != CMD_STATUS_OK) return false;
        slot.chipSeries = info.seriesCode;
        slot.flashSizeKB = info.flashSizeKB;
        slot.partitionUnitKB = info.partitionUnitKB;
        slot.pageSize = info.pageSize;
        slot.ucidNow = BytesToHex(std::span<const uint8_t>(info.ucid, info.ucidLength));
        return true;
    }
    bool ReadPartitions(PartitionRecords& records, PartitionRead&, ChannelSlot*) override {
        records = {};
        return true;
    }
    // The whole image of the series other than 10; series 10 answers its level and write-protection items.
    bool ReadOptionBytes(OptionRwBlock& block, ChannelSlot* slot) override {
        block = OptionRwBlock{};
        if (slot->chipSeries == 10) {
            block.item = 1;
            block.length = 1;
            OptionRwBlock wrp{};
            wrp.item = 2;
            wrp.length = 4;
            if (OV_CMD_OPT_RW(slot->handle, &block) != CMD_STATUS_OK) return false;
            if (OV_CMD_OPT_RW(slot->handle, &wrp) != CMD_STATUS_OK) return false;
            slot->rdpLevel = block.data[0];
            slot->writeProtected = SecurityChipWriteProtected(wrp.data, slot->flashSizeKB);
            return true;
        }
        block.length = OptionImageReadLength(slot->chipSeries);
        if (OV_CMD_OPT_RW(slot->handle, &block) != CMD_STATUS_OK) return false;
        const ProtectionState state = ProtectionOfImage(slot->chipSeries, std::span<const uint8_t, 64>(block.data));
        slot->rdpLevel = state.level;
        slot->writeProtected = state.writeProtected;
        return true;
    }

    void UpdateMenuState(int enable) override { menuState = enable; }
    void EnableControls(int enable) override { controls = enable; }
    void UpdateCounters() override { ++countersUpdated; }
    void ClearChannelMessage(ChannelSlot&) override {}
    fw::NamedMutex* DeviceMutex() override { return mutex.get(); }
    void StoreChipKey(int entry, const fw::Text& keyHex) override {
        std::lock_guard lock(m_lock);
        storedKeys[entry] = keyHex;
    }
    // The key table of a window that loaded no keys of its own: the default chip keys, as stored since.
    fw::Text ChipKey(int entry) override {
        std::lock_guard lock(m_lock);
        if (const auto stored = storedKeys.find(entry); stored != storedKeys.end()) return stored->second;
        return entry >= 0 && entry < 32 ? fw::Text(g_defaultChipKeys[static_cast<size_t>(entry)]) : fw::Text();
    }
    void PartitionsConfigured(ChannelSlot&, const PartitionRecords&, const std::array<uint8_t, 3>&) override {}
    void Pause(uint32_t milliseconds) override { pausedMs += milliseconds; }
    void LastWorkerEnded() override { ++lastWorkerEnded; }

    // The connection step of the window, reduced to what the job reads afterwards: the chip information, and the
    // protection state its option read leaves in the slot.
    bool Connect(ChannelSlot& slot, DownloadJobSettings& settings) {
        OptionRwBlock options{};
        return ConnectDevice(slot) && GetChipInfo(settings.chipInfo, slot) && ReadOptionBytes(options, &slot);
    }

    bool HasLine(const fw::Text& text, int kind) const {
        std::lock_guard lock(m_lock);
        for (const Line& line : lines) {
            if (line.text == text && line.kind == kind) return true;
        }
        return false;
    }
    std::vector<Line> Lines() const {
        std::lock_guard lock(m_lock);
        return lines;
    }

    std::vector<Line> lines;
    std::vector<std::pair<fw::Text, uint32_t>> log;
    std::deque<bool> answers;
    std::vector<fw::Text> questions;
    std::thread::id askedOnThread;
    std::atomic<uint32_t> rangeTotal{0}, steps{0};
    uint32_t progressTotal = 1;
    std::atomic<int> menuState{-1}, controls{-1}, countersUpdated{0};
    // Production jobs share the host: what they count is atomic.
    std::atomic<int> connectFailures{0}, connectCalls{0};
    std::atomic<uint64_t> pausedMs{0};
    std::atomic<int> lastWorkerEnded{0};
    std::map<int, fw::Text> storedKeys;
    std::unique_ptr<fw::NamedMutex> mutex;

private:
    mutable std::mutex m_lock;
    uint8_t m_iface;
    uint32_t m_speed;
};
