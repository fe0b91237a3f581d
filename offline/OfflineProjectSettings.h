// The settings of the offline project being edited that do not live in the project page's controls. The page,
// its sub-dialogs and the project builders share this one record instead of passing constructor arguments; it is
// never saved itself: what reaches a project travels in the project record.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "framework/Text.h"

struct OfflineProjectSettings {
    using Key = std::array<uint8_t, 16>;

    uint32_t projectEditable = 1;  // 0: the page shows a loaded or saved project, read-only
    uint32_t partitionMode = 0;    // 1: download files are placed per USER partition
    uint8_t seriesCode = 0;        // the page's option family; 0xFF when the series has none
    uint32_t flashSizeKB = 0;
    uint8_t partitionsEditable = 0;
    std::array<uint32_t, 3> partitionConfigured = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    std::array<uint8_t, 3> partitionIndex{};
    std::array<uint8_t, 3> partitionSize{};
    std::array<uint8_t, 3> partitionKeyId{};
    std::array<uint8_t, 3> partitionFlags{};
    uint8_t keySeriesCode = 0;
    uint32_t deviceKeyWanted = 1;
    std::array<uint8_t, 3> chipKeyUpdate{};
    std::array<uint8_t, 3> chipKeyId{};
    std::array<Key, 3> chipKeyOld{};
    std::array<Key, 3> chipKeyNew{};
    uint8_t linkOptEditable = 0;
    uint8_t linkOptFamily = 0;
    uint8_t linkOpt2Editable = 0;
    uint8_t linkOpt2Family = 3;
    uint8_t snEditable = 0;
    uint32_t snAddress = 0;
    uint32_t snInitial = 0;
    uint32_t snStep = 0;
    uint8_t snUseDevice = 0;  // 2: the downloader's own serial number
    uint32_t bindToDownloader = 0;
    uint32_t onceOnly = 0;
    Key downloaderSn = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    Key deviceKeyOld{};
    Key deviceKeyNew{};

    // The reset of the partition and chip-key fields for a new project; pageOpening also clears the project's
    // option texts (g_projectOptionText, g_projectOptionText2) and the editor flags, and "New project" makes the
    // project editable again.
    void ResetForNewProject(bool pageOpening);
    // Forgets the partitions and the chip-key updates chosen: they count one series' units and follow its key ids,
    // so a project whose series changes must have them chosen again.
    void ForgetPartitionSteps();
    // Whether a partition or a chip-key update is chosen, also one whose box was unticked again.
    bool HoldsPartitionSteps() const;
};

// What a project dialog says when a series change dropped the partition or chip-key step the user had chosen.
fw::Text PartitionStepsDroppedText();

namespace fw {
class Window;
}
struct ProjectFileRow;
// A project dialog whose series changed forgets the partition and chip-key steps chosen for the series before, also
// those whose box was unticked again (its next tick would bring them back), unticks both boxes and takes its files
// out of the partitions they were placed in (column 4 of the file list). True when there was something to forget:
// the dialog then stores the forgotten partitions in its record and tells the user.
bool ForgetPartitionStepsOf(fw::Window& dialog, int partitionBox, int chipKeyBox, std::span<ProjectFileRow> rows,
                            int fileList);

// The one instance of the program.
OfflineProjectSettings& ProjectSettings();

struct ProjectConfig;
// The partition dialog works on the settings: a record's three partition entries go in before it runs, and what it
// confirmed goes back into the record.
void LoadPartitionSettings(const ProjectConfig& record, OfflineProjectSettings& settings);
void StorePartitionSettings(const OfflineProjectSettings& settings, ProjectConfig& record);
