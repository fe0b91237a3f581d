// The offline downloader's configuration window: a tab control over its pages, the parameter page first and the
// project page between them and the encrypted file page last.
#pragma once

#include <vector>

#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "offline/OVLinkCfgDlg.h"
#include "offline/OVLinkProjectDlg.h"
#include "resources/ui/ovlink_config.h"
#include "tools/EnFileDlg.h"

class CQXDownloadToolDlg;

class COVLinkConfigTabDlg : public fw::Dialog {
public:
    explicit COVLinkConfigTabDlg(CQXDownloadToolDlg& main);

    COVLinkCfgDlg m_paramPage;
    COVLinkProjectDlg m_projectPage;
    CEnFileDlg m_encFilePage;
    std::vector<fw::Dialog*> m_pages;  // in tab order
    int m_currentTab = 0;

protected:
    bool OnInitDialog() override;

private:
    void OnTcnSelchangeTab();
    static const fw::MessageMap<COVLinkConfigTabDlg> kMessages;

    CQXDownloadToolDlg& m_main;
};

// Runs the window modally over the main window: after a connect on interface 4 and from its menu entry.
void OnOfflineDownloader(CQXDownloadToolDlg& main);
