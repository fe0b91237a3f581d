#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "tests/app/download/HexFileWriter.h"
#include "tests/app/download/JobFixture.h"

namespace {

struct ProtectionCase {
    const char* what;
    int level;
    bool writeProtected;
    uint8_t iface;
    bool production;
    std::optional<bool> answer;  // the Yes/No answer, nullopt: no question expected
    bool boxUnlockL1;
    int result;
    const char16_t* line;  // the step's last line
    int kind;
};

TEST_F(JobTest, LiftProtectionTable) {
    const ProtectionCase cases[] = {
        {"level 0 unprotected", 0, false, 0, false, std::nullopt, false, 1, nullptr, 0},
        {"write protection stays over usart", 0, true, 0, false, std::nullopt, false, 1, nullptr, 0},
        {"write protection lifted over swd", 0, true, 2, false, true, false, 1, u"重新连接设备成功！", 1},
        {"write protection kept on no", 0, true, 2, false, false, false, 0, u"芯片处于写保护状态！", 2},
        {"write protection in production", 0, true, 2, true, std::nullopt, false, 0, u"芯片处于写保护状态！", 2},
        {"level 1 lifted on yes", 1, false, 0, false, true, false, 1, u"重新连接设备成功！", 1},
        {"level 1 kept on no", 1, false, 0, false, false, false, 0, u"芯片处于读保护等级L1状态！", 2},
        {"level 1 with the unlock box", 1, false, 0, false, std::nullopt, true, 1, u"重新连接设备成功！", 1},
        {"level 1 in production", 1, false, 0, true, std::nullopt, false, 0, u"芯片处于读保护等级L1状态！", 2},
        {"level 1 and write protection over swd", 1, true, 3, false, true, false, 1, u"重新连接设备成功！", 1},
        {"level 1 and write protection in production", 1, true, 3, true, std::nullopt, false, 0,
         u"芯片处于读保护等级L1及写保护状态！", 2},
    };
    for (const ProtectionCase& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        Attach(c.iface);
        ovsim::MakeProtected(m_name, c.level,
                             c.writeProtected ? std::array<uint8_t, 4>{0x00, 0xFF, 0xFF, 0xFF}
                                              : std::array<uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF});
        slot().rdpLevel = c.level;
        slot().writeProtected = c.writeProtected;
        settings.productionMode = c.production;
        settings.unlockL1Before = c.boxUnlockL1;
        UseImage(hexfile::Pattern(64), 0x08000000);
        if (c.answer) host->answers.push_back(*c.answer);

        int result = -1;
        std::thread::id worker;
        std::thread thread([&] {
            worker = std::this_thread::get_id();
            result = DownloadJob(*host, items, settings, slot()).LiftProtection();
        });
        thread.join();

        EXPECT_EQ(result, c.result);
        EXPECT_EQ(host->questions.size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_EQ(host->askedOnThread, worker);
        }
        const auto lines = host->Lines();
        if (c.line == nullptr) {
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back().text, c.line);
            EXPECT_EQ(lines.back().kind, c.kind);
        }
        if (c.result == 1 && c.line != nullptr) {
            const ovsim::ChipState chip = ovsim::State(m_name);
            EXPECT_EQ(chip.level, 0);
            EXPECT_EQ(slot().writeProtected, 0);
            EXPECT_EQ(slot().connected, 1);
        }
    }
}

TEST_F(JobTest, LiftProtectionOnlyWhereTheGateOpens) {
    Attach(OV_IFACE_USART);
    ovsim::MakeProtected(m_name, 1);
    slot().rdpLevel = 1;
    UseImage(hexfile::Pattern(64), 0x08001000);  // above the boot pages, box 1240 unticked
    EXPECT_EQ(DownloadJob(*host, items, settings, slot()).LiftProtection(), 1);
    EXPECT_TRUE(host->questions.empty());
    EXPECT_EQ(ovsim::State(m_name).level, 1);
}

TEST_F(JobTest, ReconnectLoopHasElevenAttempts) {
    for (const int failures : {10, 11}) {
        SCOPED_TRACE(failures);
        Fresh();
        Attach(OV_IFACE_USART);
        ovsim::MakeProtected(m_name, 1);
        slot().rdpLevel = 1;
        settings.unlockL1Before = true;
        UseImage(hexfile::Pattern(64), 0x08000000);
        host->connectFailures = failures;
        host->connectCalls = 0;
        const int result = DownloadJob(*host, items, settings, slot()).LiftProtection();
        EXPECT_EQ(host->connectCalls, failures == 10 ? 11 : 11);
        EXPECT_EQ(result, failures == 10 ? 1 : 0);
        EXPECT_EQ(host->Lines().back().text, failures == 10 ? u"重新连接设备成功！" : u"重新连接设备失败！");
        // 500 ms after each failed attempt, after the 500 ms before the reset and the 2000 ms it settles.
        EXPECT_EQ(host->pausedMs, 2500u + 500u * failures);
    }
}

}  // namespace
