#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ElfFixture.h"
#include "core/ChipSeriesTable.h"
#include "framework/Files.h"
#include "tests/framework/TempFolder.h"

namespace {

using namespace elf_fixture;

constexpr char16_t kNotElf[] = u"非ELF 格式文件或者文件已被损坏";
constexpr char16_t kBadElf[] = u"无效ELF";

// The shape of a real flash algorithm: code, data, a device description that is not loaded, the entry points.
ElfFixture ExampleAlgorithm() {
    ElfFixture elf;
    elf.sections = {{"PrgCode", Filled(0x1DC, 0x10)}, {"PrgData", Filled(8, 0xA0)}, {"DevDscr", Filled(0x10A0, 0x55)}};
    elf.symbols = {{"$t", 0},
                   {"Init", 0x1},
                   {"UnInit", 0x3D},
                   {"EraseChip", 0x4F},
                   {"EraseSector", 0x11F},
                   {"ProgramPage", 0x15F},
                   {"FlashDevice", 0x1E4}};
    return elf;
}

class FlmReader : public ::testing::Test {
protected:
    void SetUp() override {
        m_table.ReadRows({u"CLASS=VK51X", u"SRAMSTARTADDR=0x20000000", u"SRAMSIZE=0x5000", u"PAGESIZE=0x200",
                          u"FLMFILE=VK51x.FLM", u"CLASS=WRAP", u"SRAMSTARTADDR=0xFFFFFF00", u"SRAMSIZE=0x200",
                          u"PAGESIZE=0x200", u"CLASS=NOPAGE", u"SRAMSTARTADDR=0x20000000", u"SRAMSIZE=0x5000"});
    }

    FlashAlgoDescriptor Descriptor() const {
        return FlashAlgoDescriptor::FromBytes(std::span<const uint8_t, 64>(m_table.m_pAlgoDescriptor.get(), 64));
    }
    std::vector<uint8_t> Blob() const {
        return {m_table.m_pAlgoBlob.get(), m_table.m_pAlgoBlob.get() + m_table.m_algoBlobSize};
    }

    std::vector<fw::Text> m_boxes;
    CChipSeriesTable m_table{[this](const fw::Text& text) { m_boxes.push_back(text); }};
};

TEST_F(FlmReader, BuildsDescriptorAndBlobOfTheExampleAlgorithm) {
    const ElfFixture elf = ExampleAlgorithm();
    ASSERT_EQ(m_table.LoadFlmImage(elf.Build(), 0), 1);
    EXPECT_TRUE(m_boxes.empty());
    const uint32_t s = 0x20000000;
    const FlashAlgoDescriptor d = Descriptor();
    EXPECT_EQ(d.init, s + 0x21);
    EXPECT_EQ(d.unInit, s + 0x5D);
    EXPECT_EQ(d.eraseChip, s + 0x6F);
    EXPECT_EQ(d.eraseSector, s + 0x13F);
    EXPECT_EQ(d.programPage, s + 0x17F);
    EXPECT_EQ(d.verify, 0xFFFFFFFFu);
    EXPECT_EQ(d.eraseOption, 0xFFFFFFFFu);
    EXPECT_EQ(d.writeOption, 0xFFFFFFFFu);
    EXPECT_EQ(d.breakpoint, s + 1);
    EXPECT_EQ(d.staticBase, s + 0x600);
    EXPECT_EQ(d.stackPointer, s + 0x5000 - 0x200);
    EXPECT_EQ(d.programBuffer, s + 0x400);
    EXPECT_EQ(d.loadAddress, s);
    EXPECT_EQ(d.imageSize, 0x204u);
    EXPECT_EQ(d.imageOffset, 64u);
    EXPECT_EQ(d.programBufferSize, 0x200u);

    // Descriptor, stub, code and data back to back; the device description is not part of it.
    const std::vector<uint8_t> blob = Blob();
    ASSERT_EQ(blob.size(), 0x244u);
    const auto descriptor = d.ToBytes();
    EXPECT_TRUE(std::equal(descriptor.begin(), descriptor.end(), blob.begin()));
    // The header stub every flash-algorithm loader expects, word by word.
    const uint32_t kHeaderStub[8] = {0xE00ABE00, 0x062D780D, 0x24084068, 0xD3000040,
                                     0x1E644058, 0x1C49D1FA, 0x2A001E52, 0x4770D1F2};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(Get32(blob, 64 + i * 4), kHeaderStub[i]) << i;
    const auto code = Filled(0x1DC, 0x10), data = Filled(8, 0xA0);
    EXPECT_TRUE(std::equal(code.begin(), code.end(), blob.begin() + 96));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), blob.begin() + 96 + 0x1DC));
}

TEST_F(FlmReader, AddressesWrapAroundAtFourGigabytes) {
    ASSERT_EQ(m_table.LoadFlmImage(ExampleAlgorithm().Build(), 1), 1);
    const FlashAlgoDescriptor d = Descriptor();
    EXPECT_EQ(d.init, 0x00000021u - 0x100u);
    EXPECT_EQ(d.programBuffer, 0x00000300u);
    EXPECT_EQ(d.stackPointer, 0xFFFFFF00u);
}

TEST_F(FlmReader, AnImageOfExactlyOnePageGetsItsBufferTwoPagesUp) {
    ElfFixture elf;
    elf.sections = {{"PrgCode", Filled(0x200 - 32 - 8, 0)}, {"PrgData", Filled(8, 0)}};
    ASSERT_EQ(m_table.LoadFlmImage(elf.Build(), 0), 1);
    EXPECT_EQ(Descriptor().imageSize, 0x200u);
    EXPECT_EQ(Descriptor().programBuffer, 0x20000400u);
}

TEST_F(FlmReader, EntryPointsMatchTheirNamesExactlyAndTheLastOneWins) {
    ElfFixture elf;
    elf.sections = {{"PrgCode", Filled(0x40, 0)}};
    elf.symbols = {{"init", 0x5}, {"Init_", 0x7}, {"UnInit", 0x9}, {"UnInit", 0xB}, {"Verify", 0x11}};
    ASSERT_EQ(m_table.LoadFlmImage(elf.Build(), 0), 1);
    EXPECT_EQ(Descriptor().init, 0xFFFFFFFFu);
    EXPECT_EQ(Descriptor().unInit, 0x20000000u + 32 + 0xB);
    EXPECT_EQ(Descriptor().verify, 0x20000000u + 32 + 0x11);
}

TEST_F(FlmReader, OnlySectionsNamedExactlyPrgCodeOrPrgDataAreCopiedInTableOrder) {
    ElfFixture elf;
    elf.sections = {{"PrgData", Filled(4, 0xD0)},
                    {"PrgCodeX", Filled(4, 0xE0)},
                    {"PrgCode", Filled(4, 0xC0)},
                    {"prgcode", Filled(4, 0xF0)}};
    ASSERT_EQ(m_table.LoadFlmImage(elf.Build(), 0), 1);
    const std::vector<uint8_t> blob = Blob();
    ASSERT_EQ(blob.size(), 96u + 8);
    EXPECT_EQ(Get32(blob, 96), 0xD3D2D1D0u);
    EXPECT_EQ(Get32(blob, 100), 0xC3C2C1C0u);
}

TEST_F(FlmReader, AFileWithoutSymbolTableHasNoEntryPoints) {
    ElfFixture elf = ExampleAlgorithm();
    elf.withSymbolTable = false;
    ASSERT_EQ(m_table.LoadFlmImage(elf.Build(), 0), 1);
    EXPECT_EQ(Descriptor().init, 0xFFFFFFFFu);
    EXPECT_EQ(Descriptor().programPage, 0xFFFFFFFFu);
    EXPECT_EQ(Descriptor().imageSize, 0x204u);
}

// Every refusal shows its message (or none), answers 0 and leaves the records of the last build as they were.
struct Refusal {
    const char* name;
    std::function<std::vector<uint8_t>()> file;
    const char16_t* box;  // null: no message
    int row = 0;
};

std::vector<uint8_t> Damaged(const std::function<void(std::vector<uint8_t>&, const ElfFixture&)>& damage) {
    const ElfFixture elf = ExampleAlgorithm();
    std::vector<uint8_t> file = elf.Build();
    damage(file, elf);
    return file;
}

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> WithClass(uint8_t elfClass) {
    return Damaged([&](std::vector<uint8_t>& f, const ElfFixture&) { f[4] = elfClass; });
}

class FlmRefusal : public FlmReader, public ::testing::WithParamInterface<Refusal> {};

TEST_P(FlmRefusal, KeepsThePreviousAlgorithm) {
    ASSERT_EQ(m_table.LoadFlmImage(ExampleAlgorithm().Build(), 0), 1);
    const std::vector<uint8_t> blobBefore = Blob();
    const auto descriptorBefore = Descriptor().ToBytes();

    EXPECT_EQ(m_table.LoadFlmImage(GetParam().file(), GetParam().row), 0);
    if (GetParam().box) {
        EXPECT_EQ(m_boxes, std::vector<fw::Text>{GetParam().box});
    } else {
        EXPECT_TRUE(m_boxes.empty());
    }
    EXPECT_EQ(Blob(), blobBefore);
    EXPECT_EQ(Descriptor().ToBytes(), descriptorBefore);
}

const Refusal kRefusals[] = {
    {"TextFile", [] { return Bytes("CLASS=VK51X\r\nnot an algorithm\r\n"); }, kNotElf},
    {"ShorterThanMagic",
     [] {
         return Bytes(
             "\x7F"
             "EL");
     },
     kNotElf},
    {"MagicOnly",
     [] {
         return Bytes(
             "\x7F"
             "ELF");
     },
     kBadElf},
    {"ClassZero", [] { return WithClass(0); }, kBadElf},
    {"ClassThree", [] { return WithClass(3); }, kBadElf},
    {"SixtyFourBit", [] { return WithClass(2); }, kBadElf},
    {"HeaderCutShort", [] { return std::vector<uint8_t>{0x7F, 'E', 'L', 'F', 1, 1, 1, 0, 0, 0}; }, kNotElf},
    {"SectionTablePastTheEnd",
     [] { return Damaged([](auto& f, auto&) { Put32(f, 32, static_cast<uint32_t>(f.size()) - 8); }); }, kNotElf},
    {"SectionTableOffsetHuge", [] { return Damaged([](auto& f, auto&) { Put32(f, 32, 0xFFFFFFF0u); }); }, kNotElf},
    {"SectionCountPastTheEnd", [] { return Damaged([](auto& f, auto&) { Put16(f, 48, 0xFFFF); }); }, kNotElf},
    {"NameTableIndexPastTheCount", [] { return Damaged([](auto& f, auto&) { Put16(f, 50, 40); }); }, kNotElf},
    {"NoSections",
     [] {
         return Damaged([](auto& f, auto&) {
             Put16(f, 48, 0);
             Put16(f, 50, 0);
         });
     },
     kNotElf},
    {"NameTablePastTheEnd",
     [] {
         return Damaged(
             [](auto& f, auto& e) { Put32(f, SectionField(f, e.IndexOf(".shstrtab"), kSizeField), 0x7FFFFFFF); });
     },
     kNotElf},
    {"SectionNamePastItsTable",
     [] {
         return Damaged(
             [](auto& f, auto& e) { Put32(f, SectionField(f, e.IndexOf("DevDscr"), kNameField), 0x100000); });
     },
     kNotElf},
    {"NameTableWithoutTerminator",
     [] {
         return Damaged([](auto& f, auto& e) {
             const std::size_t sizeField = SectionField(f, e.IndexOf(".shstrtab"), kSizeField);
             Put32(f, sizeField, Get32(f, sizeField) - 1);
         });
     },
     kNotElf},
    {"CodePastTheEnd",
     [] {
         return Damaged(
             [](auto& f, auto& e) { Put32(f, SectionField(f, e.IndexOf("PrgCode"), kSizeField), 0xFFFFFFF0u); });
     },
     kNotElf},
    {"CodeOffsetPastTheEnd",
     [] {
         return Damaged(
             [](auto& f, auto& e) { Put32(f, SectionField(f, e.IndexOf("PrgData"), kOffsetField), 0xFFFFFFFCu); });
     },
     kNotElf},
    {"CopiedSectionsLargerThanTheFile",
     [] {
         ElfFixture elf = ExampleAlgorithm();
         for (int i = 0; i < 3; ++i)
             elf.sections.push_back({"PrgData", {}});
         std::vector<uint8_t> f = elf.Build();
         // Three more PrgData headers all covering the whole file.
         for (int i = 4; i <= 6; ++i) {
             Put32(f, SectionField(f, i, kOffsetField), 0);
             Put32(f, SectionField(f, i, kSizeField), static_cast<uint32_t>(f.size()));
         }
         return f;
     },
     kNotElf},
    {"SymbolTablePastTheEnd",
     [] {
         return Damaged(
             [](auto& f, auto& e) { Put32(f, SectionField(f, e.IndexOf(".symtab"), kOffsetField), 0xFFFFFF00u); });
     },
     kNotElf},
    {"SymbolNamePastItsTable",
     [] {
         return Damaged([](auto& f, auto& e) {
             const uint32_t symtab = Get32(f, SectionField(f, e.IndexOf(".symtab"), kOffsetField));
             Put32(f, symtab + 16 * 2, 0x7FFFFFF0u);
         });
     },
     kNotElf},
    {"PageSizeZero", [] { return ExampleAlgorithm().Build(); }, nullptr, 2},
    {"RowNotLoaded", [] { return ExampleAlgorithm().Build(); }, nullptr, 3},
    {"NegativeRow", [] { return ExampleAlgorithm().Build(); }, nullptr, -1},
};

INSTANTIATE_TEST_SUITE_P(Files, FlmRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& refusal) { return std::string(refusal.param.name); });

class FlmReaderFile : public FlmReader {
protected:
    void SetUp() override {
        FlmReader::SetUp();
        m_oldDir = fw::GetWorkingDirectory();
        ASSERT_TRUE(fw::SetWorkingDirectory(m_dir.Wide()));
    }
    void TearDown() override { fw::SetWorkingDirectory(m_oldDir); }

    fw::testing::TempFolder m_dir;
    fw::Text m_oldDir;
};

TEST_F(FlmReaderFile, FindsTheRowsFileWhateverTheCaseOfItsName) {
    const std::vector<uint8_t> file = ExampleAlgorithm().Build();
    m_dir.Write("FLM/VK51x.FLM", std::string(file.begin(), file.end()));
    ASSERT_EQ(m_table.m_rows[0].FLMFILE, u"VK51X.FLM");
    EXPECT_EQ(m_table.LoadFlm(m_table.FlmPath(0), 0), 1);
    EXPECT_EQ(m_table.m_algoBlobSize, 0x244u);
}

TEST_F(FlmReaderFile, MissingFileOrEmptyPathFailsWithoutMessage) {
    EXPECT_EQ(m_table.LoadFlm(m_table.FlmPath(0), 0), 0);
    EXPECT_EQ(m_table.LoadFlm(u"", 0), 0);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(m_table.m_pAlgoBlob, nullptr);
    EXPECT_EQ(m_table.m_pAlgoDescriptor, nullptr);
}

}  // namespace
