#pragma once

#include <string_view>

#include "lexmira/MsgCatalogFile.h"

namespace lexmira {

// One loaded catalog: source text to translation, both UTF-16, matched code unit for code unit.
class wxMsgCatalog {
public:
    // False when the file cannot be read or is refused; the catalog is then empty.
    bool LoadFile(std::u16string_view path);

    // The stored translation (valid while the catalog lives), or null.
    const char16_t* Find(std::u16string_view text) const;

    wxMsgCatalog* next = nullptr;  // the list is owned by the locale

private:
    wxMsgCatalogFile::Map m_map;
};

}  // namespace lexmira
