#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "app/ChipIdentity.h"

namespace {

ChipInfoBlock Block() {
    ChipInfoBlock b{};
    b.seriesCode = 3;
    std::memcpy(b.model, "VK232C8", 7);
    b.modelLength = 7;
    b.ucidLength = 2;
    b.ucid[0] = 0xAB;
    b.ucid[1] = 0x01;
    b.bootVersion = 0x21;
    b.bootSubVersion = 0x10;
    b.flashSizeKB = 64.0;
    b.partitionUnitKB = 2;
    b.pageSize = 512;
    return b;
}

TEST(DecodeChipInfo, TakesTheUsedBytesOfEveryField) {
    const ChipIdentity id = DecodeChipInfo(Block());
    EXPECT_EQ(id.series, 3);
    EXPECT_EQ(id.model, u"VK232C8");
    EXPECT_EQ(id.bootVersionText, u"V2.1");
    EXPECT_EQ(id.bootSubVersionText, u"V1.0");
    EXPECT_EQ(id.ucid, u"AB01");
    EXPECT_EQ(id.uid, u"");  // no UID on this chip
    EXPECT_EQ(id.flashSizeKB, 64.0);
    EXPECT_EQ(id.partitionUnitKB, 2u);
    EXPECT_EQ(id.pageSize, 512u);
}

TEST(DecodeChipInfo, LengthBytesAreClampedToTheirFields) {
    ChipInfoBlock b = Block();
    std::memset(b.model, 'A', sizeof b.model);
    b.modelLength = 200;
    std::memset(b.ucid, 0x11, sizeof b.ucid);
    b.ucidLength = 255;
    std::memset(b.uid, 0x22, sizeof b.uid);
    b.uidLength = 13;
    const ChipIdentity id = DecodeChipInfo(b);
    EXPECT_EQ(id.model.size(), 16u);
    EXPECT_EQ(id.ucid.size(), 32u);
    EXPECT_EQ(id.uid.size(), 24u);
}

TEST(DecodeChipInfo, AFlashSizeThatIsNoSizeReadsAsZero) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -4.0}) {
        ChipInfoBlock b = Block();
        b.flashSizeKB = bad;
        EXPECT_EQ(DecodeChipInfo(b).flashSizeKB, 0.0) << bad;
    }
}

}  // namespace
