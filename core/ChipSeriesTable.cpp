#include "core/ChipSeriesTable.h"

#include <algorithm>
#include <optional>

#include "core/Elf32File.h"
#include "core/HexText.h"
#include "core/MessageBoxEx.h"
#include "core/Translation.h"
#include "framework/Files.h"

namespace {

// Far above any real table or flash algorithm; keeps a stray huge file from being read whole.
constexpr std::size_t kMaxTableBytes = 16u << 20;
constexpr std::size_t kMaxFlmBytes = 16u << 20;

constexpr fw::TextView kTableFileName = u"Series CFG Table.ini";

fw::Text ChipSeriesRow::*FieldOf(ChipTableKey key) {
    switch (key) {
        case ChipTableKey::Class:
            return &ChipSeriesRow::CLASS;
        case ChipTableKey::ChipMark:
            return &ChipSeriesRow::CHIPMARK;
        case ChipTableKey::FlashStartAddr:
            return &ChipSeriesRow::FLASHSTARTADDR;
        case ChipTableKey::SramStartAddr:
            return &ChipSeriesRow::SRAMSTARTADDR;
        case ChipTableKey::FlashSize:
            return &ChipSeriesRow::FLASHSIZE;
        case ChipTableKey::SramSize:
            return &ChipSeriesRow::SRAMSIZE;
        case ChipTableKey::FlmFile:
            return &ChipSeriesRow::FLMFILE;
        case ChipTableKey::PageSize:
            return &ChipSeriesRow::PAGESIZE;
    }
    return &ChipSeriesRow::CLASS;
}

uint32_t HexField(const fw::Text& text) { return static_cast<uint32_t>(HexToInt(text)); }

enum class Build { Done, Damaged, NoPageSize };

struct BuiltAlgo {
    Build result = Build::Damaged;
    std::vector<uint8_t> blob;
};

BuiltAlgo BuildFrom(std::span<const uint8_t> file, const ChipSeriesRow& row) {
    const uint32_t sramStart = HexField(row.SRAMSTARTADDR);
    const uint32_t sramSize = HexField(row.SRAMSIZE);
    const uint32_t pageSize = HexField(row.PAGESIZE);
    if (pageSize == 0) return {Build::NoPageSize, {}};

    const auto elf = Elf32File::Parse(file);
    if (!elf) return {};

    std::vector<uint8_t> blob(FlashAlgoBlob::kCodeOffset);
    for (std::size_t i = 0; i < FlashAlgoBlob::kStub.size(); ++i) {
        for (std::size_t b = 0; b < 4; ++b) {
            blob[FlashAlgoBlob::kImageOffset + i * 4 + b] = static_cast<uint8_t>(FlashAlgoBlob::kStub[i] >> (8 * b));
        }
    }
    for (const Elf32File::Section& section : elf->Sections()) {
        if (section.name != "PrgCode" && section.name != "PrgData") continue;
        const auto contents = elf->Contents(section);
        // Code and data are parts of the file, so together with the blob's header they never outgrow it; sections
        // that overlap to look larger are a damaged file.
        if (!contents || contents->size() > file.size() || blob.size() > file.size() - contents->size()) return {};
        blob.insert(blob.end(), contents->begin(), contents->end());
    }

    FlashAlgoDescriptor d;
    const Elf32File::Section* symtab = elf->Find(".symtab");
    const Elf32File::Section* strtab = elf->Find(".strtab");
    if (symtab && strtab) {
        const auto symbols = elf->Symbols(*symtab, *strtab);
        if (!symbols) return {};
        for (const Elf32File::Symbol& symbol : *symbols) {
            const auto& names = FlashAlgoDescriptor::kEntryNames;
            const auto* name = std::find(std::begin(names), std::end(names), symbol.name);
            if (name == std::end(names)) continue;
            d.Word(static_cast<std::size_t>(name - std::begin(names))) =
                sramStart + static_cast<uint32_t>(FlashAlgoBlob::kStubSize) + symbol.value;
        }
    }

    d.imageSize = static_cast<uint32_t>(blob.size() - FlashAlgoBlob::kImageOffset);
    d.programBufferSize = pageSize;
    // The first page boundary above the image, one page further when the image ends exactly on one.
    d.programBuffer = sramStart + (d.imageSize / pageSize + 1) * pageSize;
    d.loadAddress = sramStart;
    d.imageOffset = static_cast<uint32_t>(FlashAlgoBlob::kImageOffset);
    d.breakpoint = sramStart + 1;
    d.staticBase = d.programBuffer + pageSize;
    d.stackPointer = sramStart + sramSize - pageSize;

    const auto descriptor = d.ToBytes();
    std::copy(descriptor.begin(), descriptor.end(), blob.begin());
    return {Build::Done, std::move(blob)};
}

}  // namespace

CChipSeriesTable::CChipSeriesTable(ChipTableMessageBox messageBox)
    : m_rows(kMaxRows), m_messageBox(std::move(messageBox)) {}

void CChipSeriesTable::ShowMessage(const fw::Text& text) const {
    if (m_messageBox) {
        m_messageBox(text);
    } else {
        CMessageBoxEx().MessageBox(nullptr, text, 0);
    }
}

int CChipSeriesTable::Load() {
    std::vector<fw::Text> lines;
    const fw::Text path = fw::ResolvePathNoCase(fw::JoinPath(fw::GetWorkingDirectory(), kTableFileName));
    if (!fw::ReadLines(path, kMaxTableBytes, lines)) {
        ReadRows({});
        ShowMessage(TranslateText(u"Series CFG Table 配置文件打开失败！"));
        return 0;
    }
    ReadRows(lines);
    return 1;
}

void CChipSeriesTable::ReadRows(const std::vector<fw::Text>& lines) {
    // Rows from m_rowCount on are empty already: only the table itself writes them.
    std::fill_n(m_rows.begin(), std::clamp(m_rowCount, 0, kMaxRows), ChipSeriesRow{});
    m_rowCount = 0;
    ChipSeriesRow* current = nullptr;  // null before the first row and past the table's room
    for (const fw::Text& line : lines) {
        auto parsed = ParseChipTableLine(line);
        if (!parsed) continue;
        if (parsed->key == ChipTableKey::Class) {
            current = m_rowCount < kMaxRows ? &m_rows[static_cast<std::size_t>(m_rowCount++)] : nullptr;
        }
        if (current) (*current).*FieldOf(parsed->key) = std::move(parsed->value);
    }
}

fw::Text CChipSeriesTable::FlmPath(int rowIndex) const {
    if (rowIndex < 0 || rowIndex >= m_rowCount) return {};
    return fw::JoinPath(fw::JoinPath(fw::GetWorkingDirectory(), u"FLM"),
                        m_rows[static_cast<std::size_t>(rowIndex)].FLMFILE);
}

int CChipSeriesTable::LoadFlm(fw::TextView path, int rowIndex) {
    if (path.empty()) return 0;
    const fw::ReadResult file = fw::ReadWholeFile(fw::ResolvePathNoCase(path), kMaxFlmBytes);
    if (!file) return 0;
    return LoadFlmImage(file.bytes, rowIndex);
}

int CChipSeriesTable::LoadFlmImage(std::span<const uint8_t> file, int rowIndex) {
    if (rowIndex < 0 || rowIndex >= m_rowCount) return 0;
    static constexpr uint8_t kMagic[] = {0x7F, 'E', 'L', 'F'};
    if (file.size() < 4 || !std::equal(std::begin(kMagic), std::end(kMagic), file.begin())) {
        ShowMessage(TranslateText(u"非ELF 格式文件或者文件已被损坏"));
        return 0;
    }
    // Flash algorithms are 32-bit; a 64-bit file has no layout this reader knows.
    if (file.size() < 5 || file[4] != 1) {
        ShowMessage(TranslateText(u"无效ELF"));
        return 0;
    }
    return BuildFlashAlgo(file, rowIndex);
}

int CChipSeriesTable::BuildFlashAlgo(std::span<const uint8_t> file, int rowIndex) {
    BuiltAlgo built = BuildFrom(file, m_rows[static_cast<std::size_t>(rowIndex)]);
    if (built.result == Build::Damaged) ShowMessage(TranslateText(u"非ELF 格式文件或者文件已被损坏"));
    if (built.result != Build::Done) return 0;

    auto descriptor = std::make_unique<uint8_t[]>(FlashAlgoDescriptor::kSize);
    std::copy_n(built.blob.begin(), FlashAlgoDescriptor::kSize, descriptor.get());
    auto blob = std::make_unique<uint8_t[]>(built.blob.size());
    std::copy(built.blob.begin(), built.blob.end(), blob.get());
    m_pAlgoDescriptor = std::move(descriptor);
    m_pAlgoBlob = std::move(blob);
    m_algoBlobSize = static_cast<uint32_t>(built.blob.size());
    return 1;
}
