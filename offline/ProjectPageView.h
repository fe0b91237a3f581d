// What the offline project page shows of a project record: the choices of its lists and boxes, the name, the
// file rows and the chip. The page fills its (disabled) controls from it; a record that cannot be shown gives
// nothing, and the page then keeps what it showed.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "framework/Text.h"
#include "offline/ProjectConfig.h"
#include "offline/ProjectFileRow.h"

struct ProjectPageView {
    int interfaceIndex = 0;
    int eraseIndex = 0;
    int resetIndex = 0;
    bool limitChecked = false;
    fw::Text limitText;  // the limit in decimal, unsigned; empty without a limit
    fw::Text nameText;
    fw::Text seriesText;  // as the chip series table names it
    fw::Text modelText;
    struct Row {
        fw::Text name;
        fw::Text sizeText;   // "%d"
        fw::Text rangeText;  // "%08X-%08X"
        fw::Text startText;  // "%08X"
        uint8_t partitionId = 0;
        uint32_t length = 0;
        bool enciphered = false;
    };
    std::vector<Row> rows;
    bool partitionsConfigured = false;  // some partition entry is set
    bool optionBytesConfigured = false;
    bool chipKeyUpdated = false;  // some key mode is 1
    bool writesSerialNumber = false;
};

std::optional<ProjectPageView> ViewOfProjectConfig(const ProjectConfig& record);

// The rows of the page's file list after a project file was opened: names, addresses, partitions and, for
// enciphered files, the header values, with the data the file carried. files holds one buffer per recorded file.
std::vector<ProjectFileRow> RowsOfProject(const ProjectConfig& record, std::span<const std::vector<uint8_t>> files);

// The series name the page shows for the one the chip record holds.
fw::Text SeriesNameFromRecord(fw::TextView series, fw::TextView model);
