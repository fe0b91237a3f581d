// Turns the project page's choices, its file list and the shared project settings into a new current project
// record, loading the chosen model's flash algorithm into the page's chip series table on the way.
#pragma once

#include <array>
#include <span>

#include "core/ChipSeriesTable.h"
#include "framework/Text.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/ProjectConfig.h"
#include "offline/ProjectFileRow.h"
#include "offline/ProjectPageChoices.h"

// The page's side of a build: its message boxes and the project setup dialog.
class ProjectBuildUi {
public:
    virtual ~ProjectBuildUi() = default;
    virtual void ShowMessage(const fw::Text& text) = 0;
    // The yes/no question; true for yes.
    virtual bool Ask(const fw::Text& text) = 0;
    // Runs the project setup dialog modally (it writes the binding fields of the settings); true on OK.
    virtual bool RunProjectSetup() = 0;
};

// true when every check passed and the new record is installed as the current one; false after the refusal's
// message (none when the setup dialog was not confirmed), with the current record left as it was.
bool BuildProjectConfig(const ProjectPageChoices& choices, std::span<const ProjectFileRow> files,
                        CChipSeriesTable& table, const OfflineProjectSettings& settings, ProjectBuildUi& ui);

// The CRC-32 of a plain image as the downloader checks it after programming: a file shorter than a page is
// checked over the page (or the two pages) it falls in, filled with 0xFF around it; a longer one over its data
// padded with 0xFF to a multiple of 16. pageSize is a power of two.
uint32_t ProjectImageCrc(std::span<const uint8_t> data, uint32_t start, uint32_t pageSize);

// The pieces both project makers fill alike. A file row as slot `index` of a record (false after the message when
// its name does not fit or its data is short); the chip's table values; the partition entries of the shared
// settings; the key updates the chip-key dialog left there (false after the message when a key id disagrees with
// its partition's or is out of range).
bool FillProjectFileRecord(const ProjectFileRow& file, std::size_t index, uint32_t pageSize, ProjectFileRecord& out,
                           ProjectBuildUi& ui);
void FillChipValues(const ChipSeriesRow& model, ProjectChipRecord& chip);
void FillPartitionEntries(const OfflineProjectSettings& settings, ProjectChipRecord& chip);
bool FillChipKeyUpdates(const ProjectChipRecord& chip, const OfflineProjectSettings& settings, ProjectKeyRecord& keys,
                        ProjectBuildUi& ui);

// The series name a chip record carries: a few series are filed under the family member the downloader knows.
fw::Text SeriesNameForRecord(const fw::Text& series);

// A chip key (32 hex digits; none: 16 zero bytes) as a project's key record holds it, wrapped under the project
// key-wrap key.
std::array<uint8_t, 16> WrapDefaultChipKey(fw::TextView keyText);
