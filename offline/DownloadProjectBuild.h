// The record of a download project (".dlpf") made from the maker's lists, boxes and file rows. Unlike an offline
// project it has no name, downloader binding, setup or flash algorithm: those bytes stay 0xFF.
#pragma once

#include <optional>
#include <span>

#include "core/ChipSeriesTable.h"
#include "framework/Text.h"
#include "offline/OfflineProjectSettings.h"
#include "offline/ProjectBuilder.h"
#include "offline/ProjectConfig.h"
#include "offline/ProjectFileRow.h"
#include "optionbytes/ProjectOptionTexts.h"

struct DownloadProjectChoices {
    bool seriesSelected = false;
    fw::Text seriesText;  // a CLASS of the chip series table
    bool modelSelected = false;
    fw::Text modelText;  // a CHIPMARK of that series
    uint8_t seriesCode = 0;
    bool partitionsChecked = false;
    bool chipKeyUpdateChecked = false;
    bool optionBytesChecked = false;
    ProjectOptionBytes optionBytes{};  // as the option-byte editor left them
};

// The new record, or nothing after the refusal's message (or the user's No to building without option bytes).
// Names longer than the record's 32-byte fields: a file's is refused, a series or model name from the table is cut.
std::optional<ProjectConfig> BuildDownloadProjectRecord(const DownloadProjectChoices& choices,
                                                        std::span<const ProjectFileRow> rows,
                                                        const CChipSeriesTable& table,
                                                        const OfflineProjectSettings& settings, ProjectBuildUi& ui);
