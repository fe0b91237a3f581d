#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/DownloadCounters.h"
#include "app/DownloadFiles.h"
#include "app/DownloadJob.h"
#include "core/StatusText.h"
#include "core/Translation.h"
#include "devicelib/OvMcuSim.h"
#include "framework/Format.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/app/download/JobFixture.h"
#include "tests/app/download/SimDownloadHost.h"
#include "tests/framework/TempFolder.h"

namespace {

using hexfile::Pattern;

const char16_t* const kDone = u"程序下载完成！";

TEST_F(JobTest, BinOverUsartProgramsTheFlashAndCountsOnePass) {
    Attach(OV_IFACE_USART);
    const auto image = Pattern(0x1800);
    UseImage(image, 0x08000400);
    host->progressTotal = 0x1800 / 128;

    RunOnWorker();

    EXPECT_EQ(Flash(0x08000400, image.size()), image);
    EXPECT_EQ(g_passCount, 1);
    EXPECT_EQ(g_failCount, 0);
    EXPECT_TRUE(host->HasLine(kDone, kStatusSuccess));
    EXPECT_TRUE(host->HasLine(u"擦除范围：0x08000000-0x08001FFF", kStatusPlain));
    EXPECT_TRUE(host->HasLine(u"下载范围：0x08000400-0x08001BFF", kStatusPlain));
    const auto lines = host->Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2].text.rfind(u"下载用时：", 0), 0u);
    EXPECT_EQ(host->steps, host->rangeTotal);
    EXPECT_EQ(host->rangeTotal, 0x1800u / 128);
    EXPECT_EQ(items[0].address[0], 0x08000400u);
    ExpectWindowRestored();
}

TEST_F(JobTest, HexOverCmsisDapWritesEverySegmentAndTheFileOptionBytes) {
    Attach(OV_IFACE_SWD_CMSIS_DAP);
    const auto first = Pattern(0x900), second = Pattern(0x40, 3);
    std::vector<uint8_t> option(20);
    for (int i = 0; i < 20; i += 2) {
        option[i] = i == 0 ? 0xA5 : 0xFF;
        option[i + 1] = static_cast<uint8_t>(~option[i]);
    }
    folder.Write("app.hex", hexfile::Text({{0x08000000, first}, {0x1FFFF800, option}, {0x08004000, second}}));
    uint8_t writeOptionBytes = 0;
    ASSERT_TRUE(LoadHexFile(folder.Wide("app.hex"), 0, items[0], writeOptionBytes, settings.fileOptionBytes,
                            [](const fw::Text&, uint32_t) {}));
    items[0].enabled = 1;
    settings.writeOptionBytes = writeOptionBytes;
    settings.fileExt = u"hex";
    host->progressTotal = 2;

    RunOnWorker();

    EXPECT_EQ(g_passCount, 1);
    EXPECT_EQ(Flash(0x08000000, first.size()), first);
    EXPECT_EQ(Flash(0x08004000, second.size()), second);
    const auto image = ovsim::OptionImage(m_name);
    EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.begin() + 20), option);
    EXPECT_TRUE(host->HasLine(u"配置选项字节成功，复位后生效！", kStatusSuccess));
    ExpectWindowRestored();
}

// The option bytes a file brings reach the chip as the file holds them, whatever the chip held before.
TEST_F(JobTest, FileOptionBytesReachTheChip) {
    Attach(OV_IFACE_USART);
    settings.fileOptionBytes.operation = 1;
    settings.fileOptionBytes.length = 20;
    for (int i = 0; i < 20; i += 2) {
        settings.fileOptionBytes.data[i] = i == 0 ? 0xA5 : i == 4 ? 0x12 : 0xFF;
        settings.fileOptionBytes.data[i + 1] = static_cast<uint8_t>(~settings.fileOptionBytes.data[i]);
    }
    settings.writeOptionBytes = true;
    settings.fileExt = u"hex";
    UseImage(Pattern(64), 0x08002000);

    RunOnWorker();

    EXPECT_EQ(g_passCount, 1);
    EXPECT_EQ(ovsim::OptionImage(m_name)[4], 0x12);
}

// A project's option bytes go over the chip's own image; with no image read, or one read short of the bytes a
// write sends, nothing is written rather than the project's bytes over zeros.
TEST_F(JobTest, ProjectOptionBytesNeedTheChipsWholeImage) {
    for (const int answered : {-1, 19}) {  // -1: the job read nothing
        SCOPED_TRACE(answered);
        Fresh();
        Attach(OV_IFACE_USART);
        settings.writeOptionBytes = true;
        settings.projectOptionBytes = std::array<uint8_t, 20>{0xA5, 0x5A};
        DownloadJob job(*host, items, settings, slot());
        if (answered >= 0) {
            ovsim::InjectShortRead(ovsim::Fn::OptRw, 1, static_cast<uint32_t>(answered));
            ASSERT_EQ(job.TakeOptionImage(), 0);
        }
        ovsim::ClearCallLog();
        EXPECT_EQ(job.WriteOptionBytes(), 0);
        EXPECT_TRUE(host->HasLine(u"配置选项字节失败！", kStatusFailure));
        for (const ovsim::CallRecord& call : ovsim::CallLog())
            EXPECT_NE(call.fn, ovsim::Fn::OptRw);
    }
}

// The option step comes before anything that erases: a project whose option bytes cannot be laid over a whole image
// of the chip's stops the job there, whether the job read the chip at its own connection or takes it connected.
TEST_F(JobTest, AShortOptionReadStopsTheJobBeforeTheFirstErase) {
    for (const bool connected : {true, false}) {
        SCOPED_TRACE(connected ? "connected by the window" : "connected by the job");
        Fresh();
        Attach(OV_IFACE_USART, {}, connected);
        settings.writeOptionBytes = true;
        settings.projectOptionBytes = std::array<uint8_t, 20>{0xA5, 0x5A, 0xFF, 0x00, 0xCC, 0x33};
        UseImage(Pattern(256), 0x08002000);
        const std::vector<uint8_t> flashBefore = Flash(0x08002000, 256);
        const std::vector<uint8_t> optionsBefore = ovsim::OptionImage(m_name);
        ovsim::ClearCallLog();
        // Every option read answers 19 of the 20 bytes a series-0 write sends.
        for (int read = 1; read <= 2; ++read)
            ovsim::InjectShortRead(ovsim::Fn::OptRw, read, 19);

        RunOnWorker();

        EXPECT_EQ(g_failCount, 1);
        EXPECT_EQ(g_passCount, 0);
        EXPECT_TRUE(host->HasLine(u"读取选项字节失败，无法配置项目的选项字节，下载已停止！", kStatusFailure));
        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::FlashErase), 0);
        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::FlashDwnld), 0);
        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::OptRw), connected ? 1 : 2);  // the reads, and no write
        EXPECT_EQ(Flash(0x08002000, 256), flashBefore);
        EXPECT_EQ(ovsim::OptionImage(m_name), optionsBefore);
        ExpectWindowRestored();
    }
}

// A security chip's option items come from an item list read out of a file: every whole entry reaches the chip
// with its item word, and an entry the list does not hold whole is not written.
TEST_F(JobTest, SecurityChipItemListIsWrittenEntryByEntry) {
    Attach(OV_IFACE_USART, ChipOfSeries(10));
    settings.writeOptionBytes = true;
    settings.optionTable = {0x01, 0x01, 0x00, 0x00, 0x00, 0x01,               // RDP level 1
                            0x02, 0x08, 0x00, 0x00, 0x00, 0xEB, 0xEB,         // CRYPTION bound
                            0x04, 0x03, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00};  // BOOTADDR_M7, cut short
    ovsim::ClearCallLog();
    EXPECT_EQ(DownloadJob(*host, items, settings, slot()).WriteOptionBytes(), 1);
    const auto image = ovsim::OptionImage(m_name);
    EXPECT_EQ(image.at(0), 0x01);
    EXPECT_EQ(image.at(23), 0xEB);
    EXPECT_EQ(image.at(24), 0xEB);
    EXPECT_EQ(image.at(5), 0x00);  // M7 keeps 0x15000000
    EXPECT_EQ(image.at(8), 0x15);
    int writes = 0;
    for (const ovsim::CallRecord& call : ovsim::CallLog())
        writes += call.fn == ovsim::Fn::OptRw;
    EXPECT_EQ(writes, 2);
}

struct FaultCase {
    ovsim::Fn fn;
    StatusCode status;
    const char16_t* stepFailure;  // null: only the status text
};

TEST_F(JobTest, AFailingDeviceCallFailsTheJobOnce) {
    const FaultCase cases[] = {
        {ovsim::Fn::FlashErase, CMD_STATUS_PAGE_WRP_PROTECTED, u"擦除Flash失败！"},
        {ovsim::Fn::FlashDwnld, CMD_STATUS_PROGRAM_FAILED, u"下载失败！"},
        {ovsim::Fn::OptRw, CMD_STATUS_BAD_PARAMETER, u"配置选项字节失败！"},
        {ovsim::Fn::GetInf, CMD_STATUS_BAD_FRAME, u"获取芯片信息失败！"},
        {ovsim::Fn::ConnectDev, 1, u"连接设备失败！"},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(ovsim::FnName(c.fn));
        Fresh();
        const bool connectStep = c.fn == ovsim::Fn::GetInf || c.fn == ovsim::Fn::ConnectDev;
        Attach(OV_IFACE_USART, {}, !connectStep);
        UseImage(Pattern(256), 0x08000000);
        settings.writeOptionBytes = true;
        settings.fileOptionBytes.operation = 1;
        settings.fileOptionBytes.length = 20;
        std::fill(std::begin(settings.fileOptionBytes.data), std::end(settings.fileOptionBytes.data), 0xFF);
        settings.fileOptionBytes.data[0] = 0xA5;
        settings.fileOptionBytes.data[1] = 0x5A;
        ovsim::InjectStatus(c.fn, 1, c.status);

        RunOnWorker();

        EXPECT_EQ(g_failCount, 1);
        EXPECT_EQ(g_passCount, 0);
        EXPECT_FALSE(host->HasLine(kDone, kStatusSuccess));
        EXPECT_TRUE(host->HasLine(c.stepFailure, kStatusFailure));
        if (!connectStep) {
            const fw::Text statusText = StatusCodeToText(static_cast<int32_t>(c.status));
            bool shown = host->HasLine(statusText, kStatusFailure);
            for (const auto& [text, colour] : host->log)
                shown = shown || (text == statusText && colour == 0xDCu);
            EXPECT_TRUE(shown);
        }
        ExpectWindowRestored();
    }
}

TEST_F(JobTest, ReadProtectionAfterTheDownloadLevelOneThenTwo) {
    Attach(OV_IFACE_USART);
    UseImage(Pattern(64), 0x08002000);
    settings.l1AfterDownload = settings.l2AfterDownload = true;
    RunOnWorker();
    EXPECT_EQ(g_passCount, 1);
    const auto lines = host->Lines();
    const auto at = [&](const char16_t* text) {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].text == text) return static_cast<int>(i);
        }
        return -1;
    };
    EXPECT_GE(at(u"使能读保护等级L1成功，复位后生效！"), 0);
    EXPECT_GT(at(u"使能读保护等级L2成功，复位后生效！"), at(u"使能读保护等级L1成功，复位后生效！"));
    EXPECT_EQ(slot().rdpLevel, 2);
    EXPECT_EQ(ovsim::State(m_name).pendingLevel, 2);
}

TEST_F(JobTest, ReadProtectionFailureAfterTheDownloadStillPasses) {
    Attach(OV_IFACE_USART);
    UseImage(Pattern(64), 0x08002000);
    settings.l1AfterDownload = true;
    ovsim::InjectStatus(ovsim::Fn::ReadProtect, 1, CMD_STATUS_BAD_PARAMETER);
    RunOnWorker();
    EXPECT_EQ(g_passCount, 1);
    EXPECT_EQ(g_failCount, 0);
    EXPECT_TRUE(host->HasLine(kDone, kStatusSuccess));
    EXPECT_FALSE(host->HasLine(u"使能读保护等级L1成功，复位后生效！", kStatusSuccess));
    EXPECT_EQ(slot().rdpLevel, 0);
}

}  // namespace
