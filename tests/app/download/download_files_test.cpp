#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/DownloadFiles.h"
#include "core/Crc32.h"
#include "tests/app/download/HexFileWriter.h"
#include "tests/framework/TempFolder.h"

namespace {

using hexfile::Pattern;

class LoaderTest : public ::testing::Test {
protected:
    fw::testing::TempFolder folder;
    DownloadItem item;
    uint8_t writeOptionBytes = 0;
    OptionRwBlock options{};
    std::vector<std::pair<fw::Text, uint32_t>> lines;
    LogSink log = [this](const fw::Text& text, uint32_t colour) { lines.emplace_back(text, colour); };

    fw::Text WriteHex(const std::string& name, const std::vector<hexfile::Run>& runs) {
        folder.Write(name, hexfile::Text(runs));
        return folder.Wide(name);
    }
    fw::Text WriteBin(const std::string& name, size_t size) {
        const std::vector<uint8_t> bytes = Pattern(size);
        folder.Write(name, std::string(bytes.begin(), bytes.end()));
        return folder.Wide(name);
    }
    std::vector<fw::Text> Texts() const {
        std::vector<fw::Text> texts;
        for (const auto& line : lines)
            texts.push_back(line.first);
        return texts;
    }
};

TEST_F(LoaderTest, HexOptionSegmentInTheMiddleGoesToTheFileOptionBytes) {
    const auto first = Pattern(40), option = Pattern(16, 0xA5), last = Pattern(32, 9);
    const fw::Text path = WriteHex("three.hex", {{0x08000000, first}, {0x1FFFF800, option}, {0x08002000, last}});

    ASSERT_TRUE(LoadHexFile(path, 0, item, writeOptionBytes, options, log));

    EXPECT_EQ(item.segmentCount, 2u);
    EXPECT_EQ(item.address[0], 0x08000000u);
    EXPECT_EQ(item.addressText[1], u"08002000");
    EXPECT_EQ(item.length[0], 48u);
    EXPECT_EQ(std::vector<uint8_t>(item.data[1].begin(), item.data[1].begin() + 32), last);
    EXPECT_EQ(writeOptionBytes, 1);
    EXPECT_EQ(options.operation, 1);
    EXPECT_EQ(options.length, 16);
    EXPECT_EQ(std::vector<uint8_t>(options.data, options.data + 16), option);
    EXPECT_EQ(Texts(),
              (std::vector<fw::Text>{u"文件地址范围1：0x08000000-0x08000027", u"文件地址范围2：0x1FFFF800-0x1FFFF80F",
                                     u"文件地址范围3：0x08002000-0x0800201F", u"文件大小：88 byte"}));
}

TEST_F(LoaderTest, HexSingleShortSegmentIsPaddedWithErasedBytes) {
    const fw::Text path = WriteHex("short.hex", {{0x08000000, Pattern(20)}});
    ASSERT_TRUE(LoadHexFile(path, 0, item, writeOptionBytes, options, log));
    EXPECT_EQ(item.length[0], 32u);
    for (size_t i = 20; i < 32; ++i)
        EXPECT_EQ(item.data[0][i], 0xFF) << i;
    EXPECT_EQ(writeOptionBytes, 0);
    EXPECT_EQ(Texts(), (std::vector<fw::Text>{u"文件地址范围：0x08000000-0x08000013", u"文件大小：20 byte"}));
}

TEST_F(LoaderTest, HexOptionAddressDependsOnTheSeries) {
    // Series 3 has no option bytes in its files: the run stays a segment.
    const fw::Text path = WriteHex("opt.hex", {{0x1FFFF800, Pattern(16)}});
    ASSERT_TRUE(LoadHexFile(path, 3, item, writeOptionBytes, options, log));
    EXPECT_EQ(item.segmentCount, 1u);
    EXPECT_EQ(writeOptionBytes, 0);
}

TEST_F(LoaderTest, HexRefusalsLeaveTheItemAsItWas) {
    item.segmentCount = 1;
    item.data[0] = {1, 2, 3};
    item.length[0] = 3;
    std::vector<hexfile::Run> tooMany;
    for (uint32_t k = 0; k < 261; ++k)
        tooMany.push_back({0x08000000 + k * 0x100, Pattern(16)});
    const std::pair<const char*, fw::Text> refused[] = {
        {"missing file", folder.Wide("none.hex")},
        {"not hex", WriteBin("plain.hex", 64)},
        {"261 runs", WriteHex("many.hex", tooMany)},
        {"option run longer than the block", WriteHex("bigopt.hex", {{0x1FFFF800, Pattern(65)}})},
    };
    for (const auto& [what, path] : refused) {
        EXPECT_FALSE(LoadHexFile(path, 0, item, writeOptionBytes, options, log)) << what;
        EXPECT_EQ(item.length[0], 3u) << what;
        EXPECT_EQ(writeOptionBytes, 0) << what;
        EXPECT_EQ(options.length, 0) << what;
    }
    std::vector<hexfile::Run> most(tooMany.begin(), tooMany.begin() + 260);
    EXPECT_TRUE(LoadHexFile(WriteHex("most.hex", most), 0, item, writeOptionBytes, options, log));
    EXPECT_EQ(item.segmentCount, 260u);
}

TEST_F(LoaderTest, BinPaddingTable) {
    const struct {
        const char* name;
        size_t size;
        uint32_t length;
    } cases[] = {
        {"a.bin", 1000, 1008}, {"a-ENC.bin", 1000, 1012}, {"b.enc", 1028, 1028},
        {"c.bin", 1024, 1024}, {"d.bin", 0, 0},           {"e.enc", 4, 4},
    };
    for (const auto& c : cases) {
        DownloadItem fresh;
        ASSERT_TRUE(LoadBinFile(WriteBin(c.name, c.size), fresh, log)) << c.name;
        EXPECT_EQ(fresh.length[0], c.length) << c.name;
        EXPECT_EQ(fresh.data[0].size(), c.length) << c.name;
        EXPECT_EQ(fresh.segmentCount, 1u);
        for (size_t i = c.size; i < c.length; ++i)
            ASSERT_EQ(fresh.data[0][i], 0xFF) << c.name << " " << i;
    }
    EXPECT_EQ(lines.front().first, u"文件大小：1000 byte");
}

TEST_F(LoaderTest, BinRefusals) {
    item.length[0] = 77;
    EXPECT_FALSE(LoadBinFile(folder.Wide("missing.bin"), item, log));
    EXPECT_EQ(item.length[0], 0u);
    EXPECT_FALSE(LoadBinFile(WriteBin("short.enc", 3), item, log));
    EXPECT_EQ(item.length[0], 0u);
}

TEST(FileChecksum, SumsTheSegmentCrcs) {
    DownloadItem item;
    item.segmentCount = 0;
    EXPECT_EQ(FileChecksum(item), 0u);
    item.segmentCount = 2;
    SetSegment(item, 0, Pattern(32), 32);
    SetSegment(item, 1, Pattern(16, 5), 16);
    EXPECT_EQ(FileChecksum(item),
              Crc32Buffer(item.data[0].data(), 32, nullptr) + Crc32Buffer(item.data[1].data(), 16, nullptr));
}

}  // namespace
