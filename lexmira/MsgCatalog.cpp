#include "lexmira/MsgCatalog.h"

#include "lexmira/MsgCatalogFile.h"

namespace lexmira {

bool wxMsgCatalog::LoadFile(std::u16string_view path) {
    wxMsgCatalogFile file;
    if (!file.ReadWholeFile(path) || !file.Open()) return false;
    return file.BuildMap(m_map);
}

const char16_t* wxMsgCatalog::Find(std::u16string_view text) const {
    const auto found = m_map.find(text);
    return found == m_map.end() ? nullptr : found->second.c_str();
}

}  // namespace lexmira
