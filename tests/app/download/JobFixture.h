// A simulated chip, a recording host and the window state a download job reads.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/DownloadCounters.h"
#include "app/DownloadJob.h"
#include "core/HexText.h"
#include "devicelib/OvMcuSim.h"
#include "framework/Format.h"
#include "tests/app/download/SimDownloadHost.h"
#include "tests/framework/TempFolder.h"

inline ovsim::ChipSpec ChipOfSeries(uint8_t series) {
    ovsim::ChipSpec chip;
    chip.series = series;
    return chip;
}

class JobTest : public ::testing::Test {
public:
    void SetUp() override {
        ovsim::Reset();
        fw::SetRuntimeFolder(folder.Wide("run"));
        fw::ScopedLock lock(g_csCounters);
        g_passCount = g_failCount = 0;
        g_activeWorkers = 0;
    }
    void TearDown() override {
        ovsim::Reset();
        fw::SetRuntimeFolder(u"");
    }

    // A series-0 chip on the interface, connected as the window's connection step leaves it.
    SimDownloadHost& Attach(uint8_t iface, const ovsim::ChipSpec& chip = {}, bool connect = true) {
        const std::string name = iface == OV_IFACE_USART       ? "/dev/ttyUSB0"
                                 : iface == OV_IFACE_SWD_JLINK ? "000260001234"
                                                               : "0700000103";
        ovsim::Attach(iface, name, chip);
        m_name = name;
        host = std::make_unique<SimDownloadHost>(iface, iface == OV_IFACE_USART ? 115200 : 1000000);
        host->mutex = std::make_unique<fw::NamedMutex>(u"screen");
        settings.iface = iface;
        slot().deviceName = fw::Utf8ToText(name);
        if (connect) {
            EXPECT_TRUE(host->Connect(slot(), settings));
        }
        return *host;
    }

    ChannelSlot& slot() { return (*slotArray)[0]; }

    // A clean simulator and window state for the next row of a table.
    void Fresh() {
        TearDown();
        SetUp();
        slotArray = std::make_unique<std::array<ChannelSlot, 8>>();
        items = {};
        settings = {};
    }

    void UseImage(const std::vector<uint8_t>& image, uint32_t address) {
        items[0].enabled = 1;
        items[0].segmentCount = 1;
        SetSegment(items[0], 0, image, static_cast<uint32_t>(image.size()));
        items[0].addressText[0] = fw::Format(u"%08X", address);
        items[0].address[0] = address;
    }

    // On the series-0 chip (256 KB in 16 KB units): USER3 takes 4 units and USER1 the other 12, and USER1's
    // factory key is replaced.
    void WantUser1AndUser3WithANewKey() {
        items[0].configure = items[2].configure = 1;
        items[0].wantedSize = 12;
        items[2].wantedSize = 4;
        items[0].wantedKeyId = 0;
        items[2].wantedKeyId = 2;
        items[0].keyUpdate = 1;
        settings.partitionRead.held[0] = 0;
        const auto factory = ovsim::FactoryKey(0);
        items[0].oldKeyHex = BytesToHex(std::span<const uint8_t>(factory));
        items[0].newKeyHex = u"00112233445566778899AABBCCDDEEFF";
    }

    // Runs the job on a worker as the Download button does.
    void RunOnWorker() {
        {
            fw::ScopedLock lock(g_csCounters);
            ++g_activeWorkers;
        }
        std::thread worker([&] { RunDownloadJob(*host, items, settings, slot(), *slotArray); });
        worker.join();
    }

    void ExpectWindowRestored() {
        EXPECT_EQ(host->menuState, 1);
        EXPECT_EQ(host->controls, 1);
        EXPECT_EQ(host->countersUpdated, 1);
        EXPECT_EQ(g_activeWorkers, 0);
        // The device mutex is free again: another thread gets it at once.
        bool free = false;
        std::thread other([&] {
            free = host->mutex->Wait(0);
            if (free) host->mutex->Release();
        });
        other.join();
        EXPECT_TRUE(free);
    }

    std::vector<uint8_t> Flash(uint32_t address, size_t size) {
        return ovsim::ReadMemory(m_name, address, static_cast<uint32_t>(size));
    }

    fw::testing::TempFolder folder;
    std::unique_ptr<SimDownloadHost> host;
    DownloadItems items;
    DownloadJobSettings settings;
    std::unique_ptr<std::array<ChannelSlot, 8>> slotArray = std::make_unique<std::array<ChannelSlot, 8>>();
    std::string m_name;
};
