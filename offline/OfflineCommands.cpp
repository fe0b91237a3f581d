#include "offline/OfflineCommands.h"

#include "app/DownloadProjectLoader.h"
#include "app/MainWindowCommands.h"
#include "offline/DownloadProjectLoad.h"
#include "offline/LinkSession.h"
#include "offline/OVLinkConfigTabDlg.h"
#include "offline/UpdateBootDlg.h"
#include "resources/ui/resource.h"

void RegisterOfflineCommands() {
    SetOfflineLinkFactory([](CQXDownloadToolDlg& window) { return std::make_unique<LinkSession>(window); });
    SetDownloadProjectLoader(LoadDownloadProjectIntoWindow);
    AddMainWindowCommand(ID_OFFLINE_DOWNLOADER, OnOfflineDownloader);
    AddMainWindowCommand(ID_OFFLINE_LINK_FIRMWARE_UPDATE, OnOfflineLinkFirmwareUpdate);
}
