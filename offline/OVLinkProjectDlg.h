// The project page of the offline downloader's configuration window: the chip, interface, erase and reset modes,
// download limit and files of an offline project, the dialogs of its partitions, option bytes, chip keys and
// serial numbers; building it into the current project record, saving it to a project file or into the
// downloader, the projects stored there, and starting a download on the target.
#pragma once

#include <vector>

#include "core/ChipSeriesTable.h"
#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "offline/LinkProject.h"
#include "offline/LinkProjectFile.h"
#include "offline/ProjectFileRow.h"
#include "offline/ProjectPageChoices.h"
#include "offline/ProjectPageView.h"
#include "offline/ProjectTransfer.h"
#include "resources/ui/ovlink_project.h"

class CQXDownloadToolDlg;

class COVLinkProjectDlg : public fw::Dialog {
public:
    explicit COVLinkProjectDlg(CQXDownloadToolDlg& main);
    ~COVLinkProjectDlg() override;

    // enable: false while a command runs on the downloader; the rest follows the editable state and the family.
    void UpdateControlStates(bool enable);

    std::vector<ProjectFileRow> m_rows;  // the rows in use, in list order
    CChipSeriesTable m_table;
    int m_optionFamily = -1;
    fw::Text m_optionItemText;  // family 10: the project's option item block as hex text

protected:
    bool OnInitDialog() override;

private:
    friend class ProjectPageBuildUi;

    void OnBnClickedNewProject();
    void OnBnClickedDeleteProject();
    void OnBnClickedAdd();
    void OnBnClickedDelete();
    void OnBnClickedActivateProject();
    void OnBnClickedOpenProjectFile();
    void OnBnClickedSaveProjectFile();
    void OnBnClickedSaveProjectToLink();
    void OnCbnSelchangeProject();
    void OnBnClickedLimitDownloads();
    void OnBnClickedConfigurationPartition();
    void OnBnClickedConfigurationOptionsBytes();
    void OnBnClickedUpdateChipKey();
    void OnBnClickedWriteSn();
    void OnBnClickedStartDownloadToChip();
    void OnCbnSelchangeInterface() { UpdateControlStates(true); }
    void OnCbnSelchangeMcuType();
    // The partition and chip-key steps, chosen for the series before, are dropped and the user told so.
    void ForgetPartitionSteps();

    void Say(fw::TextView text);
    bool Connected() const;
    LinkExchangeFn Exchange();
    // The chosen model's row of the table, -1 when none is chosen or it is not in the table.
    int ModelRow() const;
    // The two refusals of the handlers that need a chip; true when series and model are chosen.
    bool ChipChosen(int box);
    void FillModels(fw::TextView series);
    ProjectPageChoices Choices() const;
    bool BuildProjectConfig();
    LinkProject CurrentLinkProject() const;
    bool WriteProjectFile();
    // Reads a link project file whole and, only when all of it is good, makes it the page's project and shows it.
    ProjectFileOpen ParseProjectFile(const fw::Text& path);
    void ShowProjectConfig(const ProjectPageView& view);
    void InsertFileRow(int index, const ProjectFileRow& row, uint32_t shownLength);
    void ClearFileList();
    void ReadStoredProjectList();
    void LoadStoredProject(fw::TextView name);
    static const fw::MessageMap<COVLinkProjectDlg> kMessages;

    CQXDownloadToolDlg& m_main;
    CMessageBoxEx m_msgBox;
};
