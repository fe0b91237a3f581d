// Writes small 32-bit little-endian ELF files for reader tests: the sections given, then ".symtab", ".strtab"
// and ".shstrtab", then the section header table. Tests damage the result with the Put helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ElfFixture {
    struct Section {
        std::string name;
        std::vector<uint8_t> bytes;
    };
    struct Symbol {
        std::string name;
        uint32_t value;
    };

    std::vector<Section> sections;  // in header-table order, after the null section
    std::vector<Symbol> symbols;    // after the null symbol
    bool withSymbolTable = true;

    std::vector<uint8_t> Build() const;

    // Header-table index of a named section in a built file: the null section is 0, then the given ones.
    int IndexOf(const std::string& name) const;
};

namespace elf_fixture {

constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kNameField = 0, kOffsetField = 16, kSizeField = 20;

uint32_t Get32(const std::vector<uint8_t>& file, std::size_t at);
void Put32(std::vector<uint8_t>& file, std::size_t at, uint32_t value);
void Put16(std::vector<uint8_t>& file, std::size_t at, uint16_t value);
// Where field of section header index starts in a built file.
std::size_t SectionField(const std::vector<uint8_t>& file, int index, std::size_t field);
std::vector<uint8_t> Filled(std::size_t size, uint8_t first);  // first, first+1, ... so misplaced bytes show

}  // namespace elf_fixture
