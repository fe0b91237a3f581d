// "Series CFG Table.ini" is edited by hand: any text must parse into at most the table's rows, with values that
// carry no blanks and no lower-case letters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/ChipSeriesTable.h"
#include "core/ChipTableLine.h"
#include "framework/Files.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<fw::Text> lines = fw::SplitLines(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const fw::Text& line : lines) {
        const auto parsed = ParseChipTableLine(line);
        if (!parsed) continue;
        for (char16_t c : parsed->value) {
            if (c == u' ' || c == u'\t' || (c >= u'a' && c <= u'z')) std::abort();
        }
    }
    static CChipSeriesTable table([](const fw::Text&) {});
    table.ReadRows(lines);
    if (table.m_rowCount < 0 || table.m_rowCount > CChipSeriesTable::kMaxRows) std::abort();
    if (table.m_rows.size() != static_cast<std::size_t>(CChipSeriesTable::kMaxRows)) std::abort();
    if (table.m_rowCount > 0) FuzzAccepted();
    return 0;
}
