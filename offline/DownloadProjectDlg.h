// The download project maker: a chip series and model from the chip series table, up to eight firmware files at
// their addresses, the project's partitions, chip-key updates and option bytes, saved as a ".dlpf" file that the
// main window downloads; an existing ".dlpf" opens for viewing and saving again.
#pragma once

#include <array>
#include <functional>
#include <optional>

#include "core/ChipSeriesTable.h"
#include "core/MessageBoxEx.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "offline/DownloadProjectFile.h"
#include "offline/DownloadProjectPlacement.h"
#include "offline/ProjectConfig.h"
#include "offline/ProjectFileRow.h"
#include "optionbytes/ProjectOptionTexts.h"

class CDownloadProjectDlg : public fw::Dialog {
public:
    explicit CDownloadProjectDlg(fw::Window* owner = nullptr);

    // The steps the project page owns, each modal over the shared project settings. Add asks where a file goes
    // (nothing when the user did not confirm); the partition and chip-key dialogs answer true on OK. Without a
    // step its button or box is not offered.
    struct StartAddressAnswer {
        fw::Text startText;  // hex
        FilePlacementPartition placement;
    };
    using StartAddressAsker =
        std::function<std::optional<StartAddressAnswer>(fw::Window& owner, uint32_t defaultStart)>;
    using SubDialog = std::function<bool(fw::Window& owner)>;
    static void SetStartAddressAsker(StartAddressAsker asker);
    static void SetPartitionDialog(SubDialog dialog);
    static void SetChipKeyDialog(SubDialog dialog);

    // The extension of the file Add chose last, for every maker of the program's run.
    static fw::Text s_lastFileExt;

    // Reads a ".dlpf" whole and, only when all of it is good, shows it locked; anything else leaves the project
    // shown as it was. Open runs it on the file the user chose.
    enum class ProjectLoad { Shown, Refused, NotShown };
    ProjectLoad ReadProjectFile(const fw::Text& path);

    // The project as it stands; rows from m_fileCount on are unused.
    std::array<ProjectFileRow, kProjectFileSlots> m_rows;
    uint8_t m_fileCount = 0;
    uint8_t m_seriesCode = 0;
    uint32_t m_editable = 1;
    ProjectOptionBytes m_optionBytes{};
    // The project's record: erased for a new project, with the partitions confirmed since; the one saved or opened
    // last. While the project is locked, Save writes it again as it stands: rebuilt, it would take a new serial,
    // file times and whatever the shared settings hold by then.
    ProjectConfig m_record = ProjectConfig::Blank();

protected:
    bool OnInitDialog() override;
    const fw::MessageMapBase* GetMessageMap() const override { return &kMessages; }

private:
    void OnCbnSelchangeMcuType();
    void OnBnClickedAdd();
    void OnBnClickedDel();
    void OnBnClickedSetPartition();
    void OnBnClickedUpdateKey();
    void OnBnClickedSetOptionByte();
    void OnBnClickedSaveProject();
    void OnBnClickedOpenProject();
    void OnBnClickedNewProject();

    void SeriesCodeOfModel(fw::TextView name);
    void InsertFileRow(int index, const ProjectFileRow& row);
    void EnableButtons(bool enable);
    void ApplySeriesRules();
    // The partition and chip-key steps, chosen for the series before, are dropped and the user told so.
    void ForgetPartitionSteps();
    bool ShowProjectConfig(DownloadProject& project);
    bool SaveProject();
    // The record of the dialog's choices and rows; nothing when the builder refused them (it has said why).
    std::optional<ProjectConfig> BuildProjectConfig();
    // Asks for a path and writes the record with the rows' data.
    bool WriteProjectFile(const ProjectConfig& record);
    bool AddFile(const fw::Text& path, const fw::Text& name, const StartAddressAnswer& answer,
                 const DownloadProjectChip& chip);
    bool ChipChosen(int boxToClear);
    void FillModels(const fw::Text& series);
    int ModelRow() const;
    fw::Text ModelText() const;
    void Say(const fw::Text& text);

    CChipSeriesTable m_chipTable;
    CMessageBoxEx m_msgBox;
    static const fw::MessageMap<CDownloadProjectDlg> kMessages;
};

// The File menu's "Make the download project files": the maker runs modally over the main window; no device is
// needed.
void OnMakeDownloadProjectFiles(fw::Window& main);
