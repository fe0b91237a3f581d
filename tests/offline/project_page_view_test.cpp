// What the project page shows of a record, and the file rows it takes back from an opened project file.
#include <gtest/gtest.h>

#include <functional>

#include "offline/ByteStringName.h"
#include "offline/ProjectPageView.h"

namespace {

void PutName(std::array<uint8_t, kProjectTextMax>& field, uint8_t& length, const char* text) {
    length = static_cast<uint8_t>(std::string_view(text).size());
    std::copy_n(text, length, field.begin());
}

ProjectConfig TwoFileRecord() {
    ProjectConfig r = ProjectConfig::Blank();
    PutName(r.name, r.nameLength, "Demo");
    r.targetInterface = 1;
    r.eraseMode = 2;
    r.resetMode = 0;
    r.fileCount = 2;
    r.limitOn = 1;
    r.downloadLimit.Set(4000000000u);
    r.snFlags = 0;
    PutName(r.chip.series, r.chip.seriesLength, "VK425");
    PutName(r.chip.model, r.chip.modelLength, "VK422C8");
    r.chip.option.marker.Set(kProjectMarkerValid);
    for (int i = 0; i < 2; ++i) {
        ProjectFileRecord& f = r.files[i];
        f.marker.Set(kProjectMarkerValid);
        f.index = static_cast<uint8_t>(i);
        f.startAddress.Set(0x08000000 + 0x1000 * i);
        f.plainSize.Set(100);
        f.storedSize.Set(112);
    }
    PutName(r.files[0].name, r.files[0].nameLength, "app.bin");
    PutName(r.files[1].name, r.files[1].nameLength, "fw.ENC");
    r.files[1].plainCrc.Set(0xCAFEF00D);
    r.files[0].partitionId = 0xFF;
    r.files[1].partitionId = 2;
    return r;
}

TEST(ProjectPageView, ShowsTheRecordAsThePageNamesIt) {
    const std::optional<ProjectPageView> view = ViewOfProjectConfig(TwoFileRecord());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->interfaceIndex, 1);
    EXPECT_EQ(view->eraseIndex, 2);
    EXPECT_EQ(view->limitText, u"4000000000");  // unsigned, not a negative number
    EXPECT_EQ(view->nameText, u"Demo");
    EXPECT_EQ(view->seriesText, u"VK422");
    EXPECT_EQ(view->modelText, u"VK422C8");
    ASSERT_EQ(view->rows.size(), 2u);
    EXPECT_EQ(view->rows[0].sizeText, u"100");
    EXPECT_EQ(view->rows[0].rangeText, u"08000000-08000063");
    EXPECT_EQ(view->rows[0].partitionId, 0);
    EXPECT_EQ(view->rows[1].sizeText, u"112");  // an enciphered file travels as its stored size
    EXPECT_EQ(view->rows[1].rangeText, u"08001000-0800106F");
    EXPECT_EQ(view->rows[1].partitionId, 2);
    EXPECT_FALSE(view->partitionsConfigured);
    EXPECT_TRUE(view->optionBytesConfigured);
    EXPECT_FALSE(view->chipKeyUpdated);
    EXPECT_FALSE(view->writesSerialNumber);
}

TEST(ProjectPageView, SeriesSubstitutionIsUndoneOnlyForItsModels) {
    const struct {
        const char16_t *series, *model, *shown;
    } rows[] = {
        {u"VK425", u"VK422C8", u"VK422"}, {u"VK425", u"VK425C8", u"VK425"}, {u"VK515", u"VK615R", u"VK615"},
        {u"VK515", u"VK515", u"VK515"},   {u"VK230", u"VK231F", u"VK231"},  {u"VK230", u"VK230", u"VK230"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SeriesNameFromRecord(row.series, row.model), row.shown) << fw::TextToUtf8(row.model);
}

TEST(ProjectPageView, OutOfRangeRecordsAreNotShown) {
    const std::vector<std::pair<const char*, std::function<void(ProjectConfig&)>>> rows = {
        {"interface 2", [](ProjectConfig& r) { r.targetInterface = 2; }},
        {"erase mode 3", [](ProjectConfig& r) { r.eraseMode = 3; }},
        {"reset mode 2", [](ProjectConfig& r) { r.resetMode = 2; }},
        {"empty name", [](ProjectConfig& r) { r.nameLength = 0; }},
        {"no files", [](ProjectConfig& r) { r.fileCount = 0; }},
        {"nine files", [](ProjectConfig& r) { r.fileCount = 9; }},
        {"a counted slot without marker", [](ProjectConfig& r) { r.files[1].marker.Set(kProjectMarkerAbsent); }},
    };
    for (const auto& [what, damage] : rows) {
        SCOPED_TRACE(what);
        ProjectConfig record = TwoFileRecord();
        damage(record);
        EXPECT_FALSE(ViewOfProjectConfig(record));
    }
}

TEST(ProjectPageView, RowsTakeTheOpenedDataAndTheEncipheredHeaderValues) {
    const std::vector<std::vector<uint8_t>> data = {std::vector<uint8_t>(100, 1), std::vector<uint8_t>(112, 2)};
    const std::vector<ProjectFileRow> rows = RowsOfProject(TwoFileRecord(), data);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, u"app.bin");
    EXPECT_EQ(rows[0].startText, u"08000000");
    EXPECT_EQ(rows[0].length, 100u);
    EXPECT_EQ(rows[1].length, 112u);
    EXPECT_EQ(rows[1].plainLength, 100u);
    EXPECT_EQ(rows[1].plainCrc32, 0xCAFEF00Du);
    EXPECT_EQ(rows[1].data, data[1]);
}

}  // namespace
