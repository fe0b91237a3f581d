#include "offline/OVLinkConfigTabDlg.h"

#include "app/MainWindow.h"
#include "core/Translation.h"

const fw::MessageMap<COVLinkConfigTabDlg> COVLinkConfigTabDlg::kMessages{
    fw::OnSelChange(IDC_OVLINK_TAB, &COVLinkConfigTabDlg::OnTcnSelchangeTab),
};

COVLinkConfigTabDlg::COVLinkConfigTabDlg(CQXDownloadToolDlg& main)
    : fw::Dialog(IDD_OVLINK_CONFIG, &main), m_paramPage(main), m_projectPage(main), m_main(main) {}

bool COVLinkConfigTabDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    fw::Control tab = GetDlgItem(IDC_OVLINK_TAB);
    tab.InsertItem(0, TranslateText(u"参数设置"));
    tab.InsertItem(1, TranslateText(u"项目配置"));
    tab.InsertItem(2, TranslateText(u"制作加密文件"));
    m_encFilePage.m_initialKeyText = m_main.m_linkSerialText;
    m_pages = {&m_paramPage, &m_projectPage, &m_encFilePage};
    for (fw::Dialog* page : m_pages) {
        page->Create(this, tab);
        page->MoveWindow(tab.GetDisplayRect());
        page->ShowWindow(fw::SW_HIDE);
    }
    // The window opens on the project page: after a connect, storing a project is what the user came for.
    m_currentTab = 1;
    m_pages[1]->ShowWindow(fw::SW_SHOW);
    tab.SetCurSel(1);
    return true;
}

void COVLinkConfigTabDlg::OnTcnSelchangeTab() {
    const int selected = GetDlgItem(IDC_OVLINK_TAB).GetCurSel();
    if (selected < 0 || selected >= static_cast<int>(m_pages.size())) return;
    m_pages[m_currentTab]->ShowWindow(fw::SW_HIDE);
    m_currentTab = selected;
    m_pages[m_currentTab]->ShowWindow(fw::SW_SHOW);
}

void OnOfflineDownloader(CQXDownloadToolDlg& main) {
    COVLinkConfigTabDlg dialog(main);
    dialog.DoModal();
}
