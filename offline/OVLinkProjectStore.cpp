// The project page's projects: building the record, project files, the projects stored in the downloader and
// showing a project that was opened or loaded.
#include <algorithm>

#include "app/MainWindow.h"
#include "core/FileFilters.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Format.h"
#include "offline/CurrentProject.h"
#include "offline/LinkProjectFile.h"
#include "offline/LinkSession.h"
#include "offline/OVLinkProjectDlg.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/ProjectBuilder.h"
#include "offline/ProjectFileCFGDlg.h"
#include "offline/ProjectLinkProgress.h"
#include "offline/ProjectPageRules.h"
#include "offline/StoredProjects.h"

class ProjectPageBuildUi : public ProjectBuildUi {
public:
    explicit ProjectPageBuildUi(COVLinkProjectDlg& page) : m_page(page) {}
    void ShowMessage(const fw::Text& text) override { m_page.Say(text); }
    bool Ask(const fw::Text& text) override {
        return CMessageBoxEx().MessageBox(&m_page, text, fw::MB_YESNO | fw::MB_ICONQUESTION) == fw::IDYES;
    }
    bool RunProjectSetup() override { return CProjectFileCFGDlg(&m_page).DoModal() == fw::IDOK; }

private:
    COVLinkProjectDlg& m_page;
};

ProjectPageChoices COVLinkProjectDlg::Choices() const {
    ProjectPageChoices c;
    const auto selected = [this](int id, fw::Text& text) {
        const fw::Control list = GetDlgItem(id);
        const int index = list.GetCurSel();
        if (index >= 0) text = list.GetLBText(index);
        return index >= 0;
    };
    c.seriesSelected = selected(IDC_OVPROJ_SERIES, c.seriesText);
    c.modelSelected = selected(IDC_OVPROJ_MODEL, c.modelText);
    c.nameText = GetDlgItemText(IDC_OVPROJ_NAME);
    const fw::Control stored = GetDlgItem(IDC_OVPROJ_STORED);
    for (int i = 0; i < stored.GetCount(); ++i)
        c.storedProjectNames.push_back(stored.GetLBText(i));
    c.interfaceIndex = GetDlgItem(IDC_OVPROJ_INTERFACE).GetCurSel();
    c.eraseIndex = GetDlgItem(IDC_OVPROJ_ERASE).GetCurSel();
    c.resetIndex = GetDlgItem(IDC_OVPROJ_RESET).GetCurSel();
    c.limitChecked = IsDlgButtonChecked(IDC_OVPROJ_LIMIT_ON) != 0;
    c.limitText = GetDlgItemText(IDC_OVPROJ_LIMIT);
    c.partitionsChecked = IsDlgButtonChecked(IDC_OVPROJ_PARTITION) != 0;
    c.optionBytesChecked = IsDlgButtonChecked(IDC_OVPROJ_OPTION_BYTES) != 0;
    c.chipKeyUpdateChecked = IsDlgButtonChecked(IDC_OVPROJ_CHIP_KEY) != 0;
    c.writeSnChecked = IsDlgButtonChecked(IDC_OVPROJ_WRITE_SN) != 0;
    c.optionFamily = m_optionFamily;
    c.optionItemText = m_optionItemText;
    c.linkFirmwareVersion = m_main.m_linkFirmwareVersion;
    return c;
}

bool COVLinkProjectDlg::BuildProjectConfig() {
    ProjectPageBuildUi ui(*this);
    return ::BuildProjectConfig(Choices(), m_rows, m_table, ProjectSettings(), ui);
}

LinkProject COVLinkProjectDlg::CurrentLinkProject() const {
    LinkProject project;
    if (const ProjectConfig* record = CurrentProjectConfig()) project.record = *record;
    if (m_table.m_pAlgoDescriptor) {
        std::copy_n(m_table.m_pAlgoDescriptor.get(), project.descriptor.size(), project.descriptor.begin());
    } else {
        project.descriptor.fill(0xFF);
    }
    if (m_table.m_pAlgoBlob)
        project.blob.assign(m_table.m_pAlgoBlob.get(), m_table.m_pAlgoBlob.get() + m_table.m_algoBlobSize);
    for (const ProjectFileRow& row : m_rows) {
        const std::size_t length = std::min<std::size_t>(row.length, row.data.size());
        project.files.emplace_back(row.data.begin(), row.data.begin() + static_cast<std::ptrdiff_t>(length));
    }
    return project;
}

bool COVLinkProjectDlg::WriteProjectFile() {
    fw::FileDialog dialog(false, u"ovpf", GetDlgItemText(IDC_OVPROJ_NAME), fw::OFN_HIDEREADONLY | fw::OFN_NOCHANGEDIR,
                          LinkProjectFilesEntry() + u"|", this);
    if (dialog.DoModal() != fw::IDOK) return false;
    if (!WriteLinkProjectFile(dialog.GetPathName(), CurrentLinkProject())) {
        Say(TranslateText(u"保存文件失败！"));
        return false;
    }
    Say(TranslateText(u"文件保存成功！"));
    return true;
}

void COVLinkProjectDlg::OnBnClickedSaveProjectFile() {
    UpdateControlStates(false);
    if (BuildProjectConfig() && WriteProjectFile()) ProjectSettings().projectEditable = 0;
    UpdateControlStates(true);
}

void COVLinkProjectDlg::OnBnClickedOpenProjectFile() {
    UpdateControlStates(false);
    fw::FileDialog dialog(true, {}, {}, fw::OFN_HIDEREADONLY, LinkProjectFilesEntry() + u"|", this);
    if (dialog.DoModal() == fw::IDOK) {
        const ProjectFileOpen opened = ParseProjectFile(dialog.GetPathName());
        if (opened == ProjectFileOpen::CannotOpen) {
            Say(TranslateText(u"项目文件打开失败！"));
        } else if (opened == ProjectFileOpen::Rejected) {
            Say(TranslateText(u"文件数据解析错误！"));
        } else {
            ProjectSettings().projectEditable = 0;
            Say(TranslateText(u"打开项目文件成功！"));
        }
    }
    UpdateControlStates(true);
}

ProjectFileOpen COVLinkProjectDlg::ParseProjectFile(const fw::Text& path) {
    LinkProject project;
    const ProjectFileOpen opened = OpenLinkProjectFile(path, project);
    if (opened != ProjectFileOpen::Opened) return opened;
    const std::optional<ProjectPageView> view = ViewOfProjectConfig(project.record);
    if (!view) return ProjectFileOpen::Rejected;
    // Everything of the file replaces the page's project at once, only after the whole file was read.
    InstallProjectConfig(project.record);
    m_table.m_pAlgoDescriptor = std::make_unique<uint8_t[]>(project.descriptor.size());
    std::ranges::copy(project.descriptor, m_table.m_pAlgoDescriptor.get());
    m_table.m_pAlgoBlob = std::make_unique<uint8_t[]>(project.blob.size());
    std::ranges::copy(project.blob, m_table.m_pAlgoBlob.get());
    m_table.m_algoBlobSize = static_cast<uint32_t>(project.blob.size());
    m_rows = RowsOfProject(project.record, project.files);
    ShowProjectConfig(*view);
    return ProjectFileOpen::Opened;
}

void COVLinkProjectDlg::OnBnClickedSaveProjectToLink() {
    UpdateControlStates(false);
    bool sent = false;
    if (!Connected()) {
        Say(TranslateText(u"设备没有连接！"));
    } else if (const bool build = !CurrentProjectConfig() || ProjectSettings().projectEditable != 0;
               !build || BuildProjectConfig()) {
        ProjectTransferProgress progress(this);
        const LinkRequestExchangeFn bytes = [this](std::span<const uint8_t> request, LinkReply& reply) {
            return ExchangeLinkRequest(m_main, request, reply);
        };
        sent = ::SendProjectToLink(CurrentLinkProject(), bytes, progress);
    }
    if (sent) {
        fw::Control stored = GetDlgItem(IDC_OVPROJ_STORED);
        stored.SetCurSel(stored.AddString(ProjectNameOf(*CurrentProjectConfig())));
        Say(TranslateText(u"保存到下载器成功！"));
    } else {
        Say(TranslateText(u"保存到下载器失败！"));
    }
    UpdateControlStates(true);
}

void COVLinkProjectDlg::ShowProjectConfig(const ProjectPageView& view) {
    const auto select = [this](int id, int index) {
        GetDlgItem(id).SetCurSel(index);
        GetDlgItem(id).EnableWindow(false);
    };
    select(IDC_OVPROJ_INTERFACE, view.interfaceIndex);
    select(IDC_OVPROJ_ERASE, view.eraseIndex);
    select(IDC_OVPROJ_RESET, view.resetIndex);
    CheckDlgButton(IDC_OVPROJ_LIMIT_ON, view.limitChecked ? 1 : 0);
    SetDlgItemText(IDC_OVPROJ_LIMIT, view.limitText);
    SetDlgItemText(IDC_OVPROJ_NAME, view.nameText);
    for (int id : {IDC_OVPROJ_LIMIT_ON, IDC_OVPROJ_LIMIT, IDC_OVPROJ_NAME, IDC_OVPROJ_ADD, IDC_OVPROJ_DELETE})
        GetDlgItem(id).EnableWindow(false);
    ClearFileList();
    for (std::size_t i = 0; i < view.rows.size(); ++i) {
        ProjectFileRow shown;
        shown.name = view.rows[i].name;
        shown.startText = view.rows[i].startText;
        shown.partitionId = view.rows[i].partitionId;
        InsertFileRow(static_cast<int>(i), shown, view.rows[i].length);
    }
    m_optionFamily = OptionFamilyOf(view.seriesText);
    fw::Control series = GetDlgItem(IDC_OVPROJ_SERIES);
    series.SetCurSel(-1);
    for (int i = 0; i < series.GetCount(); ++i) {
        if (series.GetLBText(i) == view.seriesText) series.SetCurSel(i);
    }
    FillModels(view.seriesText);
    fw::Control models = GetDlgItem(IDC_OVPROJ_MODEL);
    for (int i = 0; i < models.GetCount(); ++i) {
        if (models.GetLBText(i) == view.modelText) models.SetCurSel(i);
    }
    CheckDlgButton(IDC_OVPROJ_PARTITION, view.partitionsConfigured ? 1 : 0);
    CheckDlgButton(IDC_OVPROJ_OPTION_BYTES, view.optionBytesConfigured ? 1 : 0);
    CheckDlgButton(IDC_OVPROJ_CHIP_KEY, view.chipKeyUpdated ? 1 : 0);
    CheckDlgButton(IDC_OVPROJ_WRITE_SN, view.writesSerialNumber ? 1 : 0);
}

void COVLinkProjectDlg::ReadStoredProjectList() {
    const StoredProjectList list = ::ReadStoredProjectList(Exchange());
    fw::Control stored = GetDlgItem(IDC_OVPROJ_STORED);
    for (std::size_t i = 0; i < list.names.size(); ++i) {
        if (static_cast<int>(i) == list.activeIndex) LoadStoredProject(list.names[i]);
        stored.AddString(list.names[i]);
        ProjectSettings().projectEditable = 0;
    }
    if (list.complete && !list.names.empty()) stored.SetCurSel(std::max(list.activeIndex, 0));
}

void COVLinkProjectDlg::LoadStoredProject(fw::TextView name) {
    const std::optional<ProjectConfig> record = ReadStoredProjectRecord(Exchange(), name);
    if (!record) {
        // A refusal is in the log already; a reply that never came would otherwise go unnoticed.
        Say(TranslateText(u"项目数据读取失败！"));
        return;
    }
    const std::optional<ProjectPageView> view = ViewOfProjectConfig(*record);
    if (!view) {
        Say(TranslateText(u"文件数据解析错误！"));
        return;
    }
    InstallProjectConfig(*record);
    // Only the record comes back from the downloader; the page shows it and can send it nowhere.
    m_table.m_pAlgoBlob.reset();
    m_table.m_algoBlobSize = 0;
    m_rows = RowsOfProject(*record, std::vector<std::vector<uint8_t>>(record->fileCount));
    ShowProjectConfig(*view);
}

void COVLinkProjectDlg::OnCbnSelchangeProject() {
    fw::Control stored = GetDlgItem(IDC_OVPROJ_STORED);
    const int selected = stored.GetCurSel();
    if (selected < 0) return;
    LoadStoredProject(stored.GetLBText(selected));
    ProjectSettings().projectEditable = 0;
    UpdateControlStates(true);
}

void COVLinkProjectDlg::OnBnClickedActivateProject() {
    const fw::Text name = GetDlgItemText(IDC_OVPROJ_STORED);
    if (name.empty()) {
        Say(TranslateText(u"没有可激活的项目！"));
        return;
    }
    if (ActivateStoredProject(Exchange(), name)) {
        Say(TranslateText(u"项目已激活！"));
    } else {
        Say(TranslateText(u"项目激活失败！"));
    }
}

void COVLinkProjectDlg::OnBnClickedDeleteProject() {
    fw::Control stored = GetDlgItem(IDC_OVPROJ_STORED);
    const int selected = stored.GetCurSel();
    const fw::Text name = GetDlgItemText(IDC_OVPROJ_STORED);
    if (name.empty()) {
        Say(TranslateText(u"没有可删除的项目！"));
        return;
    }
    const StoredProjectDeletion deletion = DeleteStoredProjectWithProgress(this, Exchange(), name);
    if (deletion.outcome == StoredProjectDeletion::Failed) Say(TranslateText(u"项目删除失败！"));
    if (deletion.outcome != StoredProjectDeletion::Deleted) return;
    stored.DeleteString(selected);
    if (stored.GetCount() == 0) {
        stored.ResetContent();
        OnBnClickedNewProject();
    } else {
        stored.SetCurSel(-1);
        for (int i = 0; i < stored.GetCount(); ++i) {
            if (stored.GetLBText(i) == deletion.activeName) {
                stored.SetCurSel(i);
                LoadStoredProject(deletion.activeName);
                break;
            }
        }
    }
    Say(TranslateText(u"项目已删除！"));
    UpdateControlStates(true);
}
