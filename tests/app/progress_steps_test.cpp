#include <gtest/gtest.h>

#include "app/ProgressSteps.h"

namespace {

TEST(PlanProgressSteps, Table) {
    struct Case {
        ProgressInput in;
        uint32_t packet;
        uint32_t steps;
        ProgressFailure failure;
    };
    const Case cases[] = {
        {{1000, kIfaceUsart, false, 0, false, 0}, 128, 7, ProgressFailure::None},           // rounded down
        {{4096, kIfaceUsbDfu, false, 10, false, 0}, 2048, 2, ProgressFailure::None},        // series 10, new boot
        {{4096, kIfaceUsbDfu, false, 10, true, 0}, 128, 32, ProgressFailure::None},         // series 10 with boot "V1.0"
        {{300, kIfaceSwdCmsisDap, false, 0, false, 2048}, 300, 1, ProgressFailure::None},   // shorter than a page: one packet
        {{10000, kIfaceSwdJlink, false, 3, false, 512}, 512, 19, ProgressFailure::None},
        {{10000, kIfaceSwdJlink, false, 8, false, 8192}, 2048, 4, ProgressFailure::None},   // never above 2048
        {{10000, kIfaceSwdJlink, true, 3, false, 0}, 512, 19, ProgressFailure::None},       // production: page size by series
        {{0, kIfaceUsart, false, 0, false, 0}, 0, 0, ProgressFailure::ZeroLength},
        {{100, kIfaceSwdJlink, false, 0, false, 0}, 0, 0, ProgressFailure::ZeroPageSize},      // never divides by a page of 0
        {{100, kIfaceSwdJlink, true, 13, false, 0}, 0, 0, ProgressFailure::ZeroPageSize},      // unknown code keeps the 0
    };
    for (const Case& c : cases) {
        const ProgressPlan plan = PlanProgressSteps(c.in);
        EXPECT_EQ(plan.failure, c.failure) << c.in.totalBytes;
        if (c.failure == ProgressFailure::None) {
            EXPECT_EQ(plan.packetSize, c.packet) << c.in.totalBytes;
            EXPECT_EQ(plan.steps, c.steps) << c.in.totalBytes;
        }
    }
}

}  // namespace
