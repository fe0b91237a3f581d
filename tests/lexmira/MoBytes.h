// Writes MO files by hand, for the layouts msgfmt never makes: wrong magic, tables and strings outside the file,
// offsets that wrap around in 32 bits.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct MoEntry {
    uint32_t length;
    uint32_t offset;
};

class MoBytes {
public:
    // A well-formed little-endian catalog of the pairs, tables right after the header, strings after the tables.
    static std::string Catalog(const std::vector<std::pair<std::string, std::string>>& pairs);

    // A header only, with the given fields; padded with zeros up to size.
    static std::string Header(uint32_t magic, uint32_t count, uint32_t sourceTable, uint32_t translationTable,
                              size_t size);

    static void PutWord(std::string& bytes, size_t at, uint32_t value);
};
