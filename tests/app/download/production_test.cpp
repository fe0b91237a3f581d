#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/DownloadCounters.h"
#include "app/DownloadJob.h"
#include "app/DownloadStart.h"
#include "devicelib/OvMcuSim.h"
#include "framework/Format.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/app/download/JobFixture.h"

namespace {

using hexfile::Pattern;

// Production mode: a chip on the CMSIS-DAP probe of some channels, found by the device scan, started by the
// Download button through the channel workers.
class ProductionTest : public JobTest {
public:
    static std::string ProbeName(int channel) { return fw::TextToUtf8(fw::Format(u"07000001%02d", channel)); }

    void AttachChannels(const std::vector<int>& channels, const ovsim::ChipSpec& chip) {
        host = std::make_unique<SimDownloadHost>(OV_IFACE_SWD_CMSIS_DAP, 1000000);
        settings.iface = OV_IFACE_SWD_CMSIS_DAP;
        settings.productionMode = true;
        for (int n : channels) {
            ovsim::Attach(OV_IFACE_SWD_CMSIS_DAP, ProbeName(n), chip);
            (*slotArray)[n].present = 1;
            (*slotArray)[n].deviceName = fw::Utf8ToText(ProbeName(n));
        }
    }

    int RunProduction(const std::function<bool(int)>& ticked) {
        DownloadWorkers workers;
        const auto started = workers.Start(*slotArray, true, ticked, [this](ChannelSlot& s) {
            RunDownloadJob(*host, items, settings, s, *slotArray);
        });
        workers.JoinAll();
        return started.started;
    }
    int RunProduction(const std::set<int>& ticked) {
        return RunProduction([&](int n) { return ticked.count(n) != 0; });
    }

    static int CallsOn(ovsim::Fn fn, const std::string& device) {
        const auto log = ovsim::CallLog();
        return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const ovsim::CallRecord& call) {
            return call.fn == fn && call.device == device;
        }));
    }

    // Every worker has counted, the last one restored the window and no channel keeps a worker.
    void ExpectAllReleased(int jobs) {
        EXPECT_EQ(g_activeWorkers, 0);
        EXPECT_EQ(host->menuState, 1);
        EXPECT_EQ(host->controls, 1);
        EXPECT_EQ(host->countersUpdated, jobs);
        EXPECT_EQ(host->lastWorkerEnded, 1);
        for (const ChannelSlot& s : *slotArray)
            EXPECT_EQ(s.worker.load(), nullptr) << "channel " << s.number;
        EXPECT_TRUE(ovsim::Overlaps().empty());
    }
};

TEST_F(ProductionTest, EveryTickedChannelProgramsItsOwnChip) {
    struct Row {
        const char* name;
        std::vector<int> chips;
        std::set<int> ticked;
    };
    const Row rows[] = {
        {"two channels", {0, 1}, {0, 1, 2, 3, 4, 5, 6, 7}},
        {"three channels, not side by side", {1, 3, 6}, {1, 3, 6}},
        {"an unticked chip is left alone", {2, 4, 5}, {2, 5}},
    };
    const auto image = Pattern(0x3000, 7);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fresh();
        AttachChannels(row.chips, {});
        UseImage(image, 0x08000000);

        const int started = RunProduction(row.ticked);

        int programmed = 0;
        std::set<fw::Text> ucids;
        for (int n : row.chips) {
            const ChannelSlot& s = (*slotArray)[n];
            if (row.ticked.count(n) != 0) {
                ++programmed;
                EXPECT_EQ(ovsim::ReadMemory(ProbeName(n), 0x08000000, static_cast<uint32_t>(image.size())), image)
                    << "channel " << n;
                EXPECT_EQ(CallsOn(ovsim::Fn::FlashDwnld, ProbeName(n)), 1) << "channel " << n;
                EXPECT_FALSE(s.ucidNow.empty());
                EXPECT_EQ(s.ucidConfigured, s.ucidNow);
                ucids.insert(s.ucidNow);
            } else {
                EXPECT_EQ(CallsOn(ovsim::Fn::ConnectDev, ProbeName(n)), 0) << "channel " << n;
                EXPECT_EQ(ovsim::ReadMemory(ProbeName(n), 0x08000000, 16), std::vector<uint8_t>(16, 0xFF));
            }
        }
        EXPECT_EQ(started, programmed);
        EXPECT_EQ(static_cast<int>(ucids.size()), programmed);  // each job read its own chip
        EXPECT_EQ(g_passCount, programmed);
        EXPECT_EQ(g_failCount, 0);
        const auto lines = host->Lines();
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const auto& l) { return l.text == u"程序下载完成！" && l.kind == kStatusSuccess; }),
                  programmed);
        ExpectAllReleased(programmed);
    }
}

// A job that ends while the button is still starting the next channels is not the last one: the window is
// restored once, after every chip.
TEST_F(ProductionTest, AJobEndingBeforeTheNextChannelStartsIsNotTheLast) {
    AttachChannels({0, 1}, {});
    UseImage(Pattern(0x400), 0x08000000);
    const auto ticked = [&](int n) {
        // Give channel 0's job, if it already runs, the time to end before channel 1 is looked at.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (n == 1 && host->countersUpdated == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return n <= 1;
    };

    EXPECT_EQ(RunProduction(ticked), 2);

    EXPECT_EQ(g_passCount, 2);
    ExpectAllReleased(2);
}

// The key and JTAG steps of the security chip go to the channel's own chip: a job that used channel 0's handle
// would set channel 0's chip twice and leave the other one as it came.
TEST_F(ProductionTest, SecurityChipKeysAndJtagGoToEachChannelsOwnChip) {
    const std::vector<int> channels{0, 2};
    AttachChannels(channels, ChipOfSeries(10));
    const auto image = Pattern(0x2000, 3);
    UseImage(image, 0x15001000);
    settings.chipSeries = 10;
    settings.downloadArea = 3;
    settings.infoPackMode = 1;
    settings.jtagMode = true;
    settings.encOptionSelection = 1;
    settings.jtagKey = 0x11223344;
    for (uint8_t i = 0; i < 16; ++i) {
        settings.rek[i] = static_cast<uint8_t>(0xA0 + i);
        settings.idKey[i] = static_cast<uint8_t>(0x50 + i);
    }

    ASSERT_EQ(RunProduction({0, 2}), 2);

    for (int n : channels) {
        SCOPED_TRACE(ProbeName(n));
        const ovsim::ChipState state = ovsim::State(ProbeName(n));
        EXPECT_EQ(state.rek, settings.rek);
        EXPECT_EQ(state.idKey, settings.idKey);
        EXPECT_EQ(state.jtagKey, (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11}));
        EXPECT_EQ(state.jtagMode, 1);
        EXPECT_EQ(CallsOn(ovsim::Fn::SetKey, ProbeName(n)), 3);
        EXPECT_EQ(CallsOn(ovsim::Fn::SetJtagMode, ProbeName(n)), 1);
        // The dual-core step ran on this chip too: bound encryption and the M7 core at the firmware.
        const auto options = ovsim::OptionImage(ProbeName(n));
        EXPECT_EQ(options.at(23), 0xEB);
        EXPECT_EQ(options.at(24), 0xEB);
        EXPECT_EQ(options.at(5) | options.at(6) << 8 | options.at(7) << 16 | options.at(8) << 24, 0x15001000);
        EXPECT_EQ(ovsim::ReadMemory(ProbeName(n), 0x15001000, static_cast<uint32_t>(image.size())), image);
    }
    EXPECT_EQ(g_passCount, 2);
    EXPECT_EQ(g_failCount, 0);
    ExpectAllReleased(2);
}

}  // namespace
