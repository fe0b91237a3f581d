// A project's option bytes laid over a chip's image, for the families whose project layout is not the chip's:
// every expected byte is typed from the layout tables of the two layouts, not taken from the layout rows.
#include <gtest/gtest.h>

#include <vector>

#include "core/OptionLayouts.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(DeviceImageFromProject, ProjectFieldsGoWhereTheChipKeepsThemAndTheRestStaysAsRead) {
    struct Case {
        const char* name;
        uint8_t series;
        Bytes project;  // 20 bytes
        Bytes chip;     // as read
        Bytes written;
    };
    // Family 8 and 9 projects: RDP 55, USER F7, Data0 C1, Data1 C2, WRP0..3 F0..F3, RDP2 FF, USER2 5F, USER3 11,
    // byte 11 carried, CCMSRAM_RST AB, bytes 13 to 15 carried; bytes 16 to 19 are not part of the layout.
    const Bytes values = {0x55, 0xF7, 0xC1, 0xC2, 0xF0, 0xF1, 0xF2, 0xF3, 0xFF, 0x5F,
                          0x11, 0xEE, 0xAB, 0xEE, 0xEE, 0xEE, 0xCC, 0xCC, 0xCC, 0xCC};
    Bytes erased(32);
    for (size_t i = 0; i < erased.size(); i += 2) {
        erased[i] = 0xFF;
        erased[i + 1] = 0x00;
    }
    erased[0] = 0xA5, erased[1] = 0x5A;
    Bytes chip9 = erased;
    chip9[4] = 0x5A, chip9[5] = 0xA5;    // DBANK off
    chip9[14] = 0x77, chip9[15] = 0x88;  // carried as read
    chip9[28] = 0x12, chip9[29] = 0xED;  // Data2
    Bytes chip8 = erased;
    chip8[22] = 0x77, chip8[23] = 0x88;  // carried as read
    chip8[30] = 0x99, chip8[31] = 0x66;
    // Family 12 projects (the series-3 layout): RDP A5, the USER byte given, Data0 C1, Data1 C2, WRP0 F0, WRP1 F1,
    // RDP2 FF. Series 12 chips: RDP A5, USER4 01, the USER0 word given, USER FFFF, USER2 00, the USER3 given, Data0
    // 11, Data1 22, WRP0 and WRP1 FF, RDP2 FF, the flash CRC-32 0A1B2C3D.
    const auto project12 = [](uint8_t user) {
        return Bytes{0xA5, 0x5A, user, static_cast<uint8_t>(~user),
                     0xC1, 0x3E, 0xC2, 0x3D,
                     0xF0, 0x0F, 0xF1, 0x0E,
                     0xFF, 0x00, 0xFF, 0x00,
                     0xFF, 0x00, 0xFF, 0x00};
    };
    const auto chip12 = [](uint8_t user0Low, uint8_t user0High, uint8_t user3) {
        return Bytes{0xA5, 0x01, user0Low, user0High, 0xFF, 0xFF, 0x00, user3, 0x11,
                     0x22, 0xFF, 0xFF,     0xFF,      0x3D, 0x2C, 0x1B, 0x0A};
    };
    const Case cases[] = {
        {"series 9", 9, values, chip9, {0x55, 0xAA, 0xFF, 0x00, 0x5A, 0xA5, 0xAB, 0x54, 0xF7, 0x08, 0x5F,
                                        0xA0, 0x11, 0xEE, 0x77, 0x88, 0xF0, 0x0F, 0xF1, 0x0E, 0xF2, 0x0D,
                                        0xF3, 0x0C, 0xC1, 0x3E, 0xC2, 0x3D, 0x12, 0xED, 0xFF, 0x00}},
        {"series 8", 8, values, chip8, {0x55, 0xAA, 0xF7, 0x08, 0xC1, 0x3E, 0xC2, 0x3D, 0xF0, 0x0F, 0xF1,
                                        0x0E, 0xF2, 0x0D, 0xF3, 0x0C, 0xFF, 0x00, 0x5F, 0xA0, 0x11, 0xEE,
                                        0x77, 0x88, 0xAB, 0x54, 0xFF, 0x00, 0xFF, 0x00, 0x99, 0x66}},
        // The series-3 project layout over the series-12 image. nBOOT0, nBOOT1 and nSWBOOT0 (bits 3 to 5 of the
        // project's USER) go to the chip's bits of the same name, USER3 bits 0 to 2. The project's WDG_SW (bit 0)
        // cannot say "as the chip has it" for the 16-bit IWDG_SW word USER0 (5AA5 on, FFFF off), so USER0 stays as
        // read whatever the bit says; so do USER, USER2, USER4, the rest of USER3 and the flash CRC-32 (bytes 13
        // to 16). Only the 13 bytes an option write sends come back.
        {"series 12: WDG_SW set over a fresh chip's FFFF, nBOOT0 off, nBOOT1 and nSWBOOT0 on",
         12,
         project12(0xF7),
         chip12(0xFF, 0xFF, 0x00),
         {0xA5, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x06, 0xC1, 0xC2, 0xF0, 0xF1, 0xFF}},
        {"series 12: WDG_SW clear over IWDG_SW on, the boot bits off",
         12,
         project12(0xC6),
         chip12(0xA5, 0x5A, 0xFF),
         {0xA5, 0x01, 0xA5, 0x5A, 0xFF, 0xFF, 0x00, 0xF8, 0xC1, 0xC2, 0xF0, 0xF1, 0xFF}},
        {"series 12: WDG_SW set over a word of its own",
         12,
         project12(0xFF),
         chip12(0x34, 0x12, 0xF0),
         {0xA5, 0x01, 0x34, 0x12, 0xFF, 0xFF, 0x00, 0xF7, 0xC1, 0xC2, 0xF0, 0xF1, 0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DeviceImageFromProject(c.series, c.project, c.series, c.chip), c.written);
    }
}

}  // namespace
