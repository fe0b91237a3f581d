// The download project file (".dlpf"): a project file container whose first section is the record and whose
// further sections are the data of the files, one per used file slot in slot order.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "framework/Text.h"
#include "offline/LinkProjectFile.h"
#include "offline/ProjectConfig.h"

// A section holds at most this much: the largest image a download project carries.
inline constexpr std::size_t kMaxDownloadProjectSection = 0x80000;

struct DownloadProjectRow {
    fw::Text name;
    uint32_t start = 0;
    uint8_t partition = 0;
    std::vector<uint8_t> data;  // the image, or the ciphertext of an enciphered file (its header left off)
};

struct DownloadProject {
    ProjectConfig record = ProjectConfig::Blank();
    std::vector<DownloadProjectRow> rows;  // row i is file slot i of the record
};

// The file of record and the rows' data, in row order.
std::vector<uint8_t> EncodeDownloadProjectFile(const ProjectConfig& record,
                                               std::span<const std::vector<uint8_t>> rowData);

// Decodes and checks the whole file into out; false leaves out as it was. Beyond the container: 1 to 8 files, a
// record of exactly 1716 bytes with a non-zero size field, file markers in slots 0 to F - 1 only and a file count
// of F, names of at most 32 bytes, each section no longer than the largest image and as long as its slot says,
// enciphered files of whole AES blocks, key ids of used partitions and keys no higher than 31. A partition of 0xFF
// reads as 0, in the row and the record.
bool ParseDownloadProjectFile(std::span<const uint8_t> file, DownloadProject& out);

// Reads and parses the file at path into out; anything but Opened leaves out as it was.
ProjectFileOpen OpenDownloadProjectFile(fw::TextView path, DownloadProject& out);

// Replaces the file whole or leaves it as it was; false when it could not be written.
bool WriteDownloadProjectFile(fw::TextView path, const ProjectConfig& record,
                              std::span<const std::vector<uint8_t>> rowData);
