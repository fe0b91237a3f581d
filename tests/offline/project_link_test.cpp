// A project built on the page's choices, saved to a link project file, opened again and stored in the downloader
// through the main window's exchange, as a user on interface 4 does it; then listed, read back and started.
#include <gtest/gtest.h>

#include <filesystem>

#include "linksim/ProjectStoreState.h"
#include "offline/CurrentProject.h"
#include "offline/LinkProjectFile.h"
#include "offline/ProjectBuilder.h"
#include "offline/ProjectTransfer.h"
#include "offline/StoredProjects.h"
#include "tests/offline/LinkFixture.h"

namespace {

class QuietBuildUi : public ProjectBuildUi {
public:
    void ShowMessage(const fw::Text& text) override { ADD_FAILURE() << fw::TextToUtf8(text); }
    bool Ask(const fw::Text&) override { return true; }
    bool RunProjectSetup() override { return true; }
};

class QuietTransferUi : public ProjectTransferUi {
public:
    void OpenProgress(int, const fw::Text&) override {}
    bool StepProgressCancelled() override { return false; }
    void CloseProgress() override {}
    void ShowMessage(const fw::Text& text) override { ADD_FAILURE() << fw::TextToUtf8(text); }
};

class ProjectOnLink : public LinkFixture {};

TEST_F(ProjectOnLink, BuiltSavedOpenedSentListedReadBackAndStarted) {
    std::filesystem::create_directories(dir.Path() / "FLM");
    std::filesystem::copy_file(std::filesystem::path(QX_BINARY_DIR) / "workdir" / "FLM" / "VK51x.FLM",
                               dir.Path() / "FLM" / "VK51x.FLM");
    CChipSeriesTable table([](const fw::Text&) {});
    table.ReadRows({u"CLASS=VK517", u"CHIPMARK=VK517", u"FLASHSTARTADDR=0x08000000", u"SRAMSTARTADDR=0x20000000",
                    u"FLASHSIZE=0x20000", u"SRAMSIZE=0x5000", u"FLMFILE=VK51x.FLM", u"PAGESIZE=0x800"});
    ProjectPageChoices choices;
    choices.seriesSelected = choices.modelSelected = true;
    choices.seriesText = choices.modelText = u"VK517";
    choices.nameText = u"Line 7";
    choices.optionBytesChecked = false;
    ProjectFileRow row;
    row.name = u"app.bin";
    row.startText = u"08000000";
    row.data.assign(3000, 0x5A);
    row.length = 3000;
    OfflineProjectSettings settings;
    QuietBuildUi buildUi;
    ClearProjectConfig();
    ASSERT_TRUE(BuildProjectConfig(choices, std::span(&row, 1), table, settings, buildUi));

    LinkProject built;
    built.record = *CurrentProjectConfig();
    std::copy_n(table.m_pAlgoDescriptor.get(), built.descriptor.size(), built.descriptor.begin());
    built.blob.assign(table.m_pAlgoBlob.get(), table.m_pAlgoBlob.get() + table.m_algoBlobSize);
    built.files.push_back(row.data);
    ASSERT_TRUE(WriteLinkProjectFile(dir.Wide("Line7.ovpf"), built));
    LinkProject opened;
    ASSERT_EQ(OpenLinkProjectFile(dir.Wide("Line7.ovpf"), opened), ProjectFileOpen::Opened);

    StartOnLink();
    ASSERT_TRUE(ConnectLink());
    const LinkExchangeFn exchange = [this](fw::TextView request, LinkReply& reply) { return Exchange(request, reply); };
    QuietTransferUi transferUi;
    ASSERT_TRUE(SendProjectToLink(opened, exchange, transferUi));

    const auto& store = downloader->State<linksim::ProjectStoreState>();
    ASSERT_EQ(store.projects.size(), 1u);
    EXPECT_TRUE(std::ranges::equal(store.projects[0].record, built.record.Bytes()));
    const StoredProjectList list = ReadStoredProjectList(exchange);
    EXPECT_EQ(list.names, std::vector<fw::Text>{u"Line7"});
    const std::optional<ProjectConfig> readBack = ReadStoredProjectRecord(exchange, list.names[0]);
    ASSERT_TRUE(readBack);
    EXPECT_TRUE(std::ranges::equal(readBack->Bytes(), built.record.Bytes()));
    EXPECT_TRUE(ActivateStoredProject(exchange, u"Line7"));
    LinkReply reply;
    EXPECT_TRUE(Exchange(u"A0 12 00 00 00 00", reply));
    EXPECT_EQ(store.downloadsStarted, 1);
    ClearProjectConfig();
}

}  // namespace
