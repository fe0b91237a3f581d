// The shared settings of the project being edited: what a new project resets and what it keeps.
#include <gtest/gtest.h>

#include "offline/OfflineProjectSettings.h"
#include "optionbytes/ProjectOptionTexts.h"

namespace {

OfflineProjectSettings Edited() {
    OfflineProjectSettings s;
    s.projectEditable = 0;
    s.partitionMode = 1;
    s.seriesCode = 5;
    s.flashSizeKB = 128;
    s.partitionsEditable = 1;
    s.partitionConfigured = {0xA5A5A5A5, 0xA5A5A5A5, 0xFFFFFFFF};
    s.partitionSize = {4, 4, 0};
    s.partitionKeyId = {1, 2, 0};
    s.partitionFlags = {0x11, 0x01, 0};
    s.chipKeyUpdate = {1, 0, 0};
    s.chipKeyId = {3, 0, 0};
    s.chipKeyNew[0].fill(0x42);
    s.linkOptFamily = 5;
    s.linkOpt2Family = 7;
    s.linkOptEditable = s.linkOpt2Editable = 1;
    s.snAddress = 0x0801F000;
    s.snUseDevice = 2;
    s.bindToDownloader = 1;
    s.onceOnly = 1;
    s.downloaderSn.fill(0x33);
    s.keySeriesCode = 9;
    return s;
}

TEST(OfflineProjectSettings, StartsWithNoPartitionAndTheSecondEditorOnFamilyThree) {
    const OfflineProjectSettings s;
    EXPECT_EQ(s.partitionConfigured, (std::array<uint32_t, 3>{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_EQ(s.linkOpt2Family, 3);
    EXPECT_EQ(s.projectEditable, 1u);
    EXPECT_EQ(s.deviceKeyWanted, 1u);
    OfflineProjectSettings::Key unbound;
    unbound.fill(0xFF);
    EXPECT_EQ(s.downloaderSn, unbound);
}

TEST(OfflineProjectSettings, NewProjectResetsPartitionsAndKeysButKeepsSerialNumberAndBinding) {
    for (const bool pageOpening : {false, true}) {
        SCOPED_TRACE(pageOpening ? "page opening" : "new project button");
        g_projectOptionText = u"00FF";
        g_projectOptionText2 = u"11EE";
        OfflineProjectSettings s = Edited();
        s.ResetForNewProject(pageOpening);
        EXPECT_EQ(s.partitionConfigured, (std::array<uint32_t, 3>{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}));
        EXPECT_EQ(s.partitionSize, (std::array<uint8_t, 3>{}));
        EXPECT_EQ(s.partitionKeyId, (std::array<uint8_t, 3>{}));
        EXPECT_EQ(s.partitionFlags, (std::array<uint8_t, 3>{}));
        EXPECT_EQ(s.chipKeyUpdate, (std::array<uint8_t, 3>{}));
        EXPECT_EQ(s.chipKeyId, (std::array<uint8_t, 3>{}));
        EXPECT_EQ(s.chipKeyNew[0], OfflineProjectSettings::Key{});
        EXPECT_EQ(s.partitionMode, 0u);
        EXPECT_EQ(s.seriesCode, 0);
        EXPECT_EQ(s.flashSizeKB, 0u);
        EXPECT_EQ(s.partitionsEditable, 0);
        // Kept across projects.
        EXPECT_EQ(s.snAddress, 0x0801F000u);
        EXPECT_EQ(s.snUseDevice, 2);
        EXPECT_EQ(s.bindToDownloader, 1u);
        EXPECT_EQ(s.onceOnly, 1u);
        EXPECT_EQ(s.downloaderSn[0], 0x33);
        EXPECT_EQ(s.keySeriesCode, 9);
        // Only the page's opening clears the option texts and editor flags; only the button makes it editable.
        EXPECT_EQ(g_projectOptionText.empty(), pageOpening);
        EXPECT_EQ(g_projectOptionText2.empty(), pageOpening);
        EXPECT_EQ(s.linkOptFamily, pageOpening ? 0 : 5);
        EXPECT_EQ(s.linkOpt2Family, pageOpening ? 3 : 7);
        EXPECT_EQ(s.linkOpt2Editable, pageOpening ? 0 : 1);
        EXPECT_EQ(s.projectEditable, pageOpening ? 0u : 1u);
    }
    g_projectOptionText.clear();
    g_projectOptionText2.clear();
}

}  // namespace
