#include <gtest/gtest.h>

#include "app/ChipSeries.h"

namespace {

TEST(ChipSeriesOfModelName, OneModelOfEverySeries) {
    const std::pair<const char16_t*, int> cases[] = {
        {u"VK517C8T6", 0}, {u"VK51X", 0}, {u"VK615", 1}, {u"VK4WX", 2}, {u"VK632", 3}, {u"VK230F4", 4},
        {u"VK401", 5},     {u"VK231", 6}, {u"VK203", 7}, {u"VK233", 12}, {u"VK72X", 8}, {u"VK731", 9},
        {u"VK81X", 10},    {u"VK266", 11}};
    for (const auto& [name, series] : cases) {
        ASSERT_TRUE(ChipSeriesOfModelName(name).has_value()) << fw::TextToUtf8(name);
        EXPECT_EQ(*ChipSeriesOfModelName(name), series) << fw::TextToUtf8(name);
    }
}

TEST(ChipSeriesOfModelName, OrderAndCaseTraps) {
    EXPECT_EQ(ChipSeriesOfModelName(u"VK73X"), 9);         // through "VK73", listed before "VK73X"
    EXPECT_EQ(ChipSeriesOfModelName(u"vk230f4p6"), 4);     // upper-cased before the search
    EXPECT_EQ(ChipSeriesOfModelName(u"VK2330"), 12);       // "VK233" is not shadowed by "VK230": no "VK230" in it
    EXPECT_EQ(ChipSeriesOfModelName(u"X-VK420-VK517"), 0); // table order, not position in the text
    EXPECT_EQ(ChipSeriesOfModelName(u"VK42X"), 2);         // "VK42X" before "VK420"
    EXPECT_FALSE(ChipSeriesOfModelName(u"").has_value());
    EXPECT_FALSE(ChipSeriesOfModelName(u"STM32F103").has_value());
}

TEST(ChipSeries, PartitionsPageSizesAndCapacity) {
    for (int s : {4, 6, 7, 12}) EXPECT_TRUE(SeriesHasNoUserPartitions(static_cast<ChipSeriesCode>(s))) << s;
    for (int s : {0, 1, 2, 3, 5, 8, 9, 10, 11}) EXPECT_FALSE(SeriesHasNoUserPartitions(static_cast<ChipSeriesCode>(s)));
    EXPECT_EQ(ProductionPageSize(8), 8192u);
    EXPECT_EQ(ProductionPageSize(10), 4096u);
    EXPECT_EQ(ProductionPageSize(3), 512u);
    EXPECT_EQ(ProductionPageSize(13), 0u);
    EXPECT_EQ(CapacityText(7, 29.5), u"29.5");
    EXPECT_EQ(CapacityText(0, 128.0), u"128");
}

}  // namespace
