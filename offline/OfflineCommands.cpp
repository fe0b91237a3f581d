#include "offline/OfflineCommands.h"

#include "app/DownloadProjectLoader.h"
#include "app/MainWindow.h"
#include "app/MainWindowCommands.h"
#include "offline/DownloadProjectDlg.h"
#include "offline/DownloadProjectLoad.h"
#include "offline/LinkSession.h"
#include "offline/OVLinkConfigTabDlg.h"
#include "offline/PartitionCFGLinkDlg.h"
#include "offline/UpdateBootDlg.h"
#include "offline/UpdateChecks.h"
#include "offline/UpdateChipKeyDlg.h"
#include "resources/ui/resource.h"

void RegisterOfflineCommands() {
    SetOfflineLinkFactory([](CQXDownloadToolDlg& window) { return std::make_unique<LinkSession>(window); });
    SetDownloadProjectLoader(LoadDownloadProjectIntoWindow);
    AddMainWindowCommand(ID_OFFLINE_DOWNLOADER, OnOfflineDownloader);
    AddMainWindowCommand(ID_OFFLINE_LINK_FIRMWARE_UPDATE, OnOfflineLinkFirmwareUpdate);
    SetUpdateServiceFactory([](CQXDownloadToolDlg& window) { return std::make_unique<UpdateChecks>(window); });
    AddMainWindowCommand(ID_CHECK_TOOL_UPDATE, [](CQXDownloadToolDlg& window) {
        if (UpdateChecks* checks = UpdateChecksOf(window)) checks->OnCheckToolUpdate();
    });
    AddMainWindowCommand(ID_CHECK_LINK_FIRMWARE_UPDATE, [](CQXDownloadToolDlg& window) {
        if (UpdateChecks* checks = UpdateChecksOf(window)) checks->OnCheckLinkFirmwareUpdate();
    });
    CDownloadProjectDlg::SetPartitionDialog([](fw::Window& owner) {
        CPartitionCFGLinkDlg dialog(&owner);
        return dialog.DoModal() == fw::IDOK;
    });
    CDownloadProjectDlg::SetChipKeyDialog([](fw::Window& owner) {
        CUpdateChipKeyDlg dialog(&owner, ChipKeyCaller::DownloadProjectDialog);
        return dialog.DoModal() == fw::IDOK;
    });
    AddMainWindowCommand(ID_MAKE_DOWNLOAD_PROJECT_FILES, [](CQXDownloadToolDlg& window) {
        CDownloadProjectDlg dialog(&window);
        dialog.DoModal();
    });
}
