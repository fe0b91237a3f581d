#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "HexFixtures.h"
#include "core/HexText.h"
#include "core/IntelHex.h"
#include "tests/framework/TempFolder.h"

namespace {

using hexfix::Counting;
using hexfix::Data;
using hexfix::End;
using hexfix::Linear;

struct Run {
    uint32_t start;
    std::vector<uint8_t> data;
};

// Reads text through the file entry point and checks the runs it gives.
void ExpectRuns(const std::string& text, const std::vector<Run>& runs, const std::string& what) {
    fw::testing::TempFolder dir;
    dir.Write("in.hex", text);
    std::array<HexSegment, 260> segments;
    const int n = ReadHexSegments(dir.Wide("in.hex"), segments);
    ASSERT_EQ(n, static_cast<int>(runs.size())) << what;
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(segments[i].startAddress, runs[i].start) << what << " run " << i;
        EXPECT_EQ(segments[i].endAddress, runs[i].start + runs[i].data.size() - 1) << what << " run " << i;
        EXPECT_EQ(segments[i].data, runs[i].data) << what << " run " << i;
    }
    std::array<HexSegment, 260> fromText;
    EXPECT_EQ(ReadHexSegmentsFromText(text, fromText), n) << what;
}

TEST(HexSegments, RunsTable) {
    const auto a = Counting(16, 0x00);
    const auto b = Counting(16, 0x40);
    std::vector<uint8_t> ab = a;
    ab.insert(ab.end(), b.begin(), b.end());

    ExpectRuns(Linear(0x0800) + Data(0x0000, a) + Data(0x0100, b) + End(), {{0x08000000, a}, {0x08000100, b}},
               "a gap opens a second run");
    ExpectRuns(Linear(0x0800) + Data(0xFFF0, a) + Linear(0x0801) + Data(0x0000, b) + End(), {{0x0800FFF0, ab}},
               "data continuing over a 64 KB page stay one run");
    ExpectRuns(Linear(0x0800) + Data(0xFFE0, b) + Data(0xFFF0, a) + End(),
               {{0x0800FFE0,
                 [&] {
                     std::vector<uint8_t> ba = b;
                     ba.insert(ba.end(), a.begin(), a.end());
                     return ba;
                 }()}},
               "the last run ends exactly on a 64 KB boundary");
    ExpectRuns(Linear(0x0800) + Data(0xFFF0, a) + Linear(0x0801) + Data(0x0100, b) + End(),
               {{0x0800FFF0, a}, {0x08010100, b}}, "a new page that does not continue the data opens a run");
    ExpectRuns(Linear(0x0800) + Data(0x0000, a) + Linear(0x0900) + Data(0x0000, b) + End(),
               {{0x08000000, a}, {0x09000000, b}}, "a distant page");
    ExpectRuns(Linear(0x0800) + Data(0x0010, b) + Data(0x0000, a) + End(), {{0x08000010, b}, {0x08000000, a}},
               "a step back opens a run");
    ExpectRuns(hexfix::Record(2, 0, {0x10, 0x00}) + Data(0x0000, a) + Data(0x0010, b) + End(), {{0x00010000, ab}},
               "extended segment address");
    ExpectRuns(Data(0x0000, a, "\n") + "\n\n  " + Data(0x0010, b, "\n") + End("\n"), {{0x00000000, ab}},
               "LF line ends, blank lines and leading blanks");
    ExpectRuns(Linear(0x0800) + Data(0x0000, a) + hexfix::Record(5, 0, {8, 0, 0, 0}) + End() + Data(0x0100, b),
               {{0x08000000, a}}, "start address records are ignored, the end record ends the file");
}

TEST(HexSegments, FailuresAnswerZeroAndLeaveTheArrayAlone) {
    const auto a = Counting(16);
    std::string badSum = Data(0x0010, a);
    badSum[badSum.size() - 3] = badSum[badSum.size() - 3] == '0' ? '1' : '0';
    const std::string cases[] = {
        Linear(0x0800) + Data(0, a),                       // no end record
        Linear(0x0800) + End(),                            // no data
        Data(0, a) + badSum + End(),                       // a bad record
        Data(0, a) + hexfix::Record(6, 0, {}) + End(),     // a type above 5
        Data(0, a) + ":" + std::string(600, '0') + End(),  // a line longer than any record
        "",
    };
    for (const std::string& text : cases) {
        std::array<HexSegment, 4> segments;
        segments[0].startAddress = 0x1234;
        EXPECT_EQ(ReadHexSegmentsFromText(text, segments), 0) << text;
        EXPECT_EQ(segments[0].startAddress, 0x1234u) << text;
    }

    // More runs than the caller has room for.
    std::string many;
    for (uint16_t i = 0; i < 5; ++i)
        many += Data(static_cast<uint16_t>(i * 0x100), a);
    many += End();
    std::array<HexSegment, 4> four;
    EXPECT_EQ(ReadHexSegmentsFromText(many, four), 0);
    std::array<HexSegment, 5> five;
    EXPECT_EQ(ReadHexSegmentsFromText(many, five), 5);

    fw::testing::TempFolder dir;
    EXPECT_EQ(ReadHexSegments(dir.Wide("missing.hex"), five), 0);
    EXPECT_EQ(ReadHexSegments(dir.Wide(), five), 0);
}

TEST(HexSegments, ObjcopyFileOverSeveralPagesIsOneRun) {
    fw::testing::TempFolder dir;
    const auto data = Counting(200000, 7);
    ExpectRuns(hexfix::ObjcopyHex(dir, data, 0x0800F000), {{0x0800F000, data}}, "objcopy");
}

// The image's hex text, empty when the builder refused the file.
fw::Text ImageOf(const std::string& text) {
    fw::testing::TempFolder dir;
    dir.Write("in.hex", text);
    std::vector<uint8_t> viaFile, viaText;
    const int rc = HexFileToImage(dir.Wide("in.hex"), viaFile);
    EXPECT_EQ(HexTextToImage(text, viaText), rc);
    EXPECT_EQ(viaText, viaFile);
    return rc == kHexOk ? BytesToHex(viaFile) : fw::Text();
}

TEST(HexImage, ImageTable) {
    const auto a = Counting(16, 0x00);
    const auto b = Counting(16, 0x40);
    const fw::Text ff16(32, u'F');
    struct Case {
        std::string text;
        fw::Text image;
        const char* what;
    };
    const Case cases[] = {
        {Linear(0x0800) + Data(0, a) + Data(0x10, Counting(4, 0x10)) + End(),
         BytesToHex(Counting(20)) + fw::Text(24, u'F'), "20 bytes round up to 32"},
        {Data(0x0000, a) + Data(0x0020, b) + End(), BytesToHex(a) + ff16 + BytesToHex(b),
         "a gap stays 0xFF at its place"},
        {Data(0x0010, b) + Data(0x0000, a) + End(), BytesToHex(a) + BytesToHex(b), "records out of order"},
        {Linear(0x0800) + Data(0x1000, a) + End(), BytesToHex(a), "the image starts at the lowest address"},
        {Linear(0x0800) + Data(0xFFF0, a) + Linear(0x0801) + Data(0, b) + End(), BytesToHex(a) + BytesToHex(b),
         "data over two 64 KB windows"},
        {hexfix::Record(2, 0, {0x10, 0x00}) + Data(0x0010, b) + Linear(0x0001) + Data(0, a) + End(),
         BytesToHex(a) + BytesToHex(b), "a segment and a linear address record"},
        {hexfix::Record(3, 0, {0, 0, 0, 0}) + Linear(0x0800) + Data(0, a) + End(), BytesToHex(a),
         "a start segment record is no address"},
        {Linear(0x0800, "\n") + Data(0, a, "\n") + Data(0x10, b, "\n") + End("\n"), BytesToHex(a) + BytesToHex(b),
         "LF line ends"},
        {Data(0, a, " ") + Data(0x10, b, "\t") + End(""), BytesToHex(a) + BytesToHex(b), "blanks between records"},
        {Linear(0x0800) + End(), u"", "no data"},
        {"", u"", "empty file"},
        {Data(0, a), u"", "no end record"},
        {(Data(0, a) + End()).substr(0, 30), u"", "cut inside a record"},
        {Data(0, {0x00, 0x01}).replace(9, 2, "G0") + End(), u"", "a letter beyond F"},
        {Data(0, a) + hexfix::Record(2, 0, {0x10, 0x00}) + Data(0, b) + End(),
         BytesToHex(a) + fw::Text(2 * (0x10000 - 16), u'F') + BytesToHex(b), "data before and after a segment base"},
        {Data(0, a) + Linear(0x1000) + Data(0xFFF0, b) + End(), u"", "data 256 MiB apart make no image"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fw::TextToUtf8(ImageOf(c.text)), fw::TextToUtf8(c.image)) << c.what;

    fw::testing::TempFolder dir;
    std::vector<uint8_t> image;
    EXPECT_EQ(HexFileToImage(dir.Wide("missing.hex"), image), kHexCannotOpenInput);
    EXPECT_EQ(HexFileToImage(dir.Wide(), image), kHexCannotOpenInput);
}

TEST(HexImage, ObjcopyFileMatchesItsData) {
    fw::testing::TempFolder dir;
    const auto data = Counting(1000, 3);  // objcopy writes one address record for data within a page
    std::vector<uint8_t> padded = data;
    padded.resize(1008, 0xFF);
    EXPECT_EQ(ImageOf(hexfix::ObjcopyHex(dir, data, 0x08000000)), BytesToHex(padded));
}

}  // namespace
