// A 32-bit little-endian ELF file seen through its section headers and symbol table. Every header, name and
// content range is checked against the file before it is read, since flash-algorithm files come from anywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

class Elf32File {
public:
    struct Section {
        std::string_view name;  // points into the file's bytes
        uint32_t offset = 0;
        uint32_t size = 0;
    };
    struct Symbol {
        std::string_view name;
        uint32_t value = 0;
    };

    // Nothing when the file header, the section header table, the section-name table or a section's name lies
    // outside the file. The file's bytes must outlive the result.
    static std::optional<Elf32File> Parse(std::span<const uint8_t> file);

    const std::vector<Section>& Sections() const { return m_sections; }
    // The first section of that exact name, or null.
    const Section* Find(std::string_view name) const;
    // Nothing when the section's contents lie outside the file.
    std::optional<std::span<const uint8_t>> Contents(const Section& section) const;
    // The entries of symtab (16 bytes each, a partial last entry dropped) named from strtab; nothing when either
    // table or a name lies outside the file.
    std::optional<std::vector<Symbol>> Symbols(const Section& symtab, const Section& strtab) const;

private:
    explicit Elf32File(std::span<const uint8_t> file) : m_file(file) {}

    std::span<const uint8_t> m_file;
    std::vector<Section> m_sections;
};
