// A project page's state for the builder in a temporary working directory holding the built VK51x flash
// algorithm: a small chip table, valid choices for a three-file VK517 project, and a recording UI.
#pragma once

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <filesystem>
#include <numeric>
#include <vector>

#include "core/HexText.h"
#include "framework/Files.h"
#include "offline/CurrentProject.h"
#include "offline/LinkProject.h"
#include "offline/ProjectBuilder.h"
#include "offline/ProjectKeys.h"
#include "optionbytes/ProjectOptionTexts.h"
#include "tests/framework/TempFolder.h"

namespace project_fixture {

using Bytes = std::vector<uint8_t>;

// CRC-32/MPEG-2 over little-endian words, bit by bit: the downloader's CRC unit.
inline uint32_t ReferenceCrc(const Bytes& data) {
    uint32_t crc = 0xFFFFFFFF;
    for (std::size_t at = 0; at + 4 <= data.size(); at += 4) {
        crc ^= uint32_t{data[at]} | uint32_t{data[at + 1]} << 8 | uint32_t{data[at + 2]} << 16 |
               uint32_t{data[at + 3]} << 24;
        for (int bit = 0; bit < 32; ++bit)
            crc = crc & 0x80000000 ? crc << 1 ^ 0x04C11DB7 : crc << 1;
    }
    return crc;
}

// AES-128-ECB of one block, by a library other than the program's; both given as 32 hex digits.
inline std::array<uint8_t, 16> ReferenceEncipher(fw::TextView blockText, fw::TextView keyText) {
    std::array<uint8_t, 16> key{}, block{}, out{};
    HexToBytes(keyText, key.data(), 16);
    HexToBytes(blockText, block.data(), 16);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, key.data(), nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    int n = 0;
    EVP_EncryptUpdate(ctx, out.data(), &n, block.data(), 16);
    EVP_CIPHER_CTX_free(ctx);
    return out;
}

inline std::array<uint8_t, 16> ReferenceWrap(fw::TextView keyText) {
    return ReferenceEncipher(keyText, kProjectKeyWrapKey);
}

inline Bytes Filled(std::size_t size, uint8_t first) {
    Bytes b(size);
    std::iota(b.begin(), b.end(), first);
    return b;
}

class RecordingUi : public ProjectBuildUi {
public:
    void ShowMessage(const fw::Text& text) override { messages.push_back(text); }
    bool Ask(const fw::Text& text) override {
        questions.push_back(text);
        return answerYes;
    }
    bool RunProjectSetup() override {
        ++setupRuns;
        return setupOk;
    }
    std::vector<fw::Text> messages, questions;
    bool answerYes = true;
    bool setupOk = true;
    int setupRuns = 0;
};

class ProjectPage : public ::testing::Test {
public:
    void SetUp() override {
        std::filesystem::create_directories(dir.Path() / "FLM");
        std::filesystem::copy_file(std::filesystem::path(QX_BINARY_DIR) / "workdir" / "FLM" / "VK51x.FLM",
                                   dir.Path() / "FLM" / "VK51x.FLM");
        oldDir = fw::GetWorkingDirectory();
        fw::SetWorkingDirectory(dir.Wide());
        table.ReadRows(
            {u"CLASS=VK517",       u"CHIPMARK=VK517",   u"FLASHSTARTADDR=0x08000000", u"SRAMSTARTADDR=0x20000000",
             u"FLASHSIZE=0x20000", u"SRAMSIZE=0x5000",  u"FLMFILE=VK51x.FLM",         u"PAGESIZE=0x800",
             u"CLASS=VK422",       u"CHIPMARK=VK422C8", u"FLASHSTARTADDR=0x00100000", u"SRAMSTARTADDR=0x20010000",
             u"FLASHSIZE=0x40000", u"SRAMSIZE=0x8000",  u"FLMFILE=VK51x.FLM",         u"PAGESIZE=0x400",
             u"CLASS=VK999",       u"CHIPMARK=VK999",   u"FLMFILE=NONE.FLM",          u"SRAMSTARTADDR=0x20000000",
             u"PAGESIZE=0x800"});
        Reset();
    }
    // The page as a valid project for VK517 leaves it, no current record.
    void Reset() {
        choices = ProjectPageChoices();
        settings = OfflineProjectSettings();
        ui = RecordingUi();
        files.clear();
        choices.seriesSelected = choices.modelSelected = true;
        choices.seriesText = u"VK517";
        choices.modelText = u"VK517";
        choices.nameText = u" De mo ";
        choices.optionBytesChecked = true;
        choices.optionFamily = 0;
        g_projectOptionText = u"A55A00FF00FF00FF00FF00FF00FF00FF00FF00FF";
        for (int i = 0; i < 3; ++i) {
            ProjectFileRow row;
            row.name = u"part" + fw::Text(1, static_cast<char16_t>(u'0' + i)) + u".bin";
            row.path = dir.Wide("part.bin");
            row.startText = i == 0 ? u"08000000" : i == 1 ? u"08001000" : u"08004000";
            row.data = Filled(i == 1 ? 5000 : 100, static_cast<uint8_t>(i));
            row.length = static_cast<uint32_t>(row.data.size());
            files.push_back(row);
        }
        ClearProjectConfig();
    }
    void TearDown() override {
        fw::SetWorkingDirectory(oldDir);
        ClearProjectConfig();
    }

    bool Build() { return BuildProjectConfig(choices, files, table, settings, ui); }
    // What a transfer or a project file carries after a build: the current record, the page's algorithm and data.
    LinkProject Project() const {
        LinkProject p;
        p.record = *CurrentProjectConfig();
        std::copy_n(table.m_pAlgoDescriptor.get(), p.descriptor.size(), p.descriptor.begin());
        p.blob.assign(table.m_pAlgoBlob.get(), table.m_pAlgoBlob.get() + table.m_algoBlobSize);
        for (const ProjectFileRow& row : files)
            p.files.emplace_back(row.data.begin(), row.data.begin() + row.length);
        return p;
    }

    fw::testing::TempFolder dir;
    fw::Text oldDir;
    CChipSeriesTable table{[](const fw::Text&) {}};
    ProjectPageChoices choices;
    std::vector<ProjectFileRow> files;
    OfflineProjectSettings settings;
    RecordingUi ui;
};

}  // namespace project_fixture
