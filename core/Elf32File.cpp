#include "core/Elf32File.h"

#include <algorithm>

namespace {

constexpr std::size_t kFileHeaderSize = 52;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSymbolSize = 16;

uint32_t Le32(std::span<const uint8_t> b, std::size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

uint16_t Le16(std::span<const uint8_t> b, std::size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

bool InFile(std::span<const uint8_t> file, uint64_t offset, uint64_t size) {
    return offset <= file.size() && size <= file.size() - offset;
}

// A zero-terminated name at offset within table; nothing when it does not end inside the table.
std::optional<std::string_view> NameAt(std::span<const uint8_t> table, uint32_t offset) {
    if (offset >= table.size()) return std::nullopt;
    const auto rest = table.subspan(offset);
    const auto end = std::find(rest.begin(), rest.end(), uint8_t{0});
    if (end == rest.end()) return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(rest.data()), static_cast<std::size_t>(end - rest.begin()));
}

}  // namespace

std::optional<Elf32File> Elf32File::Parse(std::span<const uint8_t> file) {
    if (file.size() < kFileHeaderSize) return std::nullopt;
    const uint32_t tableOffset = Le32(file, 32);
    const uint16_t count = Le16(file, 48);
    const uint16_t namesIndex = Le16(file, 50);
    if (namesIndex >= count) return std::nullopt;
    if (!InFile(file, tableOffset, uint64_t{count} * kSectionHeaderSize)) return std::nullopt;

    auto header = [&](std::size_t index) { return file.subspan(tableOffset + index * kSectionHeaderSize); };
    const uint32_t namesOffset = Le32(header(namesIndex), 16);
    const uint32_t namesSize = Le32(header(namesIndex), 20);
    if (!InFile(file, namesOffset, namesSize)) return std::nullopt;
    const auto names = file.subspan(namesOffset, namesSize);

    Elf32File elf(file);
    elf.m_sections.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto h = header(i);
        const auto name = NameAt(names, Le32(h, 0));
        if (!name) return std::nullopt;
        elf.m_sections.push_back({*name, Le32(h, 16), Le32(h, 20)});
    }
    return elf;
}

const Elf32File::Section* Elf32File::Find(std::string_view name) const {
    for (const Section& s : m_sections) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

std::optional<std::span<const uint8_t>> Elf32File::Contents(const Section& section) const {
    if (!InFile(m_file, section.offset, section.size)) return std::nullopt;
    return m_file.subspan(section.offset, section.size);
}

std::optional<std::vector<Elf32File::Symbol>> Elf32File::Symbols(const Section& symtab, const Section& strtab) const {
    const auto entries = Contents(symtab);
    const auto strings = Contents(strtab);
    if (!entries || !strings) return std::nullopt;
    std::vector<Symbol> symbols;
    symbols.reserve(entries->size() / kSymbolSize);
    for (std::size_t at = 0; at + kSymbolSize <= entries->size(); at += kSymbolSize) {
        const auto name = NameAt(*strings, Le32(*entries, at));
        if (!name) return std::nullopt;
        symbols.push_back({*name, Le32(*entries, at + 4)});
    }
    return symbols;
}
