#include "core/ChipTableLine.h"

#include <array>

#include "core/TextMatching.h"

namespace {

struct KeyText {
    fw::TextView text;
    ChipTableKey key;
};

// Tested in this order; the first one the line contains decides.
constexpr std::array<KeyText, 8> kKeys = {{
    {u"CLASS=", ChipTableKey::Class},
    {u"CHIPMARK=", ChipTableKey::ChipMark},
    {u"FLASHSTARTADDR=0X", ChipTableKey::FlashStartAddr},
    {u"SRAMSTARTADDR=0X", ChipTableKey::SramStartAddr},
    {u"FLASHSIZE=0X", ChipTableKey::FlashSize},
    {u"SRAMSIZE=0X", ChipTableKey::SramSize},
    {u"FLMFILE=", ChipTableKey::FlmFile},
    {u"PAGESIZE=0X", ChipTableKey::PageSize},
}};

}  // namespace

std::optional<ChipTableLine> ParseChipTableLine(fw::TextView line) {
    fw::Text text = WithoutBlanks(line);
    if (text.empty()) return std::nullopt;
    if (fw::Find(text, u"//") >= 0 || fw::Find(text, u';') >= 0 || fw::Find(text, u'#') >= 0) return std::nullopt;
    fw::MakeUpper(text);
    for (const KeyText& k : kKeys) {
        if (fw::Find(text, k.text) >= 0) {
            return ChipTableLine{k.key, fw::Mid(text, static_cast<int>(k.text.size()))};
        }
    }
    return std::nullopt;
}
