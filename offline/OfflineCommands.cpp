#include "offline/OfflineCommands.h"

#include "app/MainWindowCommands.h"
#include "offline/LinkSession.h"

void RegisterOfflineCommands() {
    SetOfflineLinkFactory([](CQXDownloadToolDlg& window) { return std::make_unique<LinkSession>(window); });
}
