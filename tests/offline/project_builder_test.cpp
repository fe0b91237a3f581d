// The project builder against the built VK51x flash algorithm in a temporary working directory: its checks in
// order with their messages, the record it fills, and a refused build that leaves the current record alone.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <utime.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <numeric>
#include <vector>

#include "core/BuiltinKeys.h"
#include "core/HexText.h"
#include "framework/Files.h"
#include "offline/CurrentProject.h"
#include "offline/ProjectBuilder.h"
#include "offline/ProjectKeys.h"
#include "tests/framework/TempFolder.h"
#include "tests/offline/ProjectFixture.h"

namespace {

using namespace project_fixture;

class ProjectBuilder : public ProjectPage {};

TEST_F(ProjectBuilder, FillsTheRecordFromThePageAndTheAlgorithm) {
    choices.seriesText = u"VK422";
    choices.modelText = u"VK422C8";
    choices.limitChecked = true;
    choices.limitText = u"  4000000000 pieces";
    ASSERT_TRUE(Build()) << (ui.messages.empty() ? "" : fw::TextToUtf8(ui.messages[0]));
    ASSERT_NE(CurrentProjectConfig(), nullptr);
    const ProjectConfig& r = *CurrentProjectConfig();
    const auto b = r.Bytes();
    EXPECT_EQ(ui.setupRuns, 1);

    EXPECT_EQ(Bytes(b.begin() + 44, b.begin() + 48), (Bytes{0x44, 0x65, 0x6D, 0x6F}));  // blanks removed
    EXPECT_EQ(b[76], 4);
    EXPECT_TRUE(std::all_of(b.begin() + 48, b.begin() + 76, [](uint8_t x) { return x == 0xFF; }));
    EXPECT_EQ(b[84], 1);
    EXPECT_EQ(r.downloadLimit.Get(), 4000000000u);
    EXPECT_EQ(r.zero88.Get(), 0u);
    EXPECT_EQ(b[85], 0);  // no serial number written
    for (std::size_t at : {96, 100, 104})
        EXPECT_EQ(Bytes(b.begin() + at, b.begin() + at + 4), Bytes(4, 0xFF)) << at;
    for (int i = 0; i < 16; i += 2)
        EXPECT_LE(b[12 + i / 2] >> 4, 9) << "serial digits";

    // Algorithm: the blob's length and digest, nothing else.
    Bytes digest(32);
    SHA256(table.m_pAlgoBlob.get(), table.m_algoBlobSize, digest.data());
    EXPECT_EQ(r.algorithm.marker.Get(), kProjectMarkerAbsent);
    EXPECT_EQ(r.algorithm.plainSize.Get(), table.m_algoBlobSize);
    EXPECT_EQ(Bytes(r.algorithm.plainSha256.begin(), r.algorithm.plainSha256.end()), digest);
    EXPECT_EQ(Bytes(r.algorithm.storedSha256.begin(), r.algorithm.storedSha256.end()), digest);
    EXPECT_EQ(r.algorithm.startAddress.Get(), 0xFFFFFFFFu);

    // Chip: the series as the downloader knows it, the chosen model's own row.
    EXPECT_EQ(r.chip.seriesLength, 5);
    EXPECT_EQ(Bytes(r.chip.series.begin(), r.chip.series.begin() + 5), (Bytes{'V', 'K', '4', '2', '5'}));
    EXPECT_EQ(r.chip.modelLength, 7);
    EXPECT_EQ(r.chip.flashStart.Get(), 0x00100000u);
    EXPECT_EQ(r.chip.pageSize.Get(), 0x400u);
    EXPECT_EQ(r.chip.sramStart.Get(), 0x20010000u);
    EXPECT_EQ(r.chip.option.marker.Get(), kProjectMarkerValid);
    EXPECT_EQ(r.chip.option.optionBytes[0], 0xA5);
    EXPECT_EQ(r.chip.partitions[0].marker.Get(), kProjectMarkerAbsent);

    // Files: three slots in use, the rest free.
    EXPECT_EQ(r.fileCount, 3);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(r.files[i].marker.Get(), i < 3 ? kProjectMarkerValid : kProjectMarkerAbsent);
    const ProjectFileRecord& f1 = r.files[1];
    EXPECT_EQ(f1.index, 1);
    EXPECT_EQ(f1.startAddress.Get(), 0x08001000u);
    EXPECT_EQ(f1.plainSize.Get(), 5000u);
    EXPECT_EQ(f1.storedSize.Get(), 5000u);
    Bytes padded = files[1].data;
    padded.resize(5008, 0xFF);
    EXPECT_EQ(f1.plainCrc.Get(), ReferenceCrc(padded));
    EXPECT_EQ(f1.storedCrc.Get(), f1.plainCrc.Get());
    SHA256(files[1].data.data(), 5000, digest.data());
    EXPECT_EQ(Bytes(f1.plainSha256.begin(), f1.plainSha256.end()), digest);
}

TEST_F(ProjectBuilder, ImageCrcWindowByPage) {
    struct Row {
        const char* what;
        std::size_t length;
        uint32_t start;
        uint32_t windowStart;  // the window the downloader checks, filled with 0xFF around the data
        std::size_t windowLength;
    };
    const Row rows[] = {
        {"short file crossing a page boundary: both pages", 100, 0x08000800 - 64, 0x08000000, 0x1000},
        {"short file inside a page: that page", 100, 0x08000100, 0x08000000, 0x800},
        {"short file ending on the boundary: one page", 64, 0x08000800 - 64, 0x08000000, 0x800},
        {"long file: its data padded to 16", 5000, 0x08000000, 0x08000000, 5008},
        {"long file of whole blocks: its data", 4096, 0x08000000, 0x08000000, 4096},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Bytes data = Filled(row.length, 3);
        Bytes window(row.windowLength, 0xFF);
        std::ranges::copy(data, window.begin() + (row.start - row.windowStart));
        EXPECT_EQ(ProjectImageCrc(data, row.start, 0x800), ReferenceCrc(window));
    }
}

TEST_F(ProjectBuilder, TimesAndUseFlagsEachFromTheirOwnSource) {
    // Each file's time is its source's last write (seconds since 1970); the record's is the build's local
    // calendar time read as mktime reads it without daylight saving.
    const std::time_t written[] = {1614834367, 1262304000, 2000000000};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = "src" + std::to_string(i) + ".bin";
        dir.Write(name, "x");
        const utimbuf times{written[i], written[i]};
        ASSERT_EQ(utime((dir.Path() / name).c_str(), &times), 0);
        files[i].path = dir.Wide(name);
    }
    const auto localNoDst = [](std::time_t t) {
        std::tm calendar{};
        localtime_r(&t, &calendar);
        calendar.tm_isdst = 0;
        return std::mktime(&calendar);
    };

    // Offsets 78 (bound to the downloader at 28), 79 (once only), 84 and 92 (the limit).
    struct Row {
        uint32_t bind, once;
        const char16_t* limit;  // null: the box unchecked
        uint8_t at78, at79, at84;
        uint32_t at92;
    };
    const Row rows[] = {
        {0, 0, nullptr, 0, 0, 0, 0}, {1, 0, nullptr, 1, 0, 0, 0}, {0, 1, nullptr, 0, 1, 0, 0},
        {0, 0, u"7", 0, 0, 1, 7},    {1, 1, u"1", 1, 1, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.bind << row.once << (row.limit ? "L" : "-"));
        settings.bindToDownloader = row.bind;
        settings.onceOnly = row.once;
        settings.downloaderSn = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        choices.limitChecked = row.limit != nullptr;
        choices.limitText = row.limit ? row.limit : u"";
        const std::time_t before = std::time(nullptr);
        ASSERT_TRUE(Build());
        const std::time_t after = std::time(nullptr);
        const ProjectConfig& r = *CurrentProjectConfig();
        const auto b = r.Bytes();
        EXPECT_EQ(b[78], row.at78);
        EXPECT_EQ(b[79], row.at79);
        EXPECT_EQ(b[84], row.at84);
        EXPECT_EQ(Bytes(b.begin() + 92, b.begin() + 96),
                  (Bytes{static_cast<uint8_t>(row.at92), static_cast<uint8_t>(row.at92 >> 8),
                         static_cast<uint8_t>(row.at92 >> 16), static_cast<uint8_t>(row.at92 >> 24)}));
        EXPECT_EQ(Bytes(b.begin() + 28, b.begin() + 44),
                  (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
        const uint32_t created =
            uint32_t{b[108]} | uint32_t{b[109]} << 8 | uint32_t{b[110]} << 16 | uint32_t{b[111]} << 24;
        EXPECT_GE(created, static_cast<uint32_t>(localNoDst(before)));
        EXPECT_LE(created, static_cast<uint32_t>(localNoDst(after)));
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::size_t at = 524 + 132 * i + 48;
            EXPECT_EQ(
                uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24,
                static_cast<uint32_t>(written[i]))
                << "file " << i;
        }
    }
}

TEST_F(ProjectBuilder, EncipheredFileTakesItsHeadersPlainValues) {
    files[0].name = u"fw.enc";
    files[0].plainLength = 90;
    files[0].plainCrc32 = 0x12345678;
    files[0].plainSha256.fill(0x5C);
    ASSERT_TRUE(Build());
    const ProjectFileRecord& f = CurrentProjectConfig()->files[0];
    EXPECT_EQ(f.plainSize.Get(), 90u);
    EXPECT_EQ(f.storedSize.Get(), 100u);
    EXPECT_EQ(f.plainCrc.Get(), 0x12345678u);
    EXPECT_EQ(f.storedCrc.Get(), ReferenceCrc(files[0].data));  // the ciphertext itself, no window
    EXPECT_EQ(f.plainSha256, files[0].plainSha256);
}

TEST_F(ProjectBuilder, PartitionsKeysSerialNumberAndOptionItems) {
    choices.optionFamily = 5;
    choices.partitionsChecked = true;
    settings.partitionConfigured = {kProjectMarkerValid, kProjectMarkerAbsent, kProjectMarkerValid};
    settings.partitionSize = {4, 0, 8};
    settings.partitionKeyId = {3, 0, 7};
    settings.partitionFlags = {0x11, 0, 0x01};
    // Family 5 opens USER1 with key 0 and USER3 with key 1 only: other ids would make partitions no download opens.
    ui.messages.clear();
    EXPECT_FALSE(Build());
    EXPECT_EQ(ui.messages, std::vector<fw::Text>{u"分区USER1的密钥ID无效！"});
    settings.partitionKeyId = {0, 0, 1};
    choices.writeSnChecked = true;
    settings.snUseDevice = 2;
    settings.snAddress = 0x0801F000;
    settings.snInitial = 1000;
    settings.snStep = 2;
    ASSERT_TRUE(Build());
    const ProjectConfig& r = *CurrentProjectConfig();
    const auto b = r.Bytes();
    EXPECT_EQ(Bytes(b.begin() + 344, b.begin() + 352), (Bytes{0xA5, 0xA5, 0xA5, 0xA5, 0, 4, 0, 0x11}));
    EXPECT_EQ(Bytes(b.begin() + 352, b.begin() + 356), Bytes(4, 0xFF));
    EXPECT_EQ(Bytes(b.begin() + 360, b.begin() + 368), (Bytes{0xA5, 0xA5, 0xA5, 0xA5, 2, 8, 1, 0x01}));
    // Family 5 keeps keys 0 and 1 in entries 30 and 31.
    EXPECT_EQ(r.keys.newKey[0], ReferenceWrap(g_defaultChipKeys[30]));
    EXPECT_EQ(r.keys.oldKey[0], r.keys.newKey[0]);
    EXPECT_EQ(r.keys.newKey[2], ReferenceWrap(g_defaultChipKeys[31]));
    EXPECT_EQ(b[422], 0);
    EXPECT_EQ(b[423], 0xFF);
    EXPECT_EQ(b[425], 0);
    EXPECT_EQ(b[427], 1);
    EXPECT_EQ(b[85], 3);
    EXPECT_EQ(r.snAddress.Get(), 0x0801F000u);
    EXPECT_EQ(r.snInitial.Get(), 1000u);
    EXPECT_EQ(r.snStep.Get(), 2u);

    choices.optionFamily = 10;
    choices.optionItemText = u"0102030405060708090A0B0C0D";  // the item block of a four-item model
    choices.linkFirmwareVersion = u"3.1.6";
    ASSERT_TRUE(Build());
    const ProjectConfig& items = *CurrentProjectConfig();
    EXPECT_EQ(items.chip.option.marker.Get(), kProjectMarkerOptionItems);
    EXPECT_EQ(items.chip.option.optionBytes,
              (std::array<uint8_t, 20>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(items.extOption.marker.Get(), kProjectMarkerValid);
    EXPECT_EQ(items.extOption.count.Get(), 13u);
    EXPECT_EQ(Bytes(items.extOption.items.begin() + 10, items.extOption.items.begin() + 14), (Bytes{11, 12, 13, 0xFF}));
}

TEST_F(ProjectBuilder, ChecksInOrderEachRefusingWithItsMessageAndKeepingTheCurrentRecord) {
    struct Row {
        const char* what;
        std::function<void(ProjectPage&)> change;
        const char16_t* message;  // null: refused without a message
        bool setupRuns;
    };
    const std::vector<Row> rows = {
        {"no series chosen",
         [](ProjectPage& t) {
             t.choices.seriesSelected = false;
             t.files.clear();
         },
         u"请先选择MCU类型！", false},
        {"no model chosen",
         [](ProjectPage& t) {
             t.choices.modelSelected = false;
             t.choices.seriesText.clear();
         },
         u"请先选择MCU型号！", false},
        {"series text empty",
         [](ProjectPage& t) {
             t.choices.seriesText.clear();
             t.choices.nameText.clear();
         },
         u"MCU类型不能为空！", false},
        {"model text empty",
         [](ProjectPage& t) {
             t.choices.modelText.clear();
             t.choices.nameText.clear();
         },
         u"MCU型号不能为空！", false},
        {"name only blanks",
         [](ProjectPage& t) {
             t.choices.nameText = u"   ";
             t.files.clear();
         },
         u"项目名称不能为空！", false},
        {"name of 65 characters", [](ProjectPage& t) { t.choices.nameText = fw::Text(65, u'n'); },
         u"项目名称长度最大支持32个字节！", false},
        {"name already stored",
         [](ProjectPage& t) {
             t.choices.storedProjectNames = {u"demo", u"Demo"};
             t.files.clear();
         },
         u"项目名称已存在！", false},
        {"algorithm file missing",
         [](ProjectPage& t) {
             t.choices.seriesText = t.choices.modelText = u"VK999";
             t.files.clear();
         },
         u"读取算法文件失败！", false},
        {"no files", [](ProjectPage& t) { t.files.clear(); }, u"请先添加下载文件！", false},
        {"setup dialog cancelled",
         [](ProjectPage& t) {
             t.ui.setupOk = false;
             t.choices.nameText = fw::Text(40, u'n');
         },
         nullptr, true},
        {"name of 33 bytes", [](ProjectPage& t) { t.choices.nameText = fw::Text(33, u'n'); },
         u"项目名称长度超过32字节！", true},
        {"name of 17 wide characters is 34 bytes", [](ProjectPage& t) { t.choices.nameText = fw::Text(17, u'\u4E2D'); },
         u"项目名称长度超过32字节！", true},
        {"limit checked but empty", [](ProjectPage& t) { t.choices.limitChecked = true; }, u"下载次数不能为空！", true},
        {"limit beyond 32 bits",
         [](ProjectPage& t) {
             t.choices.limitChecked = true;
             t.choices.limitText = u"4294967296";
         },
         u"下载次数超出范围！", true},
        {"negative limit",
         [](ProjectPage& t) {
             t.choices.limitChecked = true;
             t.choices.limitText = u" -5";
         },
         u"下载次数超出范围！", true},
        {"row data shorter than its length", [](ProjectPage& t) { t.files[2].length = 101; },
         u"文件数据不完整：part2.bin", true},
        {"file name of 33 bytes", [](ProjectPage& t) { t.files[1].name = fw::Text(29, u'f') + u".bin"; },
         u"文件名称长度超过32字节：fffffffffffffffffffffffffffff.bin", true},
        {"model name of 33 bytes", [](ProjectPage& t) { t.choices.modelText = fw::Text(33, u'M'); },
         u"MCU类型或型号名称长度超过32字节！", true},
        {"option bytes declined",
         [](ProjectPage& t) {
             t.choices.optionBytesChecked = false;
             t.ui.answerYes = false;
         },
         nullptr, true},
        {"downloader too old for option items",
         [](ProjectPage& t) {
             t.choices.optionFamily = 10;
             t.choices.linkFirmwareVersion = u"3.1.5";
         },
         u"离线下载器版本过低,请升级至3.1.6或以上版本！", true},
        {"option items that are no item block",
         [](ProjectPage& t) {
             t.choices.optionFamily = 10;
             t.choices.optionItemText = u"0102030405";
         },
         u"选项字节数据无效！", true},
        {"default key id beyond the table",
         [](ProjectPage& t) {
             t.choices.partitionsChecked = true;
             t.settings.partitionConfigured[1] = kProjectMarkerValid;
             t.settings.partitionKeyId[1] = 0xFF;
         },
         u"分区USER2的密钥ID无效！", true},
        {"chip key id differs from the partition's",
         [](ProjectPage& t) {
             t.choices.partitionsChecked = t.choices.chipKeyUpdateChecked = true;
             t.settings.partitionConfigured[0] = kProjectMarkerValid;
             t.settings.partitionKeyId[0] = 3;
             t.settings.partitionFlags[0] = 0x01;
             t.settings.chipKeyUpdate[0] = 1;
             t.settings.chipKeyId[0] = 4;
         },
         u"配置分区USER1时的密钥ID与更新芯片密钥时分区USER1选择的密钥ID不一致！", true},
        {"chip key id beyond the table",
         [](ProjectPage& t) {
             t.choices.chipKeyUpdateChecked = true;
             t.settings.chipKeyUpdate[2] = 1;
             t.settings.chipKeyId[2] = 32;
         },
         u"分区USER3的密钥ID无效！", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        ASSERT_TRUE(Build());
        const ProjectConfig previous = *CurrentProjectConfig();
        ui = RecordingUi();
        row.change(*this);
        EXPECT_FALSE(Build());
        if (row.message) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(fw::TextToUtf8(ui.messages[0]), fw::TextToUtf8(row.message));
        } else {
            EXPECT_TRUE(ui.messages.empty());
        }
        EXPECT_EQ(ui.setupRuns, row.setupRuns ? 1 : 0);
        ASSERT_NE(CurrentProjectConfig(), nullptr);
        EXPECT_TRUE(std::ranges::equal(CurrentProjectConfig()->Bytes(), previous.Bytes()));
    }
}

TEST_F(ProjectBuilder, OptionQuestionAnsweredYesKeepsNoOptionBytes) {
    choices.optionBytesChecked = false;
    ASSERT_TRUE(Build());
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0], u"没有配置选项字节，下载程序安全性无法保障！是否继续？");
    const auto b = CurrentProjectConfig()->Bytes();
    EXPECT_TRUE(std::all_of(b.begin() + 368, b.begin() + 392, [](uint8_t x) { return x == 0xFF; }));
    EXPECT_TRUE(std::all_of(b.begin() + 1580, b.end(), [](uint8_t x) { return x == 0xFF; }));
}

}  // namespace
