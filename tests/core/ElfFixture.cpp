#include "ElfFixture.h"

namespace elf_fixture {

uint32_t Get32(const std::vector<uint8_t>& file, std::size_t at) {
    return file.at(at) | file.at(at + 1) << 8 | file.at(at + 2) << 16 | static_cast<uint32_t>(file.at(at + 3)) << 24;
}

void Put32(std::vector<uint8_t>& file, std::size_t at, uint32_t value) {
    for (std::size_t b = 0; b < 4; ++b)
        file.at(at + b) = static_cast<uint8_t>(value >> (8 * b));
}

void Put16(std::vector<uint8_t>& file, std::size_t at, uint16_t value) {
    file.at(at) = static_cast<uint8_t>(value);
    file.at(at + 1) = static_cast<uint8_t>(value >> 8);
}

std::size_t SectionField(const std::vector<uint8_t>& file, int index, std::size_t field) {
    return Get32(file, 32) + static_cast<std::size_t>(index) * kSectionHeaderSize + field;
}

std::vector<uint8_t> Filled(std::size_t size, uint8_t first) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

}  // namespace elf_fixture

using namespace elf_fixture;

namespace {

struct Header {
    uint32_t name, offset, size;
};

uint32_t AddName(std::vector<uint8_t>& table, const std::string& name) {
    const auto at = static_cast<uint32_t>(table.size());
    table.insert(table.end(), name.begin(), name.end());
    table.push_back(0);
    return at;
}

uint32_t Append(std::vector<uint8_t>& file, const std::vector<uint8_t>& bytes) {
    const auto at = static_cast<uint32_t>(file.size());
    file.insert(file.end(), bytes.begin(), bytes.end());
    return at;
}

}  // namespace

std::vector<uint8_t> ElfFixture::Build() const {
    std::vector<uint8_t> file(52, 0);
    file[0] = 0x7F;
    file[1] = 'E';
    file[2] = 'L';
    file[3] = 'F';
    file[4] = 1;  // 32-bit
    file[5] = 1;  // little-endian
    file[6] = 1;
    Put16(file, 16, 2);   // executable
    Put16(file, 18, 40);  // ARM
    Put32(file, 20, 1);
    Put16(file, 40, 52);
    Put16(file, 46, static_cast<uint16_t>(kSectionHeaderSize));

    std::vector<uint8_t> sectionNames(1, 0);
    std::vector<Header> headers{{0, 0, 0}};
    for (const Section& s : sections)
        headers.push_back(
            {AddName(sectionNames, s.name), Append(file, s.bytes), static_cast<uint32_t>(s.bytes.size())});
    if (withSymbolTable) {
        std::vector<uint8_t> strings(1, 0);
        std::vector<uint8_t> table(16, 0);
        for (const Symbol& sym : symbols) {
            std::vector<uint8_t> entry(16, 0);
            Put32(entry, 0, AddName(strings, sym.name));
            Put32(entry, 4, sym.value);
            entry[12] = 0x12;  // global function
            table.insert(table.end(), entry.begin(), entry.end());
        }
        headers.push_back({AddName(sectionNames, ".symtab"), Append(file, table), static_cast<uint32_t>(table.size())});
        headers.push_back(
            {AddName(sectionNames, ".strtab"), Append(file, strings), static_cast<uint32_t>(strings.size())});
    }
    const uint32_t namesName = AddName(sectionNames, ".shstrtab");
    headers.push_back({namesName, Append(file, sectionNames), static_cast<uint32_t>(sectionNames.size())});

    while (file.size() % 4)
        file.push_back(0);
    Put32(file, 32, static_cast<uint32_t>(file.size()));
    Put16(file, 48, static_cast<uint16_t>(headers.size()));
    Put16(file, 50, static_cast<uint16_t>(headers.size() - 1));
    for (const Header& h : headers) {
        std::vector<uint8_t> entry(kSectionHeaderSize, 0);
        Put32(entry, kNameField, h.name);
        Put32(entry, 4, h.name == 0 ? 0 : 1);  // PROGBITS; types are not read, but keep the file honest
        Put32(entry, kOffsetField, h.offset);
        Put32(entry, kSizeField, h.size);
        Append(file, entry);
    }
    return file;
}

int ElfFixture::IndexOf(const std::string& name) const {
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (sections[i].name == name) return static_cast<int>(i) + 1;
    }
    if (withSymbolTable && name == ".symtab") return static_cast<int>(sections.size()) + 1;
    if (withSymbolTable && name == ".strtab") return static_cast<int>(sections.size()) + 2;
    if (name == ".shstrtab") return static_cast<int>(sections.size()) + (withSymbolTable ? 3 : 1);
    return -1;
}
