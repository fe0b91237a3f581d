#include <gtest/gtest.h>

#include "app/PartitionLayout.h"

namespace {

PartitionLayoutInput Chip(std::array<uint8_t, 3> sizes) {
    PartitionLayoutInput in;
    in.series = 0;
    in.flashSizeKB = 64.0;
    in.mainFlashSizeKB = 64.0;
    in.partitionUnitKB = 2;  // N = 32 units
    in.sizes = sizes;
    in.itemStarts = {u"08000000", u"", u""};
    return in;
}

TEST(PlanPartitionLayout, User1ReadAsZeroTakesTheRest) {
    PartitionLayoutInput in = Chip({0, 8, 4});
    in.itemStarts = {u"08000000", u"0800A000", u"0800E000"};  // each inside its partition
    const PartitionLayout out = PlanPartitionLayout(in);
    ASSERT_EQ(out.failure, PartitionFailure::None);
    EXPECT_EQ(out.sizes, (std::array<uint8_t, 3>{20, 8, 4}));
    EXPECT_FALSE(out.resetStarts);
}

TEST(PlanPartitionLayout, AStartInsideUser2ResetsAllThreeStarts) {
    PartitionLayoutInput in = Chip({0, 8, 4});
    in.itemStarts[0] = u"0800A000";  // USER2 starts at 0x0800A000 (20 units of 2 KB)
    const PartitionLayout out = PlanPartitionLayout(in);
    ASSERT_TRUE(out.resetStarts);
    EXPECT_EQ(out.starts[0], u"08000000");
    EXPECT_EQ(out.starts[1], u"0800A000");
    EXPECT_EQ(out.starts[2], u"0800E000");
}

TEST(PlanPartitionLayout, FailuresAndSeriesRules) {
    EXPECT_EQ(PlanPartitionLayout(Chip({0, 33, 0})).failure, PartitionFailure::BadSize);
    EXPECT_EQ(PlanPartitionLayout(Chip({0, 20, 20})).failure, PartitionFailure::BadSize);  // never wraps
    PartitionLayoutInput zero = Chip({0, 0, 0});
    zero.flashSizeKB = 0.0;
    EXPECT_EQ(PlanPartitionLayout(zero).failure, PartitionFailure::ZeroFlashSize);
    PartitionLayoutInput noUnit = Chip({0, 1, 0});
    noUnit.partitionUnitKB = 0;
    EXPECT_EQ(PlanPartitionLayout(noUnit).failure, PartitionFailure::BadSize);

    PartitionLayoutInput s3 = Chip({15, 8, 0});
    s3.series = 3;
    s3.flashSizeKB = 32.0;
    s3.partitionUnitKB = 1;
    EXPECT_EQ(PlanPartitionLayout(s3).sizes[0], 32);  // 15 becomes N - 1 = 31, then + 1 on series 3
    PartitionLayoutInput s11 = Chip({10, 0, 0});
    s11.series = 11;
    EXPECT_EQ(PlanPartitionLayout(s11).sizes[0], 11);
}

}  // namespace
