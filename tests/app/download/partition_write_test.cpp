#include <gtest/gtest.h>

#include "app/ChipKeyStore.h"
#include "core/BuiltinKeys.h"
#include "core/Des.h"
#include "core/HexText.h"
#include "framework/Profile.h"
#include "tests/app/download/JobFixture.h"

namespace {

// A series-0 chip has 256 KB in 16 KB units: 16 units to share out.
void Want(DownloadItem& item, uint8_t size, uint8_t keyId, uint8_t authentication, uint8_t encryption) {
    item.configure = 1;
    item.enabled = 1;
    item.wantedSize = size;
    item.wantedKeyId = keyId;
    item.wantedAuthentication = authentication;
    item.wantedEncryption = encryption;
}

PartitionRecords Unconfigured() {
    PartitionRecords records{};
    for (auto& record : records)
        record.keyId = 0xFF;
    return records;
}

TEST_F(JobTest, WritePartitionsConfiguresAndVerifiesUser3User2User1) {
    Attach(OV_IFACE_USART);
    Want(items[0], 8, 0, 0, 0);
    Want(items[1], 4, 1, 1, 0);
    Want(items[2], 4, 2, 0, 1);
    PartitionRecords records = Unconfigured();

    EXPECT_EQ(DownloadJob(*host, items, settings, slot()).WritePartitions(records), 1);

    EXPECT_EQ(ovsim::Partition(m_name, 1).sizeUnits, 4);
    EXPECT_EQ(ovsim::Partition(m_name, 1).keyId, 1);
    EXPECT_EQ(ovsim::Partition(m_name, 1).flags, 0x10);
    EXPECT_EQ(ovsim::Partition(m_name, 2).sizeUnits, 4);
    EXPECT_EQ(ovsim::Partition(m_name, 2).flags, 0x01);
    EXPECT_EQ(ovsim::Partition(m_name, 0).sizeUnits, 8);
    const auto lines = host->Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().text, u"USER3 配置分区...");
    EXPECT_TRUE(host->HasLine(u"USER1 配置分区成功！", kStatusSuccess));
}

TEST_F(JobTest, WritePartitionsRefusesAWrongUser1BeforeWriting) {
    Attach(OV_IFACE_USART);
    Want(items[0], 7, 0, 0, 0);  // one unit short of the whole flash
    PartitionRecords records = Unconfigured();
    ovsim::ClearCallLog();
    EXPECT_EQ(DownloadJob(*host, items, settings, slot()).WritePartitions(records), 0);
    EXPECT_TRUE(host->HasLine(u"配置的USER1大小不正确！", kStatusFailure));
    for (const ovsim::CallRecord& call : ovsim::CallLog())
        EXPECT_NE(call.fn, ovsim::Fn::UserxOp);
}

TEST_F(JobTest, WritePartitionsDetectsAReadBackMismatch) {
    Attach(OV_IFACE_USART);
    Want(items[2], 4, 2, 1, 0);
    PartitionRecords records = Unconfigured();
    ovsim::InjectStatus(ovsim::Fn::UserxOp, 2, CMD_STATUS_BAD_FRAME);  // the read-back
    EXPECT_EQ(DownloadJob(*host, items, settings, slot()).WritePartitions(records), 0);
    EXPECT_TRUE(host->HasLine(u"USER3 读取分区信息失败！", kStatusFailure));
}

// Series 3 and 11 count USER1 one unit short, both in what they answer and in what they are told; the read-back
// after configuring must be judged as a read judges it.
TEST_F(JobTest, User1ReadBackIsJudgedAsTheChipReportsIt) {
    struct Row {
        uint8_t series;
        uint8_t user1, user2, user3;  // wanted, as the window takes them
        uint8_t user1Reported;        // what the chip then answers
    };
    const Row rows[] = {
        {3, 3, 2, 2, 3},     // 32 KB in 4 KB units: USER1 holds 4 units
        {11, 23, 4, 4, 23},  // 128 KB in 4 KB units: USER1 holds 24
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.series);
        Fresh();
        settings.chipSeries = row.series;
        Attach(OV_IFACE_USART, ChipOfSeries(row.series));
        Want(items[0], row.user1, 0, 0, 0);
        Want(items[1], row.user2, 1, 1, 0);
        Want(items[2], row.user3, 2, 0, 1);
        PartitionRecords records = Unconfigured();

        EXPECT_EQ(DownloadJob(*host, items, settings, slot()).WritePartitions(records), 1);

        EXPECT_FALSE(host->HasLine(u"USER1 配置分区大小不正确！", kStatusFailure));
        EXPECT_TRUE(host->HasLine(u"USER1 配置分区成功！", kStatusSuccess));
        EXPECT_EQ(ovsim::Partition(m_name, 0).sizeUnits, row.user1Reported);
        EXPECT_EQ(ovsim::Partition(m_name, 1).sizeUnits, row.user2);
        EXPECT_EQ(ovsim::Partition(m_name, 2).sizeUnits, row.user3);
    }
}

// A chip that answers another size than it was just configured with fails the job with the partition's red line.
TEST_F(JobTest, WritePartitionsFailsWhenTheSizeReadBackDiffers) {
    struct Row {
        int nthRead;  // the read-backs come USER3, USER2, USER1
        const char16_t* failure;
    };
    const Row rows[] = {
        {1, u"USER3 配置分区大小不正确！"},
        {2, u"USER2 配置分区大小不正确！"},
        {3, u"USER1 配置分区大小不正确！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.nthRead);
        Fresh();
        Attach(OV_IFACE_USART);
        Want(items[0], 8, 0, 0, 0);
        Want(items[1], 4, 1, 0, 0);
        Want(items[2], 4, 2, 0, 0);
        PartitionRecords records = Unconfigured();
        ovsim::InjectShortRead(ovsim::Fn::UserxOp, row.nthRead, 3);

        EXPECT_EQ(DownloadJob(*host, items, settings, slot()).WritePartitions(records), 0);

        EXPECT_TRUE(host->HasLine(row.failure, kStatusFailure));
        int configured = 0;
        for (const auto& line : host->Lines())
            configured += line.text.ends_with(u"配置分区成功！");
        EXPECT_EQ(configured, row.nthRead) << "nothing is configured after the failing partition";
    }
}

// The window's copy of the partition keys follows the chip of test mode; a production chip's new key is its job's.
TEST_F(JobTest, KeyUpdateReplacesTheChipKeyAndStoresItEnciphered) {
    for (const bool production : {false, true}) {
        SCOPED_TRACE(production ? "production" : "test mode");
        Fresh();
        Attach(OV_IFACE_USART);
        settings.productionMode = production;
        const auto factory = ovsim::FactoryKey(1);
        items[1].enabled = 1;
        items[1].keyUpdate = 1;
        settings.partitionRead.held[1] = 1;
        items[1].oldKeyHex = BytesToHex(std::span<const uint8_t>(factory));
        items[1].newKeyHex = u"00112233445566778899AABBCCDDEEFF";
        items[1].partitionKeyText = items[1].oldKeyHex;

        EXPECT_EQ(DownloadJob(*host, items, settings, slot()).UpdatePartitionKeys(), 1);

        const auto key = ovsim::ChipKey(m_name, 1);
        EXPECT_EQ(BytesToHex(std::span<const uint8_t>(key)), items[1].newKeyHex);
        EXPECT_EQ(items[1].partitionKeyText, production ? items[1].oldKeyHex : items[1].newKeyHex);
        EXPECT_EQ(host->storedKeys.at(1), items[1].newKeyHex);
        EXPECT_TRUE(host->HasLine(u"USER2 更新密钥成功！", kStatusSuccess));
    }
}

TEST_F(JobTest, KeyUpdateWithAWrongOldKeyFails) {
    Attach(OV_IFACE_USART);
    items[0].keyUpdate = 1;
    items[0].oldKeyHex = u"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
    items[0].newKeyHex = u"00112233445566778899AABBCCDDEEFF";
    EXPECT_EQ(DownloadJob(*host, items, settings, slot()).UpdatePartitionKeys(), 0);
    EXPECT_TRUE(host->HasLine(u"更新密钥失败！", kStatusFailure));
    EXPECT_TRUE(host->storedKeys.empty());
}

// A key update goes to the key id of its partition: the id the job configures it with, else the one the chip holds
// for it (0xFF on a fresh chip); the new key is stored in the table entry of that id, where every later
// lookup of the partition's key finds it.
TEST_F(JobTest, KeyUpdateGoesToThePartitionsKeyIdAndIsStoredAtThatIdsEntry) {
    struct Row {
        uint8_t series;
        int item;
        uint8_t configuredKeyId;  // 0xFF: the job does not configure the partition
        uint8_t heldKeyId;        // as the partition read left it
        uint8_t chipKeyId;        // the key the chip replaces
        int entry;
    };
    const Row rows[] = {
        {0, 0, 5, 0xFF, 5, 5},   // a fresh partition configured with id 5
        {0, 0, 5, 0, 5, 5},      // the project's id, also where the chip says an id is set
        {0, 2, 0xFF, 7, 7, 7},   // a partition the job leaves: the id the chip holds
        {5, 0, 0xFF, 0, 0, 30},  // series 5: USER1 holds key 0, USER3 key 1
        {5, 2, 1, 0xFF, 1, 31},  //
        {8, 1, 0xFF, 1, 1, 29},  // series 8 and 9: entries from 28
        {9, 2, 2, 0, 2, 30},     //
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "series " << int(row.series) << " item " << row.item << " id "
                                        << int(row.chipKeyId));
        Fresh();
        Attach(OV_IFACE_USART, ChipOfSeries(row.series));
        const auto old = ovsim::ChipKey(m_name, row.chipKeyId);
        DownloadItem& item = items[row.item];
        item.enabled = 1;
        item.configure = row.configuredKeyId != 0xFF ? 1 : 0;
        item.wantedKeyId = row.configuredKeyId;
        item.keyUpdate = 1;
        settings.partitionRead.held[row.item] = row.heldKeyId;
        item.oldKeyHex = BytesToHex(std::span<const uint8_t>(old));
        item.newKeyHex = u"00112233445566778899AABBCCDDEEFF";
        ovsim::ClearCallLog();

        ASSERT_EQ(DownloadJob(*host, items, settings, slot()).UpdatePartitionKeys(), 1);

        const auto key = ovsim::ChipKey(m_name, row.chipKeyId);
        EXPECT_EQ(BytesToHex(std::span<const uint8_t>(key)), item.newKeyHex);
        ASSERT_EQ(host->storedKeys.size(), 1u);
        EXPECT_EQ(host->storedKeys.begin()->first, row.entry);
        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::KeyUpdate), 1);
    }
}

// A key id the chip's series does not open the partition with, or no id at all, has no table entry to keep the new
// key in: the update fails before the chip is asked.
TEST_F(JobTest, KeyUpdateWithoutAnIdTheSeriesAllowsAsksNothing) {
    struct Row {
        uint8_t series;
        int item;
        uint8_t heldKeyId;
    };
    const Row rows[] = {{0, 0, 0xFF}, {5, 0, 1}, {5, 2, 0}, {9, 2, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "series " << int(row.series) << " item " << row.item);
        Fresh();
        Attach(OV_IFACE_USART, ChipOfSeries(row.series));
        DownloadItem& item = items[row.item];
        item.keyUpdate = 1;
        settings.partitionRead.held[row.item] = row.heldKeyId;
        item.oldKeyHex = u"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
        item.newKeyHex = u"00112233445566778899AABBCCDDEEFF";
        ovsim::ClearCallLog();

        EXPECT_EQ(DownloadJob(*host, items, settings, slot()).UpdatePartitionKeys(), 0);

        EXPECT_EQ(ovsim::CallCount(ovsim::Fn::KeyUpdate), 0);
        EXPECT_TRUE(host->storedKeys.empty());
    }
}

// A job that gives a fresh partition its key id and authentication and replaces that key in the same run programs
// the partition's image under the new key: under the old one the chip refuses the image.
TEST_F(JobTest, AnImageGoesUnderTheKeyItsPartitionWasJustGiven) {
    struct Row {
        uint8_t series;
        uint8_t keyId;
    };
    const Row rows[] = {{0, 3}, {5, 0}, {9, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "series " << int(row.series));
        Fresh();
        settings.chipSeries = row.series;
        Attach(OV_IFACE_USART, ChipOfSeries(row.series));
        const std::vector<uint8_t> image(0x200, 0x6B);
        UseImage(image, 0x08000000);
        Want(items[0], 0, row.keyId, 1, 0);
        settings.partitions = Unconfigured();  // as a fresh chip reads
        settings.partitionRead.held[0] = 0xFF;
        const auto factory = ovsim::ChipKey(m_name, row.keyId);
        items[0].keyUpdate = 1;
        items[0].oldKeyHex = BytesToHex(std::span<const uint8_t>(factory));
        items[0].newKeyHex = u"0F1E2D3C4B5A69788796A5B4C3D2E1F0";

        RunOnWorker();

        EXPECT_EQ(g_passCount, 1);
        EXPECT_EQ(BytesToHex(std::span<const uint8_t>(ovsim::ChipKey(m_name, row.keyId))), items[0].newKeyHex);
        EXPECT_EQ(Flash(0x08000000, image.size()), image);
    }
}

// The sizes refused before anything is written: 16 units of 16 KB on series 0, USER1 keeping at least one.
TEST_F(JobTest, WantedSizesAreCheckedAgainstTheFlashBeforeWriting) {
    struct Row {
        uint8_t user1, user2, user3;  // wanted; 0 leaves the item unconfigured
        const char16_t* refusal;      // null: accepted
    };
    const Row rows[] = {
        {0, 0, 15, nullptr}, {0, 0, 16, u"配置的USER3大小不正确！"},
        {0, 11, 4, nullptr}, {0, 12, 4, u"配置的USER2大小不正确！"},
        {8, 4, 4, nullptr},  {9, 4, 4, u"配置的USER1大小不正确！"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.user1) << "/" << int(row.user2) << "/" << int(row.user3));
        Fresh();
        Attach(OV_IFACE_USART);
        const uint8_t sizes[3] = {row.user1, row.user2, row.user3};
        for (int i = 0; i < 3; ++i) {
            if (sizes[i] != 0) Want(items[i], sizes[i], static_cast<uint8_t>(i), 0, 0);
        }
        items[1].enabled = items[2].enabled = 0;
        PartitionRecords records = Unconfigured();

        const int result = DownloadJob(*host, items, settings, slot()).WritePartitions(records);

        if (row.refusal == nullptr) {
            EXPECT_EQ(result, 1);
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(host->HasLine(row.refusal, kStatusFailure));
        }
    }
}

TEST(ChipKeyStore, KeepsTheKeyInTheTableAndEncipheredInTheProfile) {
    fw::testing::TempFolder folder;
    fw::SetProfileFolder(folder.Wide());
    ChipKeyTable table;
    StoreChipKey(table, 29, u"00112233445566778899AABBCCDDEEFF");
    EXPECT_EQ(table[29], u"00112233445566778899AABBCCDDEEFF");
    const fw::Text stored = fw::GetProfileString(u"Settings", u"Key29");
    EXPECT_NE(stored, table[29]);
    EXPECT_EQ(DesDecryptHexWhole(stored, g_strProfileKeyCipherKey), table[29]);
    StoreChipKey(table, 32, u"00");
    EXPECT_EQ(fw::GetProfileString(u"Settings", u"Key32"), u"");
    fw::SetProfileFolder(u"");
}

// The ids a series opens a partition with, and the key table entry of each.
TEST(PartitionKeyRule, BySeries) {
    EXPECT_EQ(PartitionKeyIdChoices(5, 0), std::vector<uint8_t>{0});
    EXPECT_TRUE(PartitionKeyIdChoices(5, 1).empty()) << "series 5 has no USER2";
    EXPECT_EQ(PartitionKeyIdChoices(5, 2), std::vector<uint8_t>{1});
    EXPECT_EQ(PartitionKeyIdChoices(9, 1), std::vector<uint8_t>{1});
    EXPECT_EQ(PartitionKeyIdChoices(0, 2).size(), 32u);
    EXPECT_EQ(FixedPartitionKeyId(5, 2), std::optional<uint8_t>{1});
    EXPECT_EQ(FixedPartitionKeyId(8, 0), std::optional<uint8_t>{0});
    EXPECT_FALSE(FixedPartitionKeyId(1, 0).has_value());
    EXPECT_EQ(PartitionKeyEntry(5, 0), 30);
    EXPECT_EQ(PartitionKeyEntry(5, 1), 31);
    EXPECT_EQ(PartitionKeyEntry(5, 2), -1);
    EXPECT_EQ(PartitionKeyEntry(8, 2), 30);
    EXPECT_EQ(PartitionKeyEntry(9, 17), 31);
    EXPECT_EQ(PartitionKeyEntry(0, 17), 17);
    EXPECT_EQ(PartitionKeyEntry(0, 32), -1);
}

}  // namespace
