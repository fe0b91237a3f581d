#include "lexmira/MsgCatalogFile.h"

#include <utility>

#include "framework/Files.h"
#include "framework/Text.h"

namespace lexmira {
namespace {

constexpr std::uint32_t kMagic = 0x950412DE;
constexpr std::uint64_t kHeaderBytes = 28;
constexpr std::uint64_t kEntryBytes = 8;

}  // namespace

bool wxMsgCatalogFile::ReadWholeFile(std::u16string_view path) {
    if (path.empty()) return false;
    fw::ReadResult read = fw::ReadWholeFile(path, kMaxCatalogBytes);
    if (!read || read.bytes.empty()) return false;
    m_buffer.assign(read.bytes.begin(), read.bytes.end());
    m_bytes = m_buffer;
    return true;
}

bool wxMsgCatalogFile::Open() { return Open(m_bytes); }

bool wxMsgCatalogFile::Open(std::string_view bytes) {
    m_bytes = bytes;
    if (m_bytes.size() <= kHeaderBytes || Word(0) != kMagic) return false;
    m_count = Word(8);
    m_sourceTable = Word(12);
    m_translationTable = Word(16);
    const std::uint64_t tableBytes = std::uint64_t{m_count} * kEntryBytes;
    return m_sourceTable + tableBytes <= m_bytes.size() && m_translationTable + tableBytes <= m_bytes.size();
}

bool wxMsgCatalogFile::ForEachPair(const PairSink& sink) const {
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < m_count; ++i) {
        const Entry source = TableEntry(m_sourceTable, i);
        const Entry translation = TableEntry(m_translationTable, i);
        if (InsideFile(source) && InsideFile(translation)) total += source.length + translation.length;
    }
    if (total > kMaxExpansion * m_bytes.size()) return false;

    for (std::uint32_t i = 0; i < m_count; ++i) {
        const Entry source = TableEntry(m_sourceTable, i);
        const Entry translation = TableEntry(m_translationTable, i);
        if (InsideFile(source) && InsideFile(translation)) sink(Text(source), Text(translation));
    }
    return true;
}

bool wxMsgCatalogFile::BuildMap(Map& map) const {
    Map built;
    const bool read = ForEachPair([&built](std::string_view source, std::string_view translation) {
        built.insert_or_assign(fw::Utf8ToText(source), fw::Utf8ToText(translation));
    });
    if (!read) return false;
    map = std::move(built);
    return true;
}

std::uint32_t wxMsgCatalogFile::Word(std::uint64_t offset) const {
    const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data() + offset);
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

wxMsgCatalogFile::Entry wxMsgCatalogFile::TableEntry(std::uint64_t table, std::uint32_t index) const {
    const std::uint64_t at = table + std::uint64_t{index} * kEntryBytes;
    return Entry{Word(at), Word(at + 4)};
}

bool wxMsgCatalogFile::InsideFile(const Entry& entry) const { return entry.offset + entry.length <= m_bytes.size(); }

std::string_view wxMsgCatalogFile::Text(const Entry& entry) const {
    const std::string_view text = m_bytes.substr(entry.offset, entry.length);
    return text.substr(0, text.find('\0'));
}

}  // namespace lexmira
