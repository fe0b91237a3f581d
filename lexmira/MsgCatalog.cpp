#include "lexmira/MsgCatalog.h"

#include "lexmira/MsgCatalogFile.h"

namespace lexmira {

bool wxMsgCatalog::LoadFile(std::u16string_view path) {
    wxMsgCatalogFile file;
    if (!file.ReadWholeFile(path) || !file.Open()) return false;
    std::map<fw::Text, fw::Text, std::less<>> map;
    // A later pair with the same source text replaces the earlier one.
    const bool built = file.ForEachPair([&map](std::string_view source, std::string_view translation) {
        map.insert_or_assign(fw::Utf8ToText(source), fw::Utf8ToText(translation));
    });
    if (!built) return false;
    m_map = std::move(map);
    return true;
}

const char16_t* wxMsgCatalog::Find(std::u16string_view text) const {
    const auto found = m_map.find(text);
    return found == m_map.end() ? nullptr : found->second.c_str();
}

}  // namespace lexmira
