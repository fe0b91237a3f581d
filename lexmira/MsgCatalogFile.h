// Reader of GNU gettext MO files. The file is untrusted: every table and string is checked in 64 bits against the
// file's size before it is touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace lexmira {

// An MO file larger than this is not a catalog of ours.
constexpr std::size_t kMaxCatalogBytes = 64 * 1024 * 1024;

class wxMsgCatalogFile {
public:
    using PairSink = std::function<void(std::string_view source, std::string_view translation)>;

    // Reads the whole file. False for a missing, empty, unreadable or oversized file.
    bool ReadWholeFile(std::u16string_view path);

    // Checks the header and the two tables of the bytes read (or of the bytes given, which must outlive this
    // object). False for a file of 28 bytes or less, a wrong magic (the byte-swapped one included) or a table
    // that does not lie inside the file.
    bool Open();
    bool Open(std::string_view bytes);

    // Hands over every usable pair in file order, each string cut at its first NUL and never read beyond its
    // length (so of a plural entry the singular text and the first form). A pair with a string outside the file
    // is skipped. False, after handing over nothing, when the strings would take more than kMaxExpansion times
    // the file's size: entries that overlap on purpose to make a small file fill the memory.
    bool ForEachPair(const PairSink& sink) const;

    static constexpr std::uint64_t kMaxExpansion = 4;

    // A catalog's lookup table: source text to translation, both UTF-16.
    using Map = std::map<std::u16string, std::u16string, std::less<>>;

    // Fills `map` with every usable pair, converted to UTF-16; a later pair with the same source text replaces the
    // earlier one. False, leaving `map` untouched, when ForEachPair refuses the file.
    bool BuildMap(Map& map) const;

private:
    struct Entry {
        std::uint64_t length = 0;
        std::uint64_t offset = 0;
    };

    std::uint32_t Word(std::uint64_t offset) const;
    Entry TableEntry(std::uint64_t table, std::uint32_t index) const;
    bool InsideFile(const Entry& entry) const;
    std::string_view Text(const Entry& entry) const;

    std::string m_buffer;
    std::string_view m_bytes;
    std::uint32_t m_count = 0;
    std::uint32_t m_sourceTable = 0;
    std::uint32_t m_translationTable = 0;
};

}  // namespace lexmira
