// The rules that hang on the chip series, checked for every series against tables typed here from the product's
// own description of them: a wrong number in the program's tables cannot also be in these.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "app/ChipSeries.h"
#include "app/ControlRules.h"
#include "app/MenuRules.h"
#include "app/OptionProtection.h"
#include "framework/Format.h"

namespace {

bool In(int value, std::initializer_list<int> set) { return std::find(set.begin(), set.end(), value) != set.end(); }

TEST(SeriesRules, EveryModelNameGivesItsSeries) {
    const std::pair<const char16_t*, int> names[] = {
        {u"VK517", 0},  {u"VK515", 0},  {u"VK512", 0},  {u"VK511", 0},  {u"VK51R", 0},  {u"VK51W", 0},  {u"VK51X", 0},
        {u"VK615", 1},  {u"VK425", 2},  {u"VK422", 2},  {u"VK44X", 2},  {u"VK43X", 2},  {u"VK42X", 2},  {u"VK4WX", 2},
        {u"VK232", 3},  {u"VK632", 3},  {u"VK230", 4},  {u"VK420", 5},  {u"VK401", 5},  {u"VK620", 5},  {u"VK231", 6},
        {u"VK203", 7},  {u"VK233", 12}, {u"VK727", 8},  {u"VK722", 8},  {u"VK714", 8},  {u"VK713", 8},  {u"VK71X", 8},
        {u"VK72X", 8},  {u"VK73", 9},   {u"VK73X", 9},  {u"VK828", 10}, {u"VK827", 10}, {u"VK825", 10}, {u"VK815", 10},
        {u"VK812", 10}, {u"VK810", 10}, {u"VK82X", 10}, {u"VK81X", 10}, {u"VK266", 11}, {u"VK265", 11}, {u"VK262", 11},
        {u"VK26X", 11},
    };
    for (const auto& [name, series] : names) {
        SCOPED_TRACE(fw::TextToUtf8(name));
        // As the chip reports it, with a package suffix, and lower-cased as a user may type it.
        for (const fw::Text& text : {fw::Text(name), fw::Text(name) + u"C8T6", fw::ToLower(fw::Text(u"x") + name)}) {
            const std::optional<ChipSeriesCode> found = ChipSeriesOfModelName(text);
            ASSERT_TRUE(found.has_value()) << fw::TextToUtf8(text);
            EXPECT_EQ(*found, series) << fw::TextToUtf8(text);
        }
    }
}

TEST(SeriesRules, PageSizeCapacityAndPartitionsOfEverySeries) {
    struct Row {
        int series;
        uint32_t productionPage;
        const char16_t* capacityOf29_5;  // the capacity text of a 29.5 KB flash
        bool partitions;
    };
    const Row rows[] = {
        {0, 2048, u"30", true},  {1, 2048, u"30", true}, {2, 2048, u"30", true},  {3, 512, u"30", true},
        {4, 512, u"30", false},  {5, 2048, u"30", true}, {6, 512, u"30", false},  {7, 512, u"29.5", false},
        {8, 8192, u"30", true},  {9, 8192, u"30", true}, {10, 4096, u"30", true}, {11, 512, u"30", true},
        {12, 512, u"30", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.series);
        const auto series = static_cast<ChipSeriesCode>(row.series);
        EXPECT_EQ(ProductionPageSize(series), row.productionPage);
        EXPECT_EQ(CapacityText(series, 29.5), row.capacityOf29_5);
        EXPECT_EQ(SeriesHasNoUserPartitions(series), !row.partitions);
    }
}

// Option image: the level-2 marker, the write-protection bytes and the read and write lengths of every series.
// Series 7 has no write-protection bytes: its bytes 8 and 10 are USER2 and USER3.
TEST(SeriesRules, ProtectionBytePlacesOfEverySeries) {
    struct Row {
        int series;
        int marker;
        std::set<int> writeProtection;
        uint8_t readLength, writeLength;
    };
    const Row rows[] = {
        {0, 16, {8, 10, 12, 14}, 20, 20}, {1, 16, {8, 10, 12, 14}, 20, 20},  {2, 16, {8, 10, 12, 14}, 20, 20},
        {3, 12, {8, 10}, 16, 16},         {4, 12, {8, 10}, 16, 16},          {5, 12, {8, 10}, 16, 16},
        {6, 12, {8, 10}, 16, 16},         {7, 12, {}, 16, 16},               {8, 16, {8, 10, 12, 14}, 32, 32},
        {9, 2, {16, 18, 20, 22}, 32, 32}, {11, 13, {9, 10, 11, 12}, 14, 14}, {12, 12, {10, 11}, 17, 13},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.series);
        const auto series = static_cast<ChipSeriesCode>(row.series);
        EXPECT_EQ(OptionImageReadLength(series), row.readLength);
        EXPECT_EQ(OptionImageWriteLength(series), row.writeLength);

        std::array<uint8_t, 64> image;
        image.fill(0xFF);
        image[0] = 0xA5;
        ProtectionState state = ProtectionOfImage(series, image);
        EXPECT_EQ(state.level, 0);
        EXPECT_FALSE(state.writeProtected);

        for (int byte = 1; byte < 23; ++byte) {
            SCOPED_TRACE(byte);
            std::array<uint8_t, 64> changed = image;
            changed[byte] = 0x00;
            state = ProtectionOfImage(series, changed);
            EXPECT_EQ(state.writeProtected, row.writeProtection.count(byte) == 1);
            EXPECT_EQ(state.level, 0);
            changed[byte] = 0xCC;
            EXPECT_EQ(ProtectionOfImage(series, changed).level, byte == row.marker ? 2 : 0);
        }
        image[0] = 0x5A;
        EXPECT_EQ(ProtectionOfImage(series, image).level, 1);
        image[row.marker] = 0xCC;
        EXPECT_EQ(ProtectionOfImage(series, image).level, 2);
    }
}

// The menu in test mode, for every series on every interface. The sets and ids are the menu rules' own.
TEST(SeriesRules, MenuOfEverySeriesOnEveryInterface) {
    using Rule = bool (*)(int s, int i, bool v10);
    static const auto restricted = [](int s) { return In(s, {3, 4, 6, 7, 10, 11, 12}); };
    static const auto swd = [](int i) { return In(i, {2, 3}); };
    static const auto generic = [](int s, int i) { return !restricted(s) && !swd(i); };
    const std::pair<int, Rule> rules[] = {
        {32897, [](int, int, bool) { return false; }},
        {32898, [](int, int, bool) { return false; }},
        {32814, [](int s, int i, bool) { return generic(s, i); }},
        {32841, [](int s, int i, bool) { return generic(s, i); }},
        {32809,
         [](int s, int i, bool) {
             return generic(s, i) || (i == 0 && In(s, {3, 11}));
         }},
        {32854, [](int s, int i, bool) { return generic(s, i) || (i == 0 && s == 3); }},
        {32900, [](int, int, bool) { return true; }},
        {32956, [](int, int, bool) { return true; }},
        {32926,
         [](int s, int i, bool) {
             return s == 10 && In(i, {0, 1});
         }},
        {32923,
         [](int s, int i, bool) {
             return s == 10 && In(i, {0, 1});
         }},
        {32925,
         [](int s, int i, bool) {
             return s == 10 && In(i, {0, 1});
         }},
        {32833, [](int, int, bool) { return true; }},
        {32834, [](int s, int i, bool v10) { return i != 2 && !(s == 10 && v10); }},
        {32835, [](int s, int i, bool v10) { return i != 2 && !(s == 10 && v10); }},
        {32837, [](int, int, bool) { return true; }},
        {32870, [](int, int, bool) { return true; }},
        {32871, [](int, int, bool) { return true; }},
        {32851, [](int, int, bool) { return true; }},
        {32842, [](int, int, bool) { return true; }},
        {32877, [](int s, int, bool) { return s != 7; }},
        {32844, [](int s, int i, bool) { return s != 5 && !swd(i); }},
        {-1, [](int s, int i, bool) { return s == 7 || swd(i); }},  // the "Read Flash" popup
        {32893, [](int, int i, bool) { return i == 3; }},
        {32930,
         [](int s, int i, bool) {
             return s == 10 && In(i, {0, 1});
         }},
        {32932,
         [](int s, int i, bool) {
             return s == 10 && In(i, {0, 1});
         }},
        {32941,
         [](int s, int i, bool) {
             return s == 10 && In(i, {0, 1});
         }},
        {32946, [](int s, int i, bool) { return s == 11 && In(i, {0, 1, 5}); }},
        {32948, [](int s, int i, bool) { return In(s, {8, 9, 11, 12}) && In(i, {0, 1, 5}); }},
        {32863, [](int, int i, bool) { return i == 4; }},
        {32866, [](int, int i, bool) { return i == 4; }},
        {32954, [](int, int i, bool) { return i == 4; }},
    };
    for (int s = 0; s <= 12; ++s) {
        for (int i = 0; i <= 5; ++i) {
            for (bool v10 : {false, true}) {
                SCOPED_TRACE(fw::TextToUtf8(fw::Format(u"series %d interface %d V1.0 %d", s, i, v10 ? 1 : 0)));
                const MenuStates states =
                    ComputeMenuStates({static_cast<ChipSeriesCode>(s), static_cast<InterfaceIndex>(i), false, v10});
                std::map<int, bool> got(states.items.begin(), states.items.end());
                ASSERT_TRUE(states.readFlashRuleApplies);
                got[-1] = states.readFlashEnabled;
                for (const auto& [id, rule] : rules) {
                    ASSERT_EQ(got.count(id), 1u) << id;
                    EXPECT_EQ(got.at(id), rule(s, i, v10)) << id;
                }
            }
        }
    }
}

enum class Want { Untouched, On, Off, OffUnticked };

Want Outcome(const std::vector<ControlAction>& actions, int id) {
    Want want = Want::Untouched;
    for (const ControlAction& a : actions) {
        if (a.id == id) want = a.enabled ? Want::On : a.untick ? Want::OffUnticked : Want::Off;
    }
    return want;
}

// The erase and protection boxes after a chip was read, for every series and download area.
TEST(SeriesRules, ChipControlsOfEverySeriesAndArea) {
    const int cross[] = {1304, 1262}, protection[] = {1240, 1241, 1242};
    for (int s = 0; s <= 12; ++s) {
        for (int area = 0; area <= 5; ++area) {
            for (bool v10 : {false, true}) {
                SCOPED_TRACE(fw::TextToUtf8(fw::Format(u"series %d area %d V1.0 %d", s, area, v10 ? 1 : 0)));
                const ChipControlRules rules = ChipInfoControlRules(static_cast<ChipSeriesCode>(s), area, v10);
                const bool securityOutsideFlash = s == 10 && (v10 || area != 3);
                const bool noErase = (s == 11 && area == 2) || (s == 12 && area == 1);
                if (securityOutsideFlash) {
                    for (int id : cross)
                        EXPECT_EQ(Outcome(rules.actions, id), Want::OffUnticked) << id;
                    EXPECT_EQ(Outcome(rules.actions, 1123), Want::Off);
                    for (int id : protection)
                        EXPECT_EQ(Outcome(rules.actions, id), area == 3 ? Want::On : Want::OffUnticked) << id;
                    EXPECT_EQ(Outcome(rules.actions, 1084), Want::Untouched);
                    EXPECT_FALSE(rules.eraseModeSelection.has_value());
                } else if (noErase) {
                    EXPECT_EQ(rules.eraseModeSelection, 2);
                    for (int id : {1304, 1262, 1240, 1241, 1242})
                        EXPECT_EQ(Outcome(rules.actions, id), Want::OffUnticked) << id;
                    for (int id : {1123, 1084})
                        EXPECT_EQ(Outcome(rules.actions, id), Want::Off) << id;
                } else {
                    EXPECT_FALSE(rules.eraseModeSelection.has_value());
                    for (int id : {1123, 1304, 1262, 1240, 1241, 1242, 1084})
                        EXPECT_EQ(Outcome(rules.actions, id), Want::On) << id;
                }
            }
        }
    }
}

// What the end of a job gives back, for every series and download area.
TEST(SeriesRules, ControlsAJobEndGivesBackForEverySeriesAndArea) {
    for (int s = 0; s <= 12; ++s) {
        for (int area = 0; area <= 5; ++area) {
            for (int erase : {0, 2}) {
                for (bool v10 : {false, true}) {
                    for (bool firmware : {false, true}) {
                        SCOPED_TRACE(fw::TextToUtf8(fw::Format(u"series %d area %d erase %d V1.0 %d firmware %d", s,
                                                               area, erase, v10 ? 1 : 0, firmware ? 1 : 0)));
                        JobControlInput in;
                        in.enable = true;
                        in.series = static_cast<ChipSeriesCode>(s);
                        in.downloadArea = area;
                        in.eraseMode = erase;
                        in.bootSubVersionIsV10 = v10;
                        in.firmwareFileTicked = firmware;
                        in.fileExt = u"bin";
                        const auto actions = JobControlActions(in);

                        const bool excluded = (s == 8 && area == 5) || (s == 11 && area == 2) ||
                                              (s == 12 && area == 1) || (s == 10 && area != 3);
                        const bool crossBoxes = !excluded && erase == 0 && !(s == 10 && v10);
                        for (int id : {1304, 1262})
                            EXPECT_EQ(Outcome(actions, id), crossBoxes ? Want::On : Want::Untouched) << id;
                        const bool protection = !excluded && !(s == 11 && In(area, {1, 3}));
                        for (int id : {1240, 1241, 1242, 1084})
                            EXPECT_EQ(Outcome(actions, id), protection ? Want::On : Want::Untouched) << id;
                        const bool eraseCombo = !(s == 10 && v10) && !(s == 10 && area != 3) &&
                                                !(s == 8 && area == 5) && !(s == 11 && area == 2) &&
                                                !(s == 12 && area == 1);
                        EXPECT_EQ(Outcome(actions, 1123), eraseCombo ? Want::On : Want::Untouched);
                        const Want browse = In(s, {8, 9}) && In(area, {1, 2}) ? Want::Off
                                            : s == 10                         ? (firmware ? Want::On : Want::Off)
                                                                              : Want::On;
                        EXPECT_EQ(Outcome(actions, 1081), browse);
                        const Want areaCombo = s == 10 && !firmware ? Want::Untouched : Want::On;
                        EXPECT_EQ(Outcome(actions, 1124), areaCombo);
                        EXPECT_EQ(Outcome(actions, 1260), Want::On);
                    }
                }
            }
        }
    }
}

}  // namespace
