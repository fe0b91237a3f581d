// A download project for a chip of the series table with a bin, a HEX and an enciphered row, partitions, keys and
// option bytes, and the ways a file of it can be damaged, for the reader's tests and for the dialogs that open
// such files.
#pragma once

#include <algorithm>
#include <functional>
#include <numeric>
#include <string_view>
#include <vector>

#include "offline/DownloadProjectFile.h"
#include "offline/ProjectFileContainer.h"
#include "tests/offline/SealedProjectFile.h"

namespace download_project_samples {

using namespace sealed_project;

inline void SetFile(ProjectConfig& r, std::size_t i, std::string_view name, uint32_t plain, uint32_t stored,
                    uint32_t start, uint8_t partition) {
    ProjectFileRecord& f = r.files[i];
    f.marker.Set(kProjectMarkerValid);
    f.index = static_cast<uint8_t>(i);
    f.partitionId = partition;
    f.nameLength = static_cast<uint8_t>(name.size());
    std::ranges::copy(name, f.name.begin());
    f.plainSize.Set(plain);
    f.storedSize.Set(stored);
    f.startAddress.Set(start);
}

struct Sample {
    ProjectConfig record = ProjectConfig::Blank();
    std::vector<Bytes> data;
};

inline Sample ThreeRowProject() {
    Sample s;
    ProjectConfig& r = s.record;
    r.fileCount = 3;
    SetFile(r, 0, "app.bin", 1000, 1000, 0x08000000, 0xFF);
    SetFile(r, 1, "boot.hex", 300, 300, 0x08004000, 1);
    SetFile(r, 2, "user.enc", 4000, 4096, 0x08010000, 2);
    s.data = {Filled(1000, 1), Filled(300, 2), Filled(4096, 3)};
    r.chip.partitions[0].marker.Set(kProjectMarkerValid);
    r.chip.partitions[0].keyId = 31;
    r.chip.option.marker.Set(kProjectMarkerValid);
    std::iota(r.chip.option.optionBytes.begin(), r.chip.option.optionBytes.end(), uint8_t{0xA0});
    r.keys.keyMode[0] = 1;
    r.keys.keyId[0] = 7;
    r.keys.newKey[0].fill(0x11);
    r.chip.marker.Set(kProjectMarkerValid);
    r.chip.seriesLength = 5;
    std::ranges::copy(std::string_view("VK517"), r.chip.series.begin());
    r.chip.modelLength = 7;
    std::ranges::copy(std::string_view("VK517C8"), r.chip.model.begin());
    return s;
}

inline Bytes Encode(const Sample& s) { return EncodeDownloadProjectFile(s.record, s.data); }

struct DamagedFile {
    const char* what;
    std::function<Bytes()> file;
};

// Each damages the file of `make` in one way that no reader may accept.
inline std::vector<DamagedFile> DamagedFiles() {
    const auto make = ThreeRowProject;
    const auto withRecord = [make](std::function<void(Sample&)> change) {
        return [make, change] {
            Sample s = make();
            change(s);
            return Encode(s);
        };
    };
    const auto withBody = [make](std::function<void(Bytes&)> change) {
        return [make, change] {
            Bytes body = Unseal(Encode(make()));
            change(body);
            return Seal(body);
        };
    };
    return {
        {"length not a multiple of 16",
         [make] {
             Bytes f = Encode(make());
             f.pop_back();
             return f;
         }},
        {"under 48 bytes",
         [make] {
             Bytes f = Encode(make());
             f.resize(32);
             return f;
         }},
        {"one changed byte",
         [make] {
             Bytes f = Encode(make());
             f[2000] ^= 1;
             return f;
         }},
        {"count 10", withBody([](Bytes& b) { PutBE(b, 0, 10); })},
        {"count 1: no files", withBody([](Bytes& b) { PutBE(b, 0, 1); })},
        {"section 0 of 1580 bytes",
         [make] {
             const Sample s = make();
             std::vector<ProjectSection> sections = {Bytes(s.record.Bytes().begin(), s.record.Bytes().begin() + 1580)};
             sections.insert(sections.end(), s.data.begin(), s.data.end());
             return EncodeProjectFileContainer(sections);
         }},
        {"section past the body", withBody([](Bytes& b) { PutBE(b, 8 + 8 * 3, 0x7FFFFFF0); })},
        {"offset wraps", withBody([](Bytes& b) { PutBE(b, 4 + 8 * 1, 0xFFFFFFF0); })},
        {"record size 0", withRecord([](Sample& s) { s.record.recordSize.Set(0); })},
        {"record count 2 for three sections", withRecord([](Sample& s) { s.record.fileCount = 2; })},
        {"marker past the table", withRecord([](Sample& s) { SetFile(s.record, 3, "x.bin", 1, 1, 0, 0); })},
        {"marker missing in a used slot", withRecord([](Sample& s) { s.record.files[1].marker.Set(0); })},
        {"bin row longer than its section", withRecord([](Sample& s) { s.record.files[0].plainSize.Set(1001); })},
        {"enc row longer than its section", withRecord([](Sample& s) { s.record.files[2].storedSize.Set(4097); })},
        // Ciphertext cut within an AES block, and a row made from an ".enc" whose header announced such a length
        // (its ciphertext padded out to whole blocks).
        {"enc row of half a block more", withRecord([](Sample& s) {
             s.record.files[2].storedSize.Set(4104);
             s.data[2].resize(4104, 3);
         })},
        {"enc row whose header announced half a block more",
         withRecord([](Sample& s) { s.record.files[2].plainSize.Set(4008); })},
        {"name of 33 bytes", withRecord([](Sample& s) { s.record.files[0].nameLength = 33; })},
        {"partition key id 32", withRecord([](Sample& s) { s.record.chip.partitions[0].keyId = 32; })},
        {"chip key id 32", withRecord([](Sample& s) { s.record.keys.keyId[0] = 32; })},
    };
}

}  // namespace download_project_samples
