#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "app/OptionProtection.h"

namespace {

std::array<uint8_t, 64> Image(std::initializer_list<std::pair<int, uint8_t>> bytes) {
    std::array<uint8_t, 64> data;
    data.fill(0xFF);
    for (auto [offset, value] : bytes)
        data[offset] = value;
    return data;
}

TEST(ProtectionOfImage, Table) {
    struct Case {
        ChipSeriesCode series;
        std::array<uint8_t, 64> data;
        int level;
        bool writeProtected;
    };
    const Case cases[] = {
        {3, Image({{0, 0xA5}, {12, 0xCC}}), 2, false},  // the marker wins over byte 0
        {3, Image({{0, 0xA5}}), 0, false},
        {3, Image({{0, 0x00}, {10, 0x7F}}), 1, true},
        {0, Image({{0, 0xA5}, {14, 0xFE}}), 0, true},
        {0, Image({{0, 0xA5}, {12, 0xCC}}), 0, true},  // byte 12 is no marker on series 0, but a WRP byte
        {9, Image({{0, 0xA5}, {16, 0xCC}}), 0, true},  // WRP0 = 0xCC, RDP2 = 0xFF
        {9, Image({{0, 0x11}, {2, 0xCC}}), 2, false},
        {11, Image({{0, 0xA5}, {13, 0xCC}}), 2, false},
        {11, Image({{0, 0xA5}, {9, 0x00}}), 0, true},
        {12, Image({{0, 0xA5}, {11, 0x00}}), 0, true},
        {12, Image({{0, 0xA5}, {8, 0x00}}), 0, false},             // byte 8 is no WRP byte of series 12
        {7, Image({{0, 0xA5}, {8, 0x12}, {10, 0x03}}), 0, false},  // bytes 8 and 10 are USER2 and USER3
        {7, Image({{0, 0x55}, {12, 0xCC}}), 2, false},
    };
    for (const Case& c : cases) {
        const ProtectionState s = ProtectionOfImage(c.series, c.data);
        EXPECT_EQ(s.level, c.level) << int(c.series);
        EXPECT_EQ(s.writeProtected, c.writeProtected) << int(c.series);
    }
}

TEST(EditorProtectionOfImage, Series11KnowsTwoLevelOneEncodings) {
    struct Case {
        uint8_t rdp, rdp2;
        std::optional<int> level;
    };
    const Case cases[] = {
        {0xA5, 0xFF, 0}, {0xFF, 0xFF, 1}, {0x5A, 0xFF, std::nullopt}, {0x5A, 0xCC, 2}, {0x00, 0xFF, std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.rdp) << " " << int(c.rdp2));
        const auto state = EditorProtectionOfImage(11, Image({{0, c.rdp}, {13, c.rdp2}}));
        ASSERT_EQ(state.has_value(), c.level.has_value());
        if (state) {
            EXPECT_EQ(state->level, *c.level);
        }
    }
    // Other series take any byte as level 1.
    ASSERT_TRUE(EditorProtectionOfImage(3, Image({{0, 0x5A}})));
    EXPECT_EQ(EditorProtectionOfImage(3, Image({{0, 0x5A}}))->level, 1);
}

TEST(OptionImageLengths, ReadAndWrite) {
    EXPECT_EQ(OptionImageReadLength(12), 17);
    EXPECT_EQ(OptionImageWriteLength(12), 13);
    EXPECT_EQ(OptionImageReadLength(8), 32);
    EXPECT_EQ(OptionImageReadLength(11), 14);
    EXPECT_EQ(OptionImageReadLength(5), 16);
    EXPECT_EQ(OptionImageReadLength(0), 20);
    EXPECT_EQ(OptionImageWriteLength(0), 20);
}

TEST(SecurityChipWriteProtected, ByFlashSize) {
    EXPECT_FALSE(SecurityChipWriteProtected(Image({{0, 0xFE}}), 4096.0));
    EXPECT_TRUE(SecurityChipWriteProtected(Image({{0, 0xFE}, {3, 0x00}}), 4096.0));
    EXPECT_FALSE(SecurityChipWriteProtected(Image({{0, 0xFF}, {3, 0x00}}), 2048.0));  // byte 3 not counted
    EXPECT_TRUE(SecurityChipWriteProtected(Image({{0, 0x00}}), 2048.0));
}

}  // namespace
