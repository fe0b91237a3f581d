#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "HexFixtures.h"
#include "core/IntelHex.h"
#include "tests/framework/TempFolder.h"

namespace {

using hexfix::AsString;
using hexfix::Counting;
using hexfix::Data;
using hexfix::End;
using hexfix::Linear;

TEST(BinToHex, WritesTheRecordsOfTheBinary) {
    fw::testing::TempFolder dir;
    dir.Write("in.bin", AsString(Counting(20)));
    ASSERT_EQ(BinToHexFile(dir.Os("in.bin"), dir.Os("out.hex"), 0x08000000), kHexOk);
    EXPECT_EQ(dir.Read("out.hex"), Linear(0x0800) + Data(0x0000, Counting(16)) + Data(0x0010, Counting(4, 16)) + End());

    dir.Write("in32.bin", AsString(Counting(32)));
    ASSERT_EQ(BinToHexFile(dir.Os("in32.bin"), dir.Os("out32.hex"), 0x0800FFF0), kHexOk);
    EXPECT_EQ(dir.Read("out32.hex"),
              Linear(0x0800) + Data(0xFFF0, Counting(16)) + Linear(0x0801) + Data(0x0000, Counting(16, 16)) + End());

    dir.Write("empty.bin", "");
    ASSERT_EQ(BinToHexFile(dir.Os("empty.bin"), dir.Os("empty.hex"), 0), kHexOk);
    EXPECT_EQ(dir.Read("empty.hex"), Linear(0) + End());
}

TEST(BinToHex, UnalignedStartGetsAnAddressRecordAtThePageBoundary) {
    fw::testing::TempFolder dir;
    dir.Write("in.bin", AsString(Counting(40)));
    ASSERT_EQ(BinToHexFile(dir.Os("in.bin"), dir.Os("out.hex"), 0x0800FFF8), kHexOk);
    EXPECT_EQ(dir.Read("out.hex"), Linear(0x0800) + Data(0xFFF8, Counting(8)) + Linear(0x0801) +
                                       Data(0x0000, Counting(16, 8)) + Data(0x0010, Counting(16, 24)) + End());
    std::array<HexSegment, 2> segments;
    ASSERT_EQ(ReadHexSegments(dir.Wide("out.hex"), segments), 1);
    EXPECT_EQ(segments[0].startAddress, 0x0800FFF8u);
    EXPECT_EQ(segments[0].data, Counting(40));
}

TEST(BinToHex, ObjcopyReadsBackTheBinaryAtItsAddress) {
    fw::testing::TempFolder dir;
    const auto data = hexfix::Counting(150001, 9);
    dir.Write("in.bin", AsString(data));
    for (uint32_t start : {0x08000000u, 0x0800FFF0u, 0x2000FFF3u}) {
        ASSERT_EQ(BinToHexFile(dir.Os("in.bin"), dir.Os("out.hex"), start), kHexOk);
        EXPECT_EQ(hexfix::ObjcopyBinary(dir, "out.hex"), AsString(data)) << start;
        ASSERT_TRUE(hexfix::Run("objcopy -I ihex -O binary --change-addresses " + std::to_string(-int64_t{start}) +
                                " --gap-fill 0xEE '" + dir.Os("out.hex") + "' '" + dir.Os("from0.bin") + "'"));
        EXPECT_EQ(dir.Read("from0.bin"), AsString(data)) << "addresses are off for start " << start;
    }
}

TEST(BinToHex, ErrorCodes) {
    fw::testing::TempFolder dir;
    dir.Write("in.bin", "abc");
    EXPECT_EQ(BinToHexFile(dir.Os("missing.bin"), dir.Os("out.hex"), 0), kHexCannotOpenInput);
    EXPECT_EQ(BinToHexFile(dir.Os("in.bin"), dir.Os("no/such/folder/out.hex"), 0), kHexCannotCreateOutput);
    EXPECT_EQ(BinToHexFile(dir.Os("in.bin"), dir.Os(), 0), kHexCannotCreateOutput);

    // Addresses end at 4 GiB: an image past it would wrap to 0.
    dir.Write("1k.bin", AsString(Counting(1024)));
    EXPECT_EQ(BinToHexFile(dir.Os("1k.bin"), dir.Os("wrap.hex"), 0xFFFFFFF0), kHexAddressOutOfRange);
    EXPECT_EQ(BinToHexFile(dir.Os("1k.bin"), dir.Os("wrap.hex"), 0xFFFFFC01), kHexAddressOutOfRange);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "wrap.hex"));
    ASSERT_EQ(BinToHexFile(dir.Os("1k.bin"), dir.Os("top.hex"), 0xFFFFFC00), kHexOk);
    std::array<HexSegment, 2> segments;
    ASSERT_EQ(ReadHexSegments(dir.Wide("top.hex"), segments), 1);
    EXPECT_EQ(segments[0].startAddress, 0xFFFFFC00u);
    EXPECT_EQ(segments[0].endAddress, 0xFFFFFFFFu);
}

// Runs a converter in a child whose file size limit stops the output after a few bytes: the write fails.
int WithSmallFileLimit(const std::function<int()>& convert) {
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(convert());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(BinToHex, AFailedWriteAnswersNineAndLeavesNoFile) {
    fw::testing::TempFolder dir;
    dir.Write("in.bin", AsString(Counting(1000)));
    EXPECT_EQ(WithSmallFileLimit([&] { return BinToHexFile(dir.Os("in.bin"), dir.Os("out.hex"), 0); }),
              kHexWriteFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out.hex"));
}

TEST(HexToBin, MatchesObjcopyOnItsOwnFiles) {
    fw::testing::TempFolder dir;
    const auto data = hexfix::Counting(300000, 5);
    dir.Write("in.hex", hexfix::ObjcopyHex(dir, data, 0x0800F000));
    ASSERT_EQ(HexToBinFile(dir.Os("in.hex"), dir.Os("out.bin")), kHexOk);
    EXPECT_EQ(dir.Read("out.bin"), AsString(data));
}

TEST(HexToBin, GapsAreZeroAndPositionsCountFromTheFirstRecord) {
    fw::testing::TempFolder dir;
    dir.Write("gap.hex", Linear(0x0800) + Data(0x0100, Counting(4, 1)) + Data(0x0108, Counting(4, 9)) + End());
    ASSERT_EQ(HexToBinFile(dir.Os("gap.hex"), dir.Os("gap.bin")), kHexOk);
    EXPECT_EQ(dir.Read("gap.bin"), AsString({1, 2, 3, 4, 0, 0, 0, 0, 9, 10, 11, 12}));

    // Extended segment addresses count from the first record too, not from address 0.
    dir.Write("seg.hex", hexfix::Record(2, 0, {0x10, 0x00}) + Data(0x0000, Counting(4)) + End());
    ASSERT_EQ(HexToBinFile(dir.Os("seg.hex"), dir.Os("seg.bin")), kHexOk);
    EXPECT_EQ(dir.Read("seg.bin"), AsString(Counting(4)));
}

TEST(HexToBin, ErrorCodesLeaveTheOutputAsItWas) {
    fw::testing::TempFolder dir;
    const auto a = Counting(16);
    std::string badSum = Data(0x0010, a);
    badSum[badSum.size() - 3] = badSum[badSum.size() - 3] == '0' ? '1' : '0';
    struct Case {
        std::string text;
        int code;
    };
    const Case cases[] = {
        {Data(0x0100, a) + Data(0x0000, a) + End(), kHexAddressOutOfRange},  // below the first record
        {Linear(0x0800) + Data(0, a) + Linear(0x0700) + Data(0, a) + End(), kHexAddressOutOfRange},
        {Data(0, a) + Linear(0xFFFF) + Data(0xFFF0, a) + End(), kHexAddressOutOfRange},  // 4 GB further on
        {Data(0, a) + badSum + End(), kHexBadChecksum},
        {Data(0, a) + ":" + std::string(530, '0') + End(), kHexLineTooLong},
        {Data(0, a) + ":0000\r\n" + End(), kHexLineTooShort},
        {Data(0, a) + "000000001FF\r\n", kHexNoColon},
        {Data(0, a) + hexfix::Record(6, 0, {}) + End(), kHexBadType},
        {Data(0, a), kHexNoEndRecord},
    };
    for (const Case& c : cases) {
        dir.Write("in.hex", c.text);
        dir.Write("out.bin", "previous");
        EXPECT_EQ(HexToBinFile(dir.Os("in.hex"), dir.Os("out.bin")), c.code) << c.text;
        EXPECT_EQ(dir.Read("out.bin"), "previous") << c.text;
    }
    EXPECT_EQ(HexToBinFile(dir.Os("missing.hex"), dir.Os("out.bin")), kHexCannotOpenInput);
    EXPECT_EQ(HexToBinFile(dir.Os("in.hex"), dir.Os("missing/out.bin")), kHexCannotCreateOutput);
}

TEST(MergeHex, TwoFilesGiveOneImageWithFfGaps) {
    fw::testing::TempFolder dir;
    const std::string first = Linear(0x0800) + Data(0x0000, Counting(16));
    const std::string second = Linear(0x0800) + Data(0x0020, {0xA1, 0xA2, 0xA3});
    dir.Write("a.hex", first + End());
    dir.Write("b.hex", second + End());
    const std::vector<std::string> paths = {dir.Os("a.hex"), dir.Os("b.hex")};
    ASSERT_EQ(MergeHexFiles(2, paths, dir.Os("out.bin"), dir.Os("out.hex")), kHexOk);

    std::vector<uint8_t> expected = Counting(16);
    expected.resize(36, 0xFF);
    expected[32] = 0xA1;
    expected[33] = 0xA2;
    expected[34] = 0xA3;
    EXPECT_EQ(dir.Read("out.bin"), AsString(expected));
    EXPECT_EQ(dir.Read("out.hex"), first + second + End());
    // objcopy reads the merged text as the same image.
    EXPECT_EQ(hexfix::ObjcopyBinary(dir, "out.hex", 0xFF), AsString(expected).substr(0, 35));
}

TEST(MergeHex, AnInputWithoutAddressRecordKeepsItsOwnAddresses) {
    fw::testing::TempFolder dir;
    dir.Write("a.hex", Linear(0x0800) + Data(0x0000, Counting(16)) + End());
    dir.Write("b.hex", Data(0x0040, Counting(16, 0x80)) + End());
    const std::vector<std::string> paths = {dir.Os("a.hex"), dir.Os("b.hex")};
    ASSERT_EQ(MergeHexFiles(2, paths, dir.Os("out.bin"), dir.Os("out.hex")), kHexOk);
    std::array<HexSegment, 4> segments;
    ASSERT_EQ(ReadHexSegments(dir.Wide("out.hex"), segments), 2);
    EXPECT_EQ(segments[0].startAddress, 0x08000000u);
    EXPECT_EQ(segments[1].startAddress, 0x00000040u);  // not 0x08000040
}

// objcopy writes a segment (type 2) record into a file of more than 64 KiB at address 0, and keeps that base when a
// later linear (type 4) record comes: the merged text must clear it, or the next input lands 64 KiB too far on.
TEST(MergeHex, ObjcopyReadsTheMergedTextAsTheMergedBinary) {
    fw::testing::TempFolder dir;
    const auto low = Counting(100000, 3);
    const auto high = Counting(1024, 7);
    const std::string lowHex = hexfix::ObjcopyHex(dir, low, 0);
    ASSERT_NE(lowHex.find(":02000002"), std::string::npos) << "objcopy no longer writes a segment record";
    dir.Write("low.hex", lowHex);
    dir.Write("high.hex", hexfix::ObjcopyHex(dir, high, 0x00100000));

    const auto plain = Counting(16, 0x40);
    dir.Write("plain.hex", Data(0x0200, plain) + End());  // no address record: base 0
    struct Piece {
        uint32_t address;
        const std::vector<uint8_t>& bytes;
    };
    struct Case {
        std::vector<std::string> inputs;
        std::vector<Piece> image;  // in address order
    };
    const Case cases[] = {
        {{"low.hex", "high.hex"}, {{0, low}, {0x00100000, high}}},
        {{"high.hex", "low.hex"}, {{0, low}, {0x00100000, high}}},
        {{"high.hex", "plain.hex"}, {{0x200, plain}, {0x00100000, high}}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> paths;
        for (const std::string& name : c.inputs)
            paths.push_back(dir.Os(name));
        ASSERT_EQ(MergeHexFiles(static_cast<uint32_t>(paths.size()), paths, dir.Os("out.bin"), dir.Os("out.hex")),
                  kHexOk);
        const uint32_t lowest = c.image.front().address;
        std::vector<uint8_t> expected(c.image.back().address + c.image.back().bytes.size() - lowest, 0xFF);
        for (const Piece& piece : c.image)
            std::copy(piece.bytes.begin(), piece.bytes.end(), expected.begin() + (piece.address - lowest));
        EXPECT_EQ(dir.Read("out.bin"), AsString(expected)) << c.inputs[0] << " " << c.inputs[1];
        EXPECT_EQ(hexfix::ObjcopyBinary(dir, "out.hex", 0xFF), AsString(expected)) << c.inputs[0] << " " << c.inputs[1];
    }
}

TEST(MergeHex, ErrorCodes) {
    fw::testing::TempFolder dir;
    dir.Write("good.hex", Data(0, Counting(4)) + End());
    dir.Write("cut.hex", Data(0x10, Counting(4)));
    dir.Write("empty.hex", "");
    dir.Write("bad.hex", Data(0, Counting(4)) + ":0000\r\n" + End());
    dir.Write("type.hex", hexfix::Record(7, 0, {}) + End());
    struct Case {
        std::vector<std::string> inputs;
        std::string bin;
        int code;
    };
    const Case cases[] = {
        {{dir.Os("good.hex"), dir.Os("missing.hex")}, dir.Os("o.bin"), kHexCannotOpenInput},
        {{dir.Os("good.hex"), dir.Os("bad.hex")}, dir.Os("o.bin"), kHexLineTooShort},
        {{dir.Os("type.hex")}, dir.Os("o.bin"), kHexBadType},
        {{dir.Os("good.hex"), dir.Os("cut.hex")}, dir.Os("o.bin"), kHexNoEndRecord},
        {{dir.Os("cut.hex"), dir.Os("good.hex")}, dir.Os("o.bin"), kHexNoEndRecord},
        {{dir.Os("good.hex"), dir.Os("empty.hex")}, dir.Os("o.bin"), kHexNoEndRecord},
        {{dir.Os("good.hex")}, dir.Os("missing/o.bin"), kHexCannotCreateOutput},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MergeHexFiles(static_cast<uint32_t>(c.inputs.size()), c.inputs, c.bin, dir.Os("o.hex")), c.code);
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "o.bin"));
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "o.hex"));
    }
}

// The image an encrypted download file is made from is held to the largest flash of any chip: data exactly that
// wide make an image, one byte wider are refused before any image is built. The bin/hex tool's converters are not:
// an external flash image may be wider than any chip's own flash.
TEST(HexSpan, TheEncryptedFilesImageTakesTheLargestFlashAndNotOneByteMore) {
    fw::testing::TempFolder dir;
    const std::string low = Linear(0x0800) + Data(0, Counting(16));
    // The last record ends at the last byte of a 4 MiB flash from 0x08000000, or one byte beyond it.
    dir.Write("fits.hex", low + Linear(0x083F) + Data(0xFFF0, Counting(16)) + End());
    dir.Write("wider.hex", low + Linear(0x083F) + Data(0xFFF0, Counting(17)) + End());

    std::vector<uint8_t> image = {1, 2, 3};
    EXPECT_EQ(HexFileToImage(dir.Wide("wider.hex"), image), kHexSpanTooLarge);
    EXPECT_EQ(image, (std::vector<uint8_t>{1, 2, 3}));
    ASSERT_EQ(HexFileToImage(dir.Wide("fits.hex"), image), kHexOk);
    EXPECT_EQ(image.size(), kHexMaxSpan);

    ASSERT_EQ(HexToBinFile(dir.Os("wider.hex"), dir.Os("out.bin")), kHexOk);
    EXPECT_EQ(std::filesystem::file_size(dir.Path() / "out.bin"), kHexMaxSpan + 1);
    const std::vector<std::string> paths = {dir.Os("wider.hex")};
    ASSERT_EQ(MergeHexFiles(1, paths, dir.Os("merged.bin"), dir.Os("merged.hex")), kHexOk);
    EXPECT_EQ(std::filesystem::file_size(dir.Path() / "merged.bin"), kHexMaxSpan + 2);  // even length
}

}  // namespace
