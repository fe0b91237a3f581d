// The file layout of the built VK51x.FLM, read with the system's ELF definitions independently of the program's
// reader. Sizes and symbol values belong to the compiler and are not pinned; layout and contents are.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadFlm() {
    std::ifstream in(std::string(QX_BINARY_DIR) + "/workdir/FLM/VK51x.FLM", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

template <typename T>
T At(const std::vector<uint8_t>& file, std::size_t offset) {
    T value{};
    if (offset + sizeof(T) > file.size()) throw std::out_of_range("read past the end of VK51x.FLM");
    std::memcpy(&value, file.data() + offset, sizeof(T));
    return value;
}

struct Flm {
    std::vector<uint8_t> file;
    Elf32_Ehdr header{};
    std::vector<Elf32_Shdr> sections;
    std::vector<std::string> names;
    std::map<std::string, Elf32_Sym> symbols;

    explicit Flm(std::vector<uint8_t> bytes) : file(std::move(bytes)) {
        header = At<Elf32_Ehdr>(file, 0);
        for (std::size_t i = 0; i < header.e_shnum; ++i) {
            sections.push_back(At<Elf32_Shdr>(file, header.e_shoff + i * sizeof(Elf32_Shdr)));
        }
        const Elf32_Shdr& shstr = sections.at(header.e_shstrndx);
        for (const Elf32_Shdr& s : sections)
            names.push_back(CString(shstr.sh_offset + s.sh_name));
        const Elf32_Shdr& symtab = Section(".symtab");
        const Elf32_Shdr& strtab = sections.at(symtab.sh_link);
        for (std::size_t at = 0; at + sizeof(Elf32_Sym) <= symtab.sh_size; at += sizeof(Elf32_Sym)) {
            const auto sym = At<Elf32_Sym>(file, symtab.sh_offset + at);
            symbols[CString(strtab.sh_offset + sym.st_name)] = sym;
        }
    }

    std::string CString(std::size_t offset) const {
        std::string s;
        while (At<char>(file, offset) != 0)
            s += At<char>(file, offset++);
        return s;
    }

    int Index(const std::string& name) const {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) return static_cast<int>(i);
        }
        return -1;
    }

    const Elf32_Shdr& Section(const std::string& name) const {
        const int i = Index(name);
        if (i < 0) throw std::runtime_error("no section " + name);
        return sections[static_cast<std::size_t>(i)];
    }
};

TEST(Vk51xFlm, IsAHardFloatThumbExecutableForTheArmEabi) {
    const Flm flm(ReadFlm());
    EXPECT_EQ(std::memcmp(flm.header.e_ident, ELFMAG, SELFMAG), 0);
    EXPECT_EQ(flm.header.e_ident[EI_CLASS], ELFCLASS32);
    EXPECT_EQ(flm.header.e_ident[EI_DATA], ELFDATA2LSB);
    EXPECT_EQ(flm.header.e_type, ET_EXEC);
    EXPECT_EQ(flm.header.e_machine, EM_ARM);
    EXPECT_EQ(flm.header.e_flags & EF_ARM_EABIMASK, EF_ARM_EABI_VER5);
    EXPECT_TRUE(flm.header.e_flags & EF_ARM_ABI_FLOAT_HARD);
}

TEST(Vk51xFlm, CodeAndDataFollowEachOtherFromAddressZero) {
    const Flm flm(ReadFlm());
    const int code = flm.Index("PrgCode"), data = flm.Index("PrgData"), device = flm.Index("DevDscr");
    ASSERT_GT(code, 0);
    ASSERT_GT(data, code);
    ASSERT_GT(device, data);
    const Elf32_Shdr& c = flm.Section("PrgCode");
    const Elf32_Shdr& d = flm.Section("PrgData");
    EXPECT_EQ(c.sh_addr, 0u);
    EXPECT_EQ(c.sh_type, static_cast<Elf32_Word>(SHT_PROGBITS));
    EXPECT_EQ(c.sh_flags & (SHF_ALLOC | SHF_EXECINSTR), static_cast<Elf32_Word>(SHF_ALLOC | SHF_EXECINSTR));
    EXPECT_GT(c.sh_size, 0u);
    EXPECT_EQ(d.sh_addr, c.sh_addr + c.sh_size);
    EXPECT_EQ(d.sh_type, static_cast<Elf32_Word>(SHT_PROGBITS));  // contents in the file, not left to a loader
    EXPECT_GT(d.sh_size, 0u);
    // Nothing else is loaded: the downloader takes only these two.
    for (std::size_t i = 0; i < flm.sections.size(); ++i) {
        if (flm.names[i] == "PrgCode" || flm.names[i] == "PrgData" || flm.names[i] == "DevDscr") continue;
        EXPECT_FALSE(flm.sections[i].sh_flags & SHF_ALLOC) << flm.names[i];
    }
}

// The downloader copies PrgData as it stands: four zero bytes, then base_adr, initially 0.
TEST(Vk51xFlm, DataIsFourZeroBytesThenBaseAddress) {
    const Flm flm(ReadFlm());
    const Elf32_Shdr& d = flm.Section("PrgData");
    ASSERT_EQ(d.sh_size, 8u);
    for (std::size_t off = 0; off < 8; ++off)
        EXPECT_EQ(At<uint8_t>(flm.file, d.sh_offset + off), 0) << off;
    ASSERT_TRUE(flm.symbols.count("base_adr"));
    const Elf32_Sym& base = flm.symbols.at("base_adr");
    EXPECT_EQ(base.st_value, d.sh_addr + 4);
    EXPECT_EQ(base.st_size, 4u);
    EXPECT_EQ(ELF32_ST_TYPE(base.st_info), STT_OBJECT);
    EXPECT_EQ(ELF32_ST_BIND(base.st_info), STB_GLOBAL);
    EXPECT_EQ(base.st_shndx, flm.Index("PrgData"));
}

// What a reader of the file finds by name: the entry points, base_adr and FlashDevice, and no helper of the build.
TEST(Vk51xFlm, GlobalSymbolsAreTheInterfaceOnly) {
    const Flm flm(ReadFlm());
    std::set<std::string> globals;
    for (const auto& [name, sym] : flm.symbols) {
        if (ELF32_ST_BIND(sym.st_info) == STB_GLOBAL && sym.st_shndx != SHN_UNDEF) globals.insert(name);
    }
    EXPECT_EQ(globals, (std::set<std::string>{"Init", "UnInit", "EraseChip", "EraseSector", "ProgramPage", "base_adr",
                                              "FlashDevice"}));
}

TEST(Vk51xFlm, NeedsNoRelocatingToRunAnywhere) {
    const Flm flm(ReadFlm());
    for (const std::string& name : flm.names) {
        EXPECT_EQ(name.rfind(".got", 0), std::string::npos) << name;
        EXPECT_EQ(name.rfind(".rel", 0), std::string::npos) << name;
        EXPECT_NE(name, ".dynamic");
    }
    for (const Elf32_Shdr& s : flm.sections) {
        EXPECT_NE(s.sh_type, static_cast<Elf32_Word>(SHT_REL));
        EXPECT_NE(s.sh_type, static_cast<Elf32_Word>(SHT_RELA));
        EXPECT_NE(s.sh_type, static_cast<Elf32_Word>(SHT_DYNAMIC));
    }
    EXPECT_EQ(flm.Index(".interp"), -1);
}

TEST(Vk51xFlm, EntryPointsAreThumbFunctionsInPrgCodeAndTheDebugInfoStays) {
    const Flm flm(ReadFlm());
    const Elf32_Shdr& code = flm.Section("PrgCode");
    for (const char* name : {"Init", "UnInit", "EraseChip", "EraseSector", "ProgramPage"}) {
        ASSERT_TRUE(flm.symbols.count(name)) << name;
        const Elf32_Sym& sym = flm.symbols.at(name);
        EXPECT_EQ(ELF32_ST_TYPE(sym.st_info), STT_FUNC) << name;
        EXPECT_EQ(ELF32_ST_BIND(sym.st_info), STB_GLOBAL) << name;
        EXPECT_EQ(sym.st_value & 1u, 1u) << name;
        EXPECT_LT(sym.st_value, code.sh_addr + code.sh_size) << name;
        EXPECT_EQ(sym.st_shndx, flm.Index("PrgCode")) << name;
    }
    for (const char* absent : {"Verify", "EraseOption", "WriteOption"})
        EXPECT_FALSE(flm.symbols.count(absent));
    EXPECT_GE(flm.Index(".debug_info"), 0);
}

TEST(Vk51xFlm, DeviceDescriptionMatchesTheChip) {
    const Flm flm(ReadFlm());
    const Elf32_Shdr& dev = flm.Section("DevDscr");
    ASSERT_EQ(dev.sh_size, 4256u);
    ASSERT_TRUE(flm.symbols.count("FlashDevice"));
    EXPECT_EQ(flm.symbols.at("FlashDevice").st_value, dev.sh_addr);
    EXPECT_EQ(flm.symbols.at("FlashDevice").st_size, 4256u);

    const std::size_t at = dev.sh_offset;
    auto u16 = [&](std::size_t off) { return At<uint16_t>(flm.file, at + off); };
    auto u32 = [&](std::size_t off) { return At<uint32_t>(flm.file, at + off); };
    EXPECT_EQ(u16(0), 0x0101);
    char name[128];
    std::memcpy(name, flm.file.data() + at + 2, sizeof name);
    EXPECT_STREQ(name, "VK51x Flash");
    EXPECT_TRUE(std::all_of(name + std::strlen(name), name + sizeof name, [](char c) { return c == 0; }));
    EXPECT_EQ(u16(130), 1);
    EXPECT_EQ(u32(132), 0x08000000u);
    EXPECT_EQ(u32(136), 0x20000u);
    EXPECT_EQ(u32(140), 0x800u);
    EXPECT_EQ(u32(144), 0u);
    EXPECT_EQ(u32(148), 0xFFu);  // valEmpty, then three zero bytes
    EXPECT_EQ(u32(152), 100u);
    EXPECT_EQ(u32(156), 500u);
    EXPECT_EQ(u32(160), 0x800u);
    EXPECT_EQ(u32(164), 0u);
    EXPECT_EQ(u32(168), 0xFFFFFFFFu);
    EXPECT_EQ(u32(172), 0xFFFFFFFFu);
    for (std::size_t off = 176; off < 4256; off += 4)
        ASSERT_EQ(u32(off), 0u) << off;
}

}  // namespace
