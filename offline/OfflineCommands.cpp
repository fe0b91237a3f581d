#include "offline/OfflineCommands.h"

#include "app/DownloadProjectLoader.h"
#include "app/MainWindow.h"
#include "app/MainWindowCommands.h"
#include "offline/AddStarAddressDlg.h"
#include "offline/DownloadProjectDlg.h"
#include "offline/DownloadProjectLoad.h"
#include "offline/LinkSession.h"
#include "offline/OVLinkConfigTabDlg.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/PartitionCFGLinkDlg.h"
#include "offline/UpdateBootDlg.h"
#include "offline/UpdateChecks.h"
#include "offline/UpdateChipKeyDlg.h"
#include "resources/ui/resource.h"

namespace {

// Where a file of a download project goes, asked as the project page asks it.
std::optional<CDownloadProjectDlg::StartAddressAnswer> AskDownloadProjectStart(fw::Window& owner, uint32_t start) {
    CAddStarAddressDlg dialog(start, &owner);
    if (dialog.DoModal() != fw::IDOK) return std::nullopt;
    FilePlacementPartition placement;
    placement.partitionMode = ProjectSettings().partitionMode != 0;
    placement.partition = static_cast<uint8_t>(dialog.m_partition);
    placement.user2Base = dialog.m_bases.offered[1] ? dialog.m_bases.base[1] : 0;
    placement.user3Base = dialog.m_bases.offered[2] ? dialog.m_bases.base[2] : 0;
    return CDownloadProjectDlg::StartAddressAnswer{dialog.m_addressText, placement};
}

// A command that reaches the downloader waits for long work that relies on its link.
MainWindowHandler ReachingTheDownloader(void (*handler)(CQXDownloadToolDlg&)) {
    return [handler](CQXDownloadToolDlg& window) {
        if (!window.RefuseWhileLinkReserved()) handler(window);
    };
}

}  // namespace

void RegisterOfflineCommands() {
    SetOfflineLinkFactory([](CQXDownloadToolDlg& window) { return std::make_unique<LinkSession>(window); });
    SetDownloadProjectLoader(LoadDownloadProjectIntoWindow);
    AddMainWindowCommand(ID_OFFLINE_DOWNLOADER, ReachingTheDownloader(OnOfflineDownloader));
    AddMainWindowCommand(ID_OFFLINE_LINK_FIRMWARE_UPDATE, ReachingTheDownloader(OnOfflineLinkFirmwareUpdate));
    SetUpdateServiceFactory([](CQXDownloadToolDlg& window) { return std::make_unique<UpdateChecks>(window); });
    AddMainWindowCommand(ID_CHECK_TOOL_UPDATE, [](CQXDownloadToolDlg& window) {
        if (UpdateChecks* checks = UpdateChecksOf(window)) checks->OnCheckToolUpdate();
    });
    AddMainWindowCommand(ID_CHECK_LINK_FIRMWARE_UPDATE, [](CQXDownloadToolDlg& window) {
        if (UpdateChecks* checks = UpdateChecksOf(window)) checks->OnCheckLinkFirmwareUpdate();
    });
    CDownloadProjectDlg::SetStartAddressAsker(AskDownloadProjectStart);
    CDownloadProjectDlg::SetPartitionDialog([](fw::Window& owner) {
        CPartitionCFGLinkDlg dialog(&owner);
        return dialog.DoModal() == fw::IDOK;
    });
    CDownloadProjectDlg::SetChipKeyDialog([](fw::Window& owner) {
        CUpdateChipKeyDlg dialog(&owner, ChipKeyCaller::DownloadProjectDialog);
        return dialog.DoModal() == fw::IDOK;
    });
    AddMainWindowCommand(ID_MAKE_DOWNLOAD_PROJECT_FILES,
                         [](CQXDownloadToolDlg& window) { OnMakeDownloadProjectFiles(window); });
}
