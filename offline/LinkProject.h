// Everything an offline project carries to a file or to the downloader: the record, the flash algorithm (its
// 64-byte descriptor, and the blob that starts with it) and the data of each file as it travels (the image, or
// the ciphertext of an enciphered file).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "framework/Text.h"
#include "offline/ProjectConfig.h"

struct LinkProject {
    ProjectConfig record = ProjectConfig::Blank();
    std::array<uint8_t, 64> descriptor{};
    std::vector<uint8_t> blob;
    std::vector<std::vector<uint8_t>> files;  // in slot order
};

// A file is enciphered when its name holds ".enc" or ".ENC" (the one test for adding, building and reading
// projects, and the downloader's); its record then holds the plaintext's values from the file's header beside
// those of the ciphertext that travels.
bool IsEncipheredFileName(fw::TextView name);

// The length of the data slot i of the record says travels: the stored size of an enciphered file, the plain
// size of any other.
uint32_t RecordedFileLength(const ProjectFileRecord& file);

// False for an enciphered file whose recorded lengths (its header's and its ciphertext's) are not whole AES
// blocks: a project made from an ".enc" that is refused at Add.
bool RecordedFileDecipherable(const ProjectFileRecord& file);

// The project's name as the downloader files it (the name bytes of the record, one character each): what the
// stored-project list gains after a transfer, whatever the name edit holds by then.
fw::Text ProjectNameOf(const ProjectConfig& record);

// What a page can show of a record: interface, erase and reset modes in range, a name of 1 to 32 bytes, 1 to 8
// files in slots 0 to count - 1 and no file marker past them.
bool IsShowableProjectConfig(const ProjectConfig& record);
