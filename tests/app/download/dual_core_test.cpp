#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/DownloadJob.h"
#include "app/DownloadJobSteps.h"
#include "core/StatusText.h"
#include "devicelib/OvMcuSim.h"
#include "tests/app/download/JobFixture.h"

namespace {

using Bytes2 = std::array<uint8_t, 2>;

constexpr uint32_t kDefaultM7 = 0x15000000;  // a new security chip starts its M7 core there
constexpr Bytes2 kPlain{0x00, 0x00}, kUnbound{0x0B, 0xE0}, kBound{0xEB, 0xEB};

class DualCoreTest : public JobTest {
public:
    // The encryption level (item 8) and the M7 start address (item 3) as the chip holds them.
    Bytes2 Cryption() const {
        const auto image = ovsim::OptionImage(m_name);
        return {image.at(23), image.at(24)};
    }
    uint32_t M7Address() const {
        const auto image = ovsim::OptionImage(m_name);
        return image.at(5) | image.at(6) << 8 | image.at(7) << 16 | static_cast<uint32_t>(image.at(8)) << 24;
    }
    void HoldCryption(const Bytes2& bytes) {
        OptionRwBlock block{};
        block.operation = 1;
        block.item = 8;
        block.length = 2;
        block.data[0] = bytes[0];
        block.data[1] = bytes[1];
        ASSERT_EQ(OV_CMD_OPT_RW(slot().handle, &block), CMD_STATUS_OK);
    }
    bool HasRedLog(const fw::Text& text) const {
        for (const auto& [line, colour] : host->log) {
            if (line == text && colour == download_steps::kRed) return true;
        }
        return false;
    }
};

TEST_F(DualCoreTest, EncryptionLevelAndM7AddressByInfoPackageMode) {
    struct Row {
        const char* name;
        uint8_t mode;
        Bytes2 held;
        uint32_t firmware;
        int failingOptionCall;  // 0: none; else the nth option call of the step answers an error
        int result;
        Bytes2 cryption;
        uint32_t m7;
        int resets;
        const char16_t* failure;
    };
    const Row rows[] = {
        {"mode 0 encrypts unbound", 0, kPlain, kDefaultM7, 0, 1, kUnbound, kDefaultM7, 1, nullptr},
        {"mode 0 already unbound: nothing, no reset", 0, kUnbound, 0x15001000, 0, 1, kUnbound, kDefaultM7, 0, nullptr},
        {"mode 0 turns bound into unbound", 0, kBound, kDefaultM7, 0, 1, kUnbound, kDefaultM7, 1, nullptr},
        {"mode 1 binds and moves M7 to the firmware", 1, kPlain, 0x15001000, 0, 1, kBound, 0x15001000, 1, nullptr},
        {"mode 1 binds, M7 already there", 1, kUnbound, kDefaultM7, 0, 1, kBound, kDefaultM7, 1, nullptr},
        {"mode 1 bound, M7 there: nothing, no reset", 1, kBound, kDefaultM7, 0, 1, kBound, kDefaultM7, 0, nullptr},
        {"mode 1 bound, M7 elsewhere: M7 only", 1, kBound, 0x15002000, 0, 1, kBound, 0x15002000, 1, nullptr},
        {"mode 2 leaves plain", 2, kPlain, 0x15001000, 0, 1, kPlain, kDefaultM7, 0, nullptr},
        {"mode 2 leaves unbound", 2, kUnbound, kDefaultM7, 0, 1, kUnbound, kDefaultM7, 0, nullptr},
        {"mode 2 leaves bound", 2, kBound, kDefaultM7, 0, 1, kBound, kDefaultM7, 0, nullptr},
        {"level read fails", 1, kPlain, 0x15001000, 1, 0, kPlain, kDefaultM7, 0, u"读取加密等级失败！"},
        {"level write fails", 1, kPlain, 0x15001000, 2, 0, kPlain, kDefaultM7, 0, u"修改加密等级失败！"},
        {"M7 read fails", 1, kPlain, 0x15001000, 3, 0, kBound, kDefaultM7, 0, u"读取M7代码执行地址失败！"},
        {"M7 write fails", 1, kPlain, 0x15001000, 4, 0, kBound, kDefaultM7, 0, u"修改M7代码执行地址失败！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fresh();
        Attach(OV_IFACE_SWD_JLINK, ChipOfSeries(10));
        ASSERT_EQ(slot().chipSeries, 10);
        HoldCryption(row.held);
        ovsim::ClearCallLog();
        if (row.failingOptionCall != 0)
            ovsim::InjectStatus(ovsim::Fn::OptRw, row.failingOptionCall, CMD_STATUS_BAD_PARAMETER);
        settings.chipSeries = 10;
        settings.infoPackMode = row.mode;
        items[0].address[0] = row.firmware;

        DownloadJob job(*host, items, settings, slot());
        EXPECT_EQ(job.ConfigureDualCoreOptions(), row.result);

        EXPECT_EQ(Cryption(), row.cryption);
        EXPECT_EQ(M7Address(), row.m7);
        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::SysReset), row.resets);
        if (row.resets != 0) {
            EXPECT_TRUE(host->HasLine(u"重新连接设备成功！", kStatusSuccess));
        }
        if (row.failure != nullptr) {
            EXPECT_TRUE(HasRedLog(StatusCodeToText(static_cast<int32_t>(CMD_STATUS_BAD_PARAMETER))));
            EXPECT_TRUE(HasRedLog(row.failure));
        }
    }
}

}  // namespace
