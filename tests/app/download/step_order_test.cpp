// The order in which the job changes a chip, read from the simulator's call journal and compared with the order
// the sequence must keep.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "devicelib/sim/CallJournal.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/app/download/JobFixture.h"

namespace {

using hexfile::Pattern;
using ovsim::Fn;

struct Call {
    Fn fn;
    std::vector<uint32_t> args;
    bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Call& call) {
    out << ovsim::FnName(call.fn) << '(';
    for (size_t i = 0; i < call.args.size(); ++i)
        out << (i ? "," : "") << std::hex << call.args[i];
    return out << ')';
}

class StepOrder : public JobTest {
public:
    // The successful calls of these functions on the test's chip, in the order they reached it.
    std::vector<Call> Journal(std::initializer_list<Fn> fns) const {
        std::vector<Call> calls;
        for (const ovsim::JournalEntry& entry : ovsim::Journal()) {
            if (entry.device != m_name || entry.status != CMD_STATUS_OK) continue;
            if (std::find(fns.begin(), fns.end(), entry.fn) == fns.end()) continue;
            calls.push_back({entry.fn, entry.args});
        }
        return calls;
    }
};

TEST_F(StepOrder, WriteProtectionIsLiftedBeforeReadProtectionAndBothBeforeTheReset) {
    Attach(OV_IFACE_SWD_CMSIS_DAP);
    ovsim::MakeProtected(m_name, 1, std::array<uint8_t, 4>{0x00, 0xFF, 0xFF, 0xFF});
    slot().rdpLevel = 1;
    slot().writeProtected = 1;
    host->answers.push_back(true);
    UseImage(Pattern(64), 0x08000000);
    ovsim::ClearJournal();

    ASSERT_EQ(DownloadJob(*host, items, settings, slot()).LiftProtection(), 1);

    const std::vector<Call> expected{
        {Fn::WriteProtect, {0xFF, 0xFF, 0xFF, 0xFF}},
        {Fn::ReadProtect, {0, 0}},
        {Fn::SysReset, {}},
    };
    EXPECT_EQ(Journal({Fn::WriteProtect, Fn::ReadProtect, Fn::SysReset}), expected);
}

TEST_F(StepOrder, PartitionsAreConfiguredUser3ThenUser2ThenUser1EachReadBackAtOnce) {
    Attach(OV_IFACE_USART);
    const uint8_t sizes[3] = {8, 4, 4};  // 256 KB in 16 KB units
    for (int i = 0; i < 3; ++i) {
        items[i].configure = 1;
        items[i].wantedSize = sizes[i];
        items[i].wantedKeyId = static_cast<uint8_t>(i);
    }
    PartitionRecords records{};
    ovsim::ClearJournal();

    ASSERT_EQ(DownloadJob(*host, items, settings, slot()).WritePartitions(records), 1);

    // (operation, partition index): 1 writes, 0 reads back.
    const std::vector<Call> expected{
        {Fn::UserxOp, {1, 2}}, {Fn::UserxOp, {0, 2}}, {Fn::UserxOp, {1, 1}},
        {Fn::UserxOp, {0, 1}}, {Fn::UserxOp, {1, 0}}, {Fn::UserxOp, {0, 0}},
    };
    EXPECT_EQ(Journal({Fn::UserxOp}), expected);
}

// A whole job on a chip that needs everything: protection lifted, partitions and a key, the image, the file's
// option bytes, and read protection L1 then L2 afterwards.
TEST_F(StepOrder, AWholeJobChangesTheChipInTheSequencesOrder) {
    ovsim::ChipSpec chip;
    chip.readProtection = 1;
    Attach(OV_IFACE_USART, chip);
    settings.unlockL1Before = true;
    UseImage(Pattern(0x300), 0x08000000);
    WantUser1AndUser3WithANewKey();
    settings.writeOptionBytes = true;
    settings.fileExt = u"hex";
    settings.fileOptionBytes.operation = 1;
    settings.fileOptionBytes.length = 20;
    std::fill(std::begin(settings.fileOptionBytes.data), std::end(settings.fileOptionBytes.data), 0xFF);
    settings.fileOptionBytes.data[0] = 0xA5;
    settings.fileOptionBytes.data[1] = 0x5A;
    settings.l1AfterDownload = settings.l2AfterDownload = true;
    ovsim::ClearJournal();

    RunOnWorker();

    ASSERT_EQ(g_passCount, 1);
    const std::vector<Call> expected{
        {Fn::ReadProtect, {0, 0}},  // lift L1
        {Fn::SysReset, {}},
        {Fn::UserxOp, {1, 2}},
        {Fn::UserxOp, {0, 2}},
        {Fn::UserxOp, {1, 0}},
        {Fn::UserxOp, {0, 0}},
        {Fn::KeyUpdate, {0}},
        {Fn::SysReset, {}},  // configured partitions take effect
        {Fn::FlashErase, {0x08000000, 0x080007FF}},
        {Fn::FlashDwnld, {}},
        {Fn::OptRw, {1, 0}},
        {Fn::ReadProtect, {1, 0}},
        {Fn::ReadProtect, {2, 0}},
    };
    EXPECT_EQ(Journal({Fn::ReadProtect, Fn::WriteProtect, Fn::SysReset, Fn::UserxOp, Fn::KeyUpdate, Fn::FlashErase,
                       Fn::FlashDwnld, Fn::OptRw}),
              expected);
}

}  // namespace
