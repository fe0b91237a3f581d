// File services the dialogs share: the current folder, listing by extension, splitting names, modification
// times, and reading or writing a whole file.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "framework/Files.h"
#include "framework/Text.h"

// The process's current folder, without a trailing separator unless it is the root.
fw::Text GetCurrentDir();

// Appends the name without its dot and extension of every file in folder with that extension (without the dot).
void ListFilesByExtension(fw::TextView folder, fw::TextView extension, std::vector<fw::Text>& out);

// The file name is what follows the last "\" (or, without one, the last "/"); the extension what follows its last
// ".", the title what comes before. A name without a dot gives the whole name as title and as extension.
void SplitFileName(fw::TextView path, fw::Text& title, fw::Text& extension);

// The file's (or folder's) last-write time as offline project records store it: its UTC calendar fields read back
// as local standard time, in seconds since 1970. 0 when the file cannot be read.
uint32_t FileModifiedTime(fw::TextView path);

// Reads the whole file into buffer (replacing what it held) and its length into size. With pad, zero bytes are
// appended until the length, less the 4-byte header of a ".enc" file, is a multiple of 16; size includes them.
// False, with buffer and size unchanged, when the file cannot be read.
bool ReadFileToBuffer(std::vector<uint8_t>& buffer, uint32_t& size, fw::TextView path, bool pad);

// Writes the bytes as the whole file (an existing one is replaced whole, or left as it was on failure). On failure
// it shows the framework's plain box with the path followed by the translated "文件打开失败！" and answers false.
bool WriteBufferToFile(fw::TextView path, std::span<const uint8_t> data);
// The same for files that belong together: all of them are written, or none changes and the box names the file
// that could not be written.
bool WriteBuffersToFiles(std::span<const fw::FileToWrite> files);
