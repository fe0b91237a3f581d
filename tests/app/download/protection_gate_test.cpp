// When the job looks at a chip's protection before downloading at all, for every series, interface and download
// area: a production chip at read protection L1 fails its job when the gate opens and passes untouched when not.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

#include "tests/app/download/JobFixture.h"

namespace {

bool In(int value, std::initializer_list<int> set) { return std::find(set.begin(), set.end(), value) != set.end(); }

// The rule as the product states it: boot pages written by a chip that is not one of these series on any
// interface but CMSIS-DAP; otherwise J-Link always, CMSIS-DAP outside the areas 1 and 2, the rest with the box.
bool GateOpens(int series, int iface, int area, bool lowItem, bool unlockBox) {
    if (!In(series, {5, 8, 9, 10, 11, 12}) && iface != 3 && lowItem) return true;
    if (iface == 2) return true;
    if (iface == 3) return !In(area, {1, 2});
    return unlockBox;
}

TEST_F(JobTest, ProtectionGateOfEverySeriesInterfaceAndArea) {
    for (int series = 0; series <= 12; ++series) {
        for (int iface : {0, 1, 2, 3, 5}) {
            for (int area = 0; area <= 3; ++area) {
                for (bool lowItem : {false, true}) {
                    for (bool box : {false, true}) {
                        SCOPED_TRACE(testing::Message() << "series " << series << " iface " << iface << " area " << area
                                                        << " low " << lowItem << " box " << box);
                        Fresh();
                        host = std::make_unique<SimDownloadHost>(static_cast<uint8_t>(iface));
                        settings.iface = static_cast<uint8_t>(iface);
                        settings.productionMode = true;
                        settings.downloadArea = static_cast<uint8_t>(area);
                        settings.unlockL1Before = box;
                        slot().chipSeries = static_cast<uint8_t>(series);
                        slot().rdpLevel = 1;
                        items[0].enabled = 1;
                        items[0].address[0] = lowItem ? 0x08000FFC : 0x08001000;

                        const int result = DownloadJob(*host, items, settings, slot()).LiftProtection();

                        const bool opens = GateOpens(series, iface, area, lowItem, box);
                        EXPECT_EQ(result, opens ? 0 : 1);
                        EXPECT_EQ(host->Lines().empty(), !opens);
                    }
                }
            }
        }
    }
}

}  // namespace
