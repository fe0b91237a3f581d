// The built VK51x flash algorithm, loaded through the program's own chip table and FLM reader, run on an
// emulated Cortex-M4 against a modelled flash controller, at two different SRAM load addresses.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "AlgoEmulator.h"
#include "FlashControllerModel.h"
#include "core/ChipSeriesTable.h"
#include "framework/Files.h"
#include "tests/framework/TempFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kFlashSize = 128 * 1024;
constexpr uint32_t kPage = FlashControllerModel::kPageSize;
constexpr uint32_t kFlash = FlashControllerModel::kFlashBase;

struct LoadPoint {
    const char* name;
    const char16_t* rowClass;  // the table row whose SRAM address the algorithm is loaded at
};

// The shipped table's rows load at the start of SRAM; a row added by the test loads it elsewhere, at an address
// that is no multiple of a page or of 4 KB, and names the file in another case.
constexpr char kExtraRow[] =
    "\nCLASS=VK51XTEST\nCHIPMARK=VK51XTEST\nFLASHSTARTADDR=0x08000000\nSRAMSTARTADDR=0x20001A40\n"
    "FLASHSIZE=0x20000\nSRAMSIZE=0x3000\nFLMFILE=vk51x.flm\nPAGESIZE=0x800\n";

void PrintTo(const LoadPoint& point, std::ostream* os) { *os << point.name; }

class Vk51xAlgo : public ::testing::TestWithParam<LoadPoint> {
protected:
    void SetUp() override {
        m_dir = m_temp.Path();
        const fs::path staged = fs::path(QX_BINARY_DIR) / "workdir";
        fs::create_directories(m_dir / "FLM");
        fs::copy_file(staged / "Series CFG Table.ini", m_dir / "Series CFG Table.ini");
        fs::copy_file(staged / "FLM" / "VK51x.FLM", m_dir / "FLM" / "VK51x.FLM");
        std::ofstream(m_dir / "Series CFG Table.ini", std::ios::app) << kExtraRow;

        m_oldDir = fw::GetWorkingDirectory();
        ASSERT_TRUE(fw::SetWorkingDirectory(fw::Utf8ToText(m_dir.string())));
        CChipSeriesTable table([](const fw::Text& text) { ADD_FAILURE() << fw::TextToUtf8(text); });
        ASSERT_EQ(table.Load(), 1);
        int row = 0;
        while (row < table.m_rowCount && table.m_rows[static_cast<std::size_t>(row)].CLASS != GetParam().rowClass)
            ++row;
        ASSERT_LT(row, table.m_rowCount);
        ASSERT_EQ(table.LoadFlm(table.FlmPath(row), row), 1);

        m_blob.assign(table.m_pAlgoBlob.get(), table.m_pAlgoBlob.get() + table.m_algoBlobSize);
        m_d = FlashAlgoDescriptor::FromBytes(std::span<const uint8_t, 64>(table.m_pAlgoDescriptor.get(), 64));
        ASSERT_EQ(m_d.loadAddress,
                  GetParam().rowClass == std::u16string_view(u"VK51XTEST") ? 0x20001A40u : 0x20000000u);
        m_emu = std::make_unique<AlgoEmulator>(m_chip);
        m_emu->LoadBlob(m_blob, m_d);
    }

    void TearDown() override {
        if (!m_oldDir.empty()) fw::SetWorkingDirectory(m_oldDir);
        if (!m_emu) return;
        for (const std::string& fault : m_chip.faults)
            ADD_FAILURE() << "controller misused: " << fault;
        // The image is never written to, whatever address it runs at: the only writes outside the stack go to the
        // static data the loader pointed r9 at.
        EXPECT_EQ(m_emu->ReadRam(m_d.loadAddress, m_d.imageSize),
                  std::vector<uint8_t>(m_blob.begin() + m_d.imageOffset, m_blob.end()));
        for (const auto& w : m_emu->ramWrites) {
            EXPECT_TRUE(w.address >= m_d.staticBase && w.address + w.size <= m_d.staticBase + 8)
                << std::hex << "write of " << w.size << " bytes at 0x" << w.address;
        }
    }

    uint32_t Call(uint32_t entry, std::initializer_list<uint32_t> args) {
        const AlgoEmulator::Call call = m_emu->Run(m_d, entry, args);
        EXPECT_TRUE(call.returned) << "did not return: " << call.error;
        return call.result;
    }

    uint32_t Init() { return Call(m_d.init, {kFlash, 8000000, 1}); }

    // Puts data into the downloader's program buffer and programs it at address.
    uint32_t Program(uint32_t address, const std::vector<uint8_t>& data, uint32_t size) {
        m_emu->WriteRam(m_d.programBuffer, data);
        return Call(m_d.programPage, {address, size, m_d.programBuffer});
    }

    std::size_t WatchdogWrites() const {
        return static_cast<std::size_t>(std::count_if(m_chip.writes.begin(), m_chip.writes.end(), [](const auto& w) {
            return w.address >= FlashControllerModel::kWatchdogBase &&
                   w.address < FlashControllerModel::kWatchdogBase + 0x10;
        }));
    }

    void Fill(uint32_t from, uint32_t size, uint8_t value) {
        std::fill_n(m_chip.flash.begin() + (from - kFlash), size, value);
    }

    static std::vector<uint8_t> Pattern(uint32_t size) {
        std::vector<uint8_t> bytes(size);
        for (uint32_t i = 0; i < size; ++i)
            bytes[i] = static_cast<uint8_t>(i * 7 + 3);
        return bytes;
    }

    fw::testing::TempFolder m_temp;
    fs::path m_dir;
    fw::Text m_oldDir;
    std::vector<uint8_t> m_blob;
    FlashAlgoDescriptor m_d;
    FlashControllerModel m_chip{kFlashSize};
    std::unique_ptr<AlgoEmulator> m_emu;
};

TEST_P(Vk51xAlgo, InitUnlocksRecordsBaseAndStretchesRunningWatchdog) {
    EXPECT_EQ(Call(m_d.init, {0x080A1234, 8000000, 1}), 0u);
    EXPECT_FALSE(m_chip.control & FlashControllerModel::kLock);
    EXPECT_EQ(m_chip.acr, 0u);
    EXPECT_EQ(m_chip.watchdogPrescaler, 6u);
    EXPECT_EQ(m_chip.watchdogReload, 0xFFFu);
    // base_adr is the second word of the static data; the first stays as loaded.
    const auto data = m_emu->ReadRam(m_d.staticBase, 8);
    EXPECT_EQ(data, (std::vector<uint8_t>{0, 0, 0, 0, 0x00, 0x00, 0x08, 0x08}));  // 0x08080000: low 19 bits cleared
}

TEST_P(Vk51xAlgo, InitLeavesWatchdogAloneWhenSoftwareStartsIt) {
    m_chip.softwareWatchdog = true;
    EXPECT_EQ(Init(), 0u);
    EXPECT_FALSE(m_chip.control & FlashControllerModel::kLock);
    EXPECT_EQ(WatchdogWrites(), 0u);
}

TEST_P(Vk51xAlgo, UnInitLocksTheFlashAgain) {
    Init();
    EXPECT_EQ(Call(m_d.unInit, {1}), 0u);
    EXPECT_TRUE(m_chip.control & FlashControllerModel::kLock);
}

TEST_P(Vk51xAlgo, EraseSectorErasesOnlyItsPageFeedingTheWatchdog) {
    m_chip.busyReads = 6;
    Fill(kFlash + 2 * kPage, 3 * kPage, 0x00);
    Init();
    EXPECT_EQ(Call(m_d.eraseSector, {kFlash + 3 * kPage + 0x10}), 0u);
    EXPECT_EQ(m_chip.FlashWord(kFlash + 3 * kPage), 0xFFFFFFFFu);
    EXPECT_EQ(m_chip.FlashWord(kFlash + 4 * kPage - 4), 0xFFFFFFFFu);
    EXPECT_EQ(m_chip.FlashWord(kFlash + 3 * kPage - 4), 0u);
    EXPECT_EQ(m_chip.FlashWord(kFlash + 4 * kPage), 0u);
    EXPECT_EQ(m_chip.control, 0u);  // page erase cleared
    EXPECT_EQ(m_chip.maxEraseBusyReadsWithoutReload, 1);
}

TEST_P(Vk51xAlgo, EraseChipMassErasesAnUnprotectedChip) {
    m_chip.busyReads = 6;
    Fill(kFlash, kFlashSize, 0x5A);
    Init();
    EXPECT_EQ(Call(m_d.eraseChip, {}), 0u);
    EXPECT_TRUE(std::all_of(m_chip.flash.begin(), m_chip.flash.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(m_chip.control, 0u);
    EXPECT_EQ(m_chip.maxEraseBusyReadsWithoutReload, 1);
    EXPECT_EQ(m_chip.option[0], 0xFFFFFFFFu);
}

TEST_P(Vk51xAlgo, EraseChipOnReadProtectedChipLiftsProtectionThroughOptionBytes) {
    m_chip.readProtected = true;
    m_chip.busyReads = 6;
    m_chip.option[0] = 0x12ED33CC;
    m_chip.option[1] = 0x0FF0F00F;
    Fill(kFlash, kFlashSize, 0x5A);
    Init();
    EXPECT_EQ(Call(m_d.eraseChip, {}), 0u);
    EXPECT_TRUE(m_chip.optionUnlocked);
    // The upper half as the option erase left it, read protection off in the low byte; the rest stays erased.
    EXPECT_EQ(m_chip.option[0], 0xFFFF00A5u);
    EXPECT_EQ(m_chip.option[1], 0xFFFFFFFFu);
    EXPECT_EQ(m_chip.FlashWord(kFlash), 0xFFFFFFFFu);
    EXPECT_EQ(m_chip.control, 0u);  // option erase and option program cleared
    EXPECT_EQ(m_chip.maxEraseBusyReadsWithoutReload, 1);
}

TEST_P(Vk51xAlgo, ProgramPageWritesAWholePageReloadingTheWatchdogOnce) {
    m_chip.busyReads = 2;
    Init();
    const int reloadsBefore = m_chip.watchdogReloads;
    const auto data = Pattern(kPage);
    EXPECT_EQ(Program(kFlash + kPage, data, kPage), 0u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), m_chip.flash.begin() + kPage));
    EXPECT_EQ(m_chip.watchdogReloads - reloadsBefore, 1);
    const auto flashWrites = std::count_if(m_chip.writes.begin(), m_chip.writes.end(), [](const auto& w) {
        return w.address >= kFlash && w.address < kFlash + kFlashSize;
    });
    EXPECT_EQ(flashWrites, 512);
    EXPECT_EQ(m_chip.control, 0u);
}

TEST_P(Vk51xAlgo, ProgramPageRoundsTheSizeUpToWholeWords) {
    Init();
    EXPECT_EQ(Program(kFlash + 0x100, Pattern(12), 6), 0u);
    EXPECT_NE(m_chip.FlashWord(kFlash + 0x104), 0xFFFFFFFFu);
    EXPECT_EQ(m_chip.FlashWord(kFlash + 0x108), 0xFFFFFFFFu);
    EXPECT_EQ(Program(kFlash + 0x200, Pattern(4), 0), 0u);
    EXPECT_EQ(m_chip.FlashWord(kFlash + 0x200), 0xFFFFFFFFu);
}

TEST_P(Vk51xAlgo, ProgramPageStopsAtAWordThatIsNotErased) {
    Init();
    m_chip.SetFlashWord(kFlash + 0x08, 0x12345678);
    EXPECT_EQ(Program(kFlash, Pattern(16), 16), 1u);
    EXPECT_EQ(m_chip.status, 0u);  // both error flags cleared
    EXPECT_NE(m_chip.FlashWord(kFlash + 0x04), 0xFFFFFFFFu);
    EXPECT_EQ(m_chip.FlashWord(kFlash + 0x08), 0x12345678u);
    EXPECT_EQ(m_chip.FlashWord(kFlash + 0x0C), 0xFFFFFFFFu);
}

TEST_P(Vk51xAlgo, ProgramPageFailsOnAWriteProtectedPage) {
    m_chip.protectedPages = {5};
    Init();
    EXPECT_EQ(Program(kFlash + 5 * kPage, Pattern(64), 64), 1u);
    EXPECT_EQ(m_chip.status, 0u);
    EXPECT_EQ(m_chip.FlashWord(kFlash + 5 * kPage), 0xFFFFFFFFu);
}

TEST_P(Vk51xAlgo, DownloadSequenceLeavesTheImageInFlashAndTheChipLocked) {
    Init();
    const auto image = Pattern(3 * kPage);
    Fill(kFlash, 3 * kPage, 0x00);
    for (uint32_t page = 0; page < 3; ++page) {
        EXPECT_EQ(Call(m_d.eraseSector, {kFlash + page * kPage}), 0u);
        EXPECT_EQ(
            Program(kFlash + page * kPage,
                    std::vector<uint8_t>(image.begin() + page * kPage, image.begin() + (page + 1) * kPage), kPage),
            0u);
    }
    EXPECT_EQ(Call(m_d.unInit, {3}), 0u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), m_chip.flash.begin()));
    EXPECT_TRUE(m_chip.control & FlashControllerModel::kLock);
}

TEST_P(Vk51xAlgo, AControllerThatStaysBusyHitsTheInstructionCap) {
    Init();
    m_chip.stuckBusy = true;
    const AlgoEmulator::Call call = m_emu->Run(m_d, m_d.eraseSector, {kFlash}, 200'000);
    EXPECT_FALSE(call.returned);
    EXPECT_TRUE(call.error.empty()) << call.error;
}

INSTANTIATE_TEST_SUITE_P(LoadAddresses, Vk51xAlgo,
                         ::testing::Values(LoadPoint{"ShippedRow", u"VK51X"}, LoadPoint{"ShiftedRow", u"VK51XTEST"}),
                         [](const auto& point) { return std::string(point.param.name); });

}  // namespace
