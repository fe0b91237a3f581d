// Every device call of the programming sequence, made to fail on the simulated chip: the job must fail at that
// step with its line and one failure counted, and must not go on to the next step. Run without the fault, the
// same arrangement passes and makes that call, so no row can pass by never reaching its step.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/DownloadJobSteps.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/app/download/JobFixture.h"

namespace {

using hexfile::Pattern;

const char16_t* const kDone = u"程序下载完成！";

struct StepFault {
    const char* step;
    ovsim::Fn fn;
    int nth;    // the nth call of fn in the job fails
    int times;  // consecutive failing calls (a reconnection tries eleven times)
    const char16_t* line;
    bool redLog;  // the step says so in red in the log rather than as the channel's failure line
};

struct Arrangement {
    const char* name;
    std::function<void()> arrange;
    std::vector<StepFault> faults;
};

class JobStepFaults : public JobTest {
public:
    // A connection answers 0 for success, every other call its status.
    static bool Succeeded(const ovsim::CallRecord& call) {
        return call.status == (call.fn == ovsim::Fn::ConnectDev ? 0u : CMD_STATUS_OK);
    }
    int OkCalls(ovsim::Fn fn) const {
        int n = 0;
        for (const ovsim::CallRecord& call : ovsim::CallLog())
            n += call.fn == fn && Succeeded(call) && call.device == m_name;
        return n;
    }
    bool RedLog(const fw::Text& text) const {
        for (const auto& [line, colour] : host->log) {
            if (line == text && colour == download_steps::kRed) return true;
        }
        return false;
    }
    void FileOptionBytes() {
        settings.writeOptionBytes = true;
        settings.fileExt = u"hex";
        settings.fileOptionBytes.operation = 1;
        settings.fileOptionBytes.length = 20;
        for (int i = 0; i < 20; i += 2) {
            settings.fileOptionBytes.data[i] = i == 0 ? 0xA5 : 0xFF;
            settings.fileOptionBytes.data[i + 1] = static_cast<uint8_t>(~settings.fileOptionBytes.data[i]);
        }
    }

    void ConfigurePartitions(uint8_t iface) {
        Attach(iface);
        UseImage(Pattern(256), 0x08000000);
        WantUser1AndUser3WithANewKey();
    }

    std::vector<Arrangement> Arrangements() {
        return {
            {"read protection L1 lifted before the download",
             [this] {
                 ovsim::ChipSpec chip;
                 chip.readProtection = 1;
                 Attach(OV_IFACE_USART, chip);
                 settings.unlockL1Before = true;
                 UseImage(Pattern(256), 0x08000000);
             },
             {
                 {"lift L1", ovsim::Fn::ReadProtect, 1, 1, u"解除读保护等级L1失败！", false},
                 {"reset after lifting", ovsim::Fn::SysReset, 1, 1, u"复位失败！", false},
                 {"reconnect after lifting", ovsim::Fn::ConnectDev, 1, 11, u"重新连接设备失败！", false},
             }},
            {"write protection lifted over SWD",
             [this] {
                 ovsim::ChipSpec chip;
                 chip.writeProtection = {0x00, 0xFF, 0xFF, 0xFF};
                 Attach(OV_IFACE_SWD_CMSIS_DAP, chip);
                 host->answers.push_back(true);
                 UseImage(Pattern(256), 0x08004000);
             },
             {
                 {"lift write protection", ovsim::Fn::WriteProtect, 1, 1, u"解除写保护失败！", false},
             }},
            {"partitions configured and a key updated",
             [this] { ConfigurePartitions(OV_IFACE_USART); },
             {
                 {"partition write", ovsim::Fn::UserxOp, 1, 1, u"配置分区信息失败！", false},
                 {"partition read-back", ovsim::Fn::UserxOp, 2, 1, u"读取分区信息失败！", false},
                 {"key update", ovsim::Fn::KeyUpdate, 1, 1, u"更新密钥失败！", false},
                 {"reset after configuring", ovsim::Fn::SysReset, 1, 1, u"复位失败！", false},
                 {"reconnect after configuring", ovsim::Fn::ConnectDev, 1, 11, u"重新连接设备失败！", false},
                 {"chip information after configuring", ovsim::Fn::GetInf, 1, 1, u"获取芯片信息失败！", false},
             }},
            {"partitions configured over USB DFU",
             [this] { ConfigurePartitions(OV_IFACE_USB_DFU); },
             {
                 {"reset after configuring", ovsim::Fn::SysReset, 1, 1, u"复位失败！", false},
             }},
            {"internal flash and the file's option bytes",
             [this] {
                 Attach(OV_IFACE_USART);
                 UseImage(Pattern(256), 0x08002000);
                 FileOptionBytes();
             },
             {
                 {"erase", ovsim::Fn::FlashErase, 1, 1, u"擦除Flash失败！", false},
                 {"download", ovsim::Fn::FlashDwnld, 1, 1, u"下载失败！", false},
                 {"option bytes", ovsim::Fn::OptRw, 1, 1, u"配置选项字节失败！", false},
             }},
            {"external flash",
             [this] {
                 Attach(OV_IFACE_USART, ChipOfSeries(8));
                 settings.chipSeries = 8;
                 settings.downloadArea = 4;
                 settings.extId = 1;
                 items[2].enabled = 1;
                 SetSegment(items[2], 0, Pattern(48), 48);
                 items[2].addressText[0] = u"00001000";
             },
             {
                 {"external erase", ovsim::Fn::ExtFlashErase, 1, 1, u"USER3 擦除外设Flash失败！", false},
                 {"external download", ovsim::Fn::ExtFlashDwnld, 1, 1, u"USER3 下载失败！", false},
             }},
            {"SRAM through the external API",
             [this] {
                 Attach(OV_IFACE_USART, ChipOfSeries(8));
                 settings.chipSeries = 8;
                 settings.downloadArea = 5;
                 UseImage(Pattern(64), 0x2000A000);
             },
             {
                 {"external API download", ovsim::Fn::ExtApiDwnld, 1, 1, u"下载失败！", false},
             }},
            {"whole flash read back over SWD",
             [this] {
                 Attach(OV_IFACE_SWD_CMSIS_DAP);
                 settings.crcAfterDownload = true;
                 UseImage(Pattern(256), 0x08004000);
             },
             {
                 {"read-back and its retry", ovsim::Fn::RecvData, 1, 2, u"读取整个FLASH失败！", false},
             }},
            {"series-12 checksum in the option bytes",
             [this] {
                 Attach(OV_IFACE_SWD_CMSIS_DAP, ChipOfSeries(12));
                 settings.chipSeries = 12;
                 settings.writeCrc32 = true;
                 UseImage(Pattern(256), 0x08001000);
             },
             {
                 {"option read for the checksum", ovsim::Fn::OptRw, 1, 1, u"读选项字节失败！", false},
                 {"option write of the checksum", ovsim::Fn::OptRw, 2, 1, u"写选项字节失败！", false},
             }},
            {"series-7 download flag",
             [this] {
                 Attach(OV_IFACE_USART, ChipOfSeries(7));
                 settings.chipSeries = 7;
                 settings.writeDownloadFlag = true;
                 UseImage(Pattern(256), 0x08001000);
             },
             {
                 {"download flag", ovsim::Fn::SendCommand, 1, 1, u"写下载标志失败！", false},
             }},
            {"security chip with its module, keys and JTAG",
             [this] {
                 Attach(OV_IFACE_SWD_CMSIS_DAP, ChipOfSeries(10));
                 settings.chipSeries = 10;
                 settings.downloadArea = 3;
                 settings.infoPackMode = 1;
                 settings.firmwareFile = true;
                 settings.safeModule = true;
                 settings.safeModuleData = Pattern(0x100, 7);
                 settings.jtagMode = true;
                 settings.encOptionSelection = 1;
                 settings.jtagKey = 0x11223344;
                 settings.rek.fill(0xA5);
                 settings.idKey.fill(0x5A);
                 UseImage(Pattern(0x800, 3), 0x15001000);
             },
             {
                 {"encryption level", ovsim::Fn::OptRw, 1, 1, u"读取加密等级失败！", true},
                 {"reset after the dual-core options", ovsim::Fn::SysReset, 1, 1, u"复位失败！", false},
                 {"security module erase", ovsim::Fn::FlashErase, 1, 1, u"下载安全模块失败！", false},
                 {"security module download", ovsim::Fn::FlashDwnld, 1, 1, u"下载安全模块失败！", false},
                 {"firmware download", ovsim::Fn::FlashDwnld, 2, 1, u"下载失败！", false},
                 {"REK", ovsim::Fn::SetKey, 1, 1, u"设置REK失败！", false},
                 {"IDKey", ovsim::Fn::SetKey, 2, 1, u"设置IDKey失败！", false},
                 {"JTAG mode", ovsim::Fn::SetJtagMode, 1, 1, u"设置JTAG模式失败！", false},
                 {"JTAG key", ovsim::Fn::SetKey, 3, 1, u"修改JTAG密钥失败！", false},
             }},
        };
    }
};

TEST_F(JobStepFaults, EveryStepsDeviceFailureFailsTheJobThere) {
    for (const Arrangement& arrangement : Arrangements()) {
        SCOPED_TRACE(arrangement.name);
        Fresh();
        arrangement.arrange();
        ovsim::ClearCallLog();
        RunOnWorker();
        ASSERT_EQ(g_passCount, 1);
        EXPECT_TRUE(host->HasLine(kDone, kStatusSuccess));
        for (const StepFault& fault : arrangement.faults) {
            SCOPED_TRACE(fault.step);
            EXPECT_GE(OkCalls(fault.fn), fault.nth) << "the passing job never made the call";
        }

        for (const StepFault& fault : arrangement.faults) {
            SCOPED_TRACE(fault.step);
            Fresh();
            arrangement.arrange();
            ovsim::ClearCallLog();
            for (int i = 0; i < fault.times; ++i)
                ovsim::InjectStatus(fault.fn, i == 0 ? fault.nth : 1, CMD_STATUS_BAD_FRAME, m_name);

            RunOnWorker();

            EXPECT_EQ(g_failCount, 1);
            EXPECT_EQ(g_passCount, 0);
            EXPECT_FALSE(host->HasLine(kDone, kStatusSuccess));
            if (fault.redLog) {
                EXPECT_TRUE(RedLog(fault.line));
            } else {
                EXPECT_TRUE(host->HasLine(fault.line, kStatusFailure));
            }
            // Nothing runs after the failing call: the chip stays as the last good step left it.
            const auto log = ovsim::CallLog();
            ASSERT_FALSE(log.empty());
            EXPECT_EQ(log.back().fn, fault.fn);
            EXPECT_FALSE(Succeeded(log.back()));
            ExpectWindowRestored();
        }
    }
}

}  // namespace
