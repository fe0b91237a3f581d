// The chip series table of "Series CFG Table.ini" and the flash algorithm built from one row's FLM file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "core/ChipTableLine.h"
#include "core/FlashAlgo.h"
#include "framework/Text.h"

// Every value upper-cased and without blanks; numbers as hex digits without "0X" (read them with HexToInt).
struct ChipSeriesRow {
    fw::Text CLASS;
    fw::Text CHIPMARK;
    fw::Text FLASHSTARTADDR;
    fw::Text SRAMSTARTADDR;  // where the flash algorithm is loaded
    fw::Text FLASHSIZE;
    fw::Text SRAMSIZE;
    fw::Text FLMFILE;  // file name in the "FLM" folder
    fw::Text PAGESIZE;
};

// Where the table's messages go, already translated. Without one they are shown in the program's OK box without
// owner; tests and tools that must not raise a window give their own.
using ChipTableMessageBox = std::function<void(const fw::Text& text)>;

class CChipSeriesTable {
public:
    static constexpr int kMaxRows = 2048;

    explicit CChipSeriesTable(ChipTableMessageBox messageBox = nullptr);

    void SetMessageBox(ChipTableMessageBox messageBox) { m_messageBox = std::move(messageBox); }

    // Reads "Series CFG Table.ini" of the working directory: 1 when it was read, 0 (after a message, with an
    // empty table) when it could not be.
    int Load();
    // What Load does with the file's lines: empties the table and fills it from them. Key lines before the first
    // CLASS line and rows past the table's room are dropped.
    void ReadRows(const std::vector<fw::Text>& lines);

    // The working directory + "FLM" + the row's FLMFILE.
    fw::Text FlmPath(int rowIndex) const;

    // Builds the flash algorithm of a loaded row from the FLM file at path (its name found without regard to
    // case): 1 on success, 0 otherwise with the previous records untouched.
    int LoadFlm(fw::TextView path, int rowIndex);
    // LoadFlm for a file already read.
    int LoadFlmImage(std::span<const uint8_t> file, int rowIndex);

    // Owners read these; only the offline project page replaces the flash-algorithm records.
    int m_rowCount = 0;
    std::vector<ChipSeriesRow> m_rows;  // always kMaxRows; rows from m_rowCount on are empty

    std::unique_ptr<uint8_t[]> m_pAlgoBlob;  // FlashAlgoBlob; null until built
    uint32_t m_algoBlobSize = 0;
    std::unique_ptr<uint8_t[]> m_pAlgoDescriptor;  // FlashAlgoDescriptor::kSize bytes; null until built

private:
    int BuildFlashAlgo(std::span<const uint8_t> file, int rowIndex);
    void ShowMessage(const fw::Text& text) const;

    ChipTableMessageBox m_messageBox;
};
