#include "app/App.h"

#include "app/LanguageFile.h"
#include "app/MainWindow.h"
#include "core/Translation.h"
#include "framework/Files.h"
#include "framework/MessageBox.h"
#include "framework/Resources.h"
#include "framework/System.h"

CQXDownloadToolApp theApp;

uint32_t ChooseStartupLanguage(fw::TextView workingDirectory) {
    const std::optional<uint32_t> saved = ReadLanguageFile(fw::JoinPath(workingDirectory, u"Language.ini"));
    if (!saved) return fw::GetUiLanguageId();
    // Every supported system is version 6 or later: the catalog answers.
    g_bCatalogTranslation = fw::GetOsMajorVersion() >= 6 ? 1 : 0;
    return *saved;
}

bool CQXDownloadToolApp::InitInstance() {
    m_languageId = ChooseStartupLanguage(fw::GetWorkingDirectory());
    fw::SetResourceLanguage(static_cast<int>(m_languageId));
    fw::SetApplicationTitle(fw::LoadResourceString(AFX_IDS_APP_TITLE));
    CQXDownloadToolDlg dlg(m_languageId);
    fw::SetMainWindow(&dlg);
    dlg.DoModal();
    fw::SetMainWindow(nullptr);
    return false;
}
