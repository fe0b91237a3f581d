#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/DownloadCounters.h"
#include "app/DownloadStart.h"

namespace {

DownloadSettingsInput Connected() {
    DownloadSettingsInput in;
    in.connected = true;
    in.deviceName = u"/dev/ttyUSB0";
    in.fileExt = u"bin";
    in.downloadFile = u"/tmp/a.bin";
    in.startAddress = u"08000000";
    return in;
}

DownloadItems MainItem() {
    DownloadItems items;
    ResetDownloadItems(items);
    return items;
}

TEST(CheckDownloadSettings, RefusalTable) {
    struct Case {
        const char* what;
        std::function<void(DownloadSettingsInput&)> change;
        const char16_t* refusal;
    };
    const Case cases[] = {
        {"not connected", [](auto& in) { in.connected = false; }, u"请先连接设备！"},
        {"no device", [](auto& in) { in.deviceName.clear(); }, u"无可用设备！"},
        {"external flash without key",
         [](auto& in) {
             in.series = 8;
             in.downloadArea = 4;
             in.encOption = 1;
         },
         u"外设FLASH密钥为空！"},
        {"enc on series 3",
         [](auto& in) {
             in.series = 3;
             in.fileExt = u"enc";
         },
         u"当前芯片不支持下载加密文件！"},
        {"enc over swd",
         [](auto& in) {
             in.iface = 3;
             in.fileExt = u"ENC";
         },
         u"当前接口不支持下载加密文件！"},
        {"series 10 nothing ticked",
         [](auto& in) {
             in.series = 10;
             in.jtagMode = true;
         },
         u"请选择下载的项目！"},
        {"series 10 no module", [](auto& in) { in.series = 10, in.safeModule = true; }, u"请选择安全模块！"},
        {"series 10 no module address",
         [](auto& in) {
             in.series = 10, in.safeModule = true;
             in.safeModuleFile = u"m.bin";
         },
         u"请输入安全模块起始地址！"},
        {"series 10 module address low",
         [](auto& in) {
             in.series = 10, in.safeModule = true;
             in.safeModuleFile = u"m.bin";
             in.safeModuleAddress = u"14FFFFFF";
         },
         u"安全模块起始地址不正确！"},
        {"series 10 no firmware",
         [](auto& in) {
             in.series = 10, in.firmwareFile = true;
             in.downloadFile.clear();
         },
         u"请选择固件文件！"},
        {"series 10 no firmware address",
         [](auto& in) {
             in.series = 10, in.firmwareFile = true;
             in.startAddress.clear();
         },
         u"请输入固件下载起始地址！"},
        {"series 10 firmware outside itcm",
         [](auto& in) {
             in.series = 10, in.firmwareFile = true;
             in.startAddress = u"00100000";
         },
         u"固件下载起始地址不正确！"},
        {"series 10 no info package",
         [](auto& in) {
             in.series = 10, in.firmwareFile = true, in.downloadArea = 3, in.infoPackMode = 0;
             in.startAddress = u"15000000";
         },
         u"请选择安全信息包！"},
        {"series 10 info package fails",
         [](auto& in) {
             in.series = 10, in.firmwareFile = true, in.downloadArea = 3, in.infoPackMode = 0;
             in.startAddress = u"15000000";
             in.infoPackageFile = u"p.bin";
             in.verifyInfoPackage = [] { return false; };
         },
         u"安全固件程序完整性校验不通过！"},
        {"series 10 no jtag key",
         [](auto& in) {
             in.series = 10, in.firmwareFile = true, in.jtagMode = true;
             in.startAddress = u"00001000";
         },
         u"请选择JTAG Key文件！"},
        {"no file", [](auto& in) { in.downloadFile.clear(); }, u"请选择下载文件！"},
        {"no start address", [](auto& in) { in.startAddress.clear(); }, u"未填写程序下载起始地址！"},
    };
    for (const Case& c : cases) {
        DownloadSettingsInput in = Connected();
        c.change(in);
        DownloadItems items = MainItem();
        const DownloadSettingsResult result = CheckDownloadSettings(in, items);
        EXPECT_FALSE(result.accepted) << c.what;
        EXPECT_EQ(result.refusal, c.refusal) << c.what;
    }
}

// A start address that is not 1 to 8 hex digits would be cut or read as another number: every road that takes a
// typed address refuses it, leaves the items alone and saves nothing.
TEST(CheckDownloadSettings, StartAddressOfMoreThanEightDigitsOrNotHexIsRefused) {
    struct Road {
        const char* what;
        std::function<void(DownloadSettingsInput&)> change;
        int item;
    };
    const Road roads[] = {
        {"internal flash", [](auto&) {}, 0},
        {"external flash",
         [](auto& in) {
             in.series = 8;
             in.downloadArea = 4;
         },
         2},
        {"security chip firmware",
         [](auto& in) {
             in.series = 10;
             in.firmwareFile = true;
         },
         0},
    };
    for (const Road& road : roads) {
        for (const char16_t* address : {u"108000000", u"0800G000", u"0x8000000", u"-1000"}) {
            SCOPED_TRACE(testing::Message() << road.what << " " << fw::TextToUtf8(address));
            DownloadSettingsInput in = Connected();
            road.change(in);
            in.startAddress = address;
            DownloadItems items = MainItem();
            const DownloadSettingsResult result = CheckDownloadSettings(in, items);
            EXPECT_FALSE(result.accepted);
            EXPECT_FALSE(result.saveStartAddress);
            EXPECT_EQ(result.refusal, u"下载起始地址无效，请输入不超过8位的十六进制数！");
            EXPECT_EQ(items[road.item].addressText[0], MainItem()[road.item].addressText[0]);
        }
    }
    DownloadSettingsInput in = Connected();
    in.startAddress = u"8000 400";  // fewer digits and spaces are still one address
    DownloadItems items = MainItem();
    ASSERT_TRUE(CheckDownloadSettings(in, items).accepted);
    EXPECT_EQ(items[0].address[0], 0x08000400u);
}

// The module is programmed first and the firmware's erase follows: a firmware on any page of the module would erase
// it, so the two must not share a page (the module's 0x1000 bytes at 0x15002000, pages of 0x800).
TEST(CheckDownloadSettings, SecurityModuleAndFirmwareMayNotSharePages) {
    struct Case {
        const char16_t* start;
        uint32_t length;
        bool accepted;
    };
    const Case cases[] = {
        {u"15002000", 0x100, false},   // the module's first byte
        {u"15000000", 0x2001, false},  // ends on the module's first byte
        {u"15002F00", 0x100, false},   // its last page
        {u"15003000", 0x100, true},    // the page after it
        {u"15001F00", 0x100, true},    // ends on the page before it
        {u"15000000", 0x2000, true},   // ends on the byte before it
        {u"15001FF0", 0x20, false},    // reaches into its first page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fw::TextToUtf8(c.start));
        DownloadSettingsInput in = Connected();
        in.series = 10, in.downloadArea = 3, in.infoPackMode = 2;
        in.safeModule = true, in.firmwareFile = true;
        in.safeModuleFile = u"m.bin";
        in.safeModuleAddress = u"15002000";
        in.safeModuleSize = 0x1000;
        in.pageSize = 0x800;
        in.startAddress = c.start;
        DownloadItems items = MainItem();
        SetSegment(items[0], 0, std::vector<uint8_t>(c.length, 0x11), c.length);
        const DownloadSettingsResult result = CheckDownloadSettings(in, items);
        EXPECT_EQ(result.accepted, c.accepted);
        EXPECT_EQ(result.refusal, c.accepted ? fw::Text() : fw::Text(u"安全模块与固件的地址范围重叠！"));
    }
}

TEST(CheckDownloadSettings, AcceptedBinGetsItsStartAddress) {
    DownloadSettingsInput in = Connected();
    in.startAddress = u"08000400";
    DownloadItems items = MainItem();
    const DownloadSettingsResult result = CheckDownloadSettings(in, items);
    ASSERT_TRUE(result.accepted);
    EXPECT_TRUE(result.saveStartAddress);
    EXPECT_EQ(items[0].address[0], 0x08000400u);
    EXPECT_EQ(items[0].addressText[0], u"08000400");
}

TEST(CheckDownloadSettings, HexInProductionNeedsNoStartAddress) {
    DownloadSettingsInput in = Connected();
    in.productionMode = true;
    in.connected = false;
    in.fileExt = u"hex";
    in.startAddress.clear();
    DownloadItems items = MainItem();
    EXPECT_TRUE(CheckDownloadSettings(in, items).accepted);
}

TEST(CheckDownloadSettings, ExternalFlashFileGoesToItem2AtTheTypedAddress) {
    DownloadSettingsInput in = Connected();
    in.series = 9;
    in.downloadArea = 4;
    in.startAddress = u"00100000";
    DownloadItems items = MainItem();
    ASSERT_TRUE(CheckDownloadSettings(in, items).accepted);
    EXPECT_FALSE(items[0].enabled);
    EXPECT_TRUE(items[2].enabled);
    EXPECT_EQ(items[2].addressText[0], u"00100000");
}

TEST(CheckDownloadSettings, DriverThatDoesNotLoadStopsSilently) {
    DownloadSettingsInput in = Connected();
    in.series = 8;
    in.downloadArea = 2;
    in.loadExternalFlashDriver = [] { return false; };
    DownloadItems items = MainItem();
    const DownloadSettingsResult result = CheckDownloadSettings(in, items);
    EXPECT_FALSE(result.accepted);
    EXPECT_TRUE(result.refusal.empty());
}

TEST(SelectMainDownloadItem, AProjectKeepsItsItems) {
    DownloadItems items = MainItem();
    items[1].enabled = 1;
    EXPECT_FALSE(SelectMainDownloadItem(items, u"DLPF"));
    EXPECT_TRUE(items[1].enabled);
    EXPECT_TRUE(SelectMainDownloadItem(items, u"bin"));
    EXPECT_FALSE(items[1].enabled);
    EXPECT_TRUE(items[0].enabled);
}

TEST(DownloadWorkers, ASecondStartWhileChannel0RunsIsRefused) {
    {
        fw::ScopedLock lock(g_csCounters);
        g_activeWorkers = 0;
    }
    std::array<ChannelSlot, 8> slots;
    std::atomic<bool> release{false};
    std::atomic<int> jobs{0};
    DownloadWorkers workers;
    const auto job = [&](ChannelSlot& slot) {
        ++jobs;
        while (!release)
            std::this_thread::yield();
        fw::ScopedLock lock(g_csCounters);
        --g_activeWorkers;
        slot.worker = nullptr;
    };
    const auto none = [](int) { return false; };
    EXPECT_EQ(workers.Start(slots, false, none, job).started, 1);
    const auto second = workers.Start(slots, false, none, job);
    EXPECT_TRUE(second.busy);
    EXPECT_EQ(second.started, 0);
    release = true;
    workers.JoinAll();
    EXPECT_EQ(jobs, 1);
    EXPECT_EQ(g_activeWorkers, 0);
    EXPECT_EQ(workers.Start(slots, false, none, job).started, 1);  // free again once it ended
    workers.JoinAll();
}

TEST(DownloadWorkers, ProductionStartsTickedPresentChannelsOnly) {
    {
        fw::ScopedLock lock(g_csCounters);
        g_activeWorkers = 0;
    }
    std::array<ChannelSlot, 8> slots;
    slots[2].present = slots[5].present = slots[6].present = 1;
    std::atomic<int> mask{0};
    DownloadWorkers workers;
    const auto job = [&](ChannelSlot& slot) {
        mask |= 1 << slot.number;
        fw::ScopedLock lock(g_csCounters);
        --g_activeWorkers;
    };
    EXPECT_EQ(workers
                  .Start(
                      slots, true, [](int n) { return n != 6; }, job)
                  .started,
              2);
    workers.JoinAll();
    EXPECT_EQ(mask, (1 << 2) | (1 << 5));
    DownloadWorkers none;
    EXPECT_EQ(none.Start(
                      slots, true, [](int) { return false; }, job)
                  .started,
              0);
}

}  // namespace
