// One line of "Series CFG Table.ini". The table has its own forgiving format rather than INI sections: blanks
// anywhere are dropped, comment marks anywhere void the line, and a key is recognised wherever it stands.
#pragma once

#include <optional>

#include "framework/Text.h"

enum class ChipTableKey { Class, ChipMark, FlashStartAddr, SramStartAddr, FlashSize, SramSize, FlmFile, PageSize };

struct ChipTableLine {
    ChipTableKey key;
    fw::Text value;  // upper-cased, without blanks; numbers as hex digits without their "0X"
};

// Nothing for empty lines, comments and lines without a key. The value is the line without the key's length of
// leading characters, since keys are written at the start of their line.
std::optional<ChipTableLine> ParseChipTableLine(fw::TextView line);
