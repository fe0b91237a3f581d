// What both encrypted-file makers share around the formats: the chosen source file, reading its plaintext with the
// makers' messages, and writing the result into the EncFile folder of a working directory.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Window.h"

// Creates the folder when it is missing (a failure shows when the file cannot be written).
fw::Text EncFileFolder(fw::TextView workDir);

// Writes bytes as <workDir>/EncFile/<name without .bin/.hex>.enc, whole or not at all, into outputPath. False
// without a message for a name with another ending; false after "<path>文件打开失败！" when it cannot be written.
bool WriteEncFile(const fw::Window* owner, fw::TextView workDir, fw::TextView fileName,
                  const std::vector<uint8_t>& bytes, fw::Text& outputPath);

// The source file a maker enciphers, as its Browse button chose it.
struct EncSourceFile {
    fw::Text path, name, extension;
};

// Runs the Open-file dialog with filter; false (the choice unchanged) when the user cancelled.
bool ChooseEncSource(const fw::Window* owner, fw::TextView filter, EncSourceFile& source);

// The source's plaintext; false after the refusal's message (no file chosen, unreadable, empty, not bin/hex, or a
// HEX file spread wider than any chip's flash).
bool ReadEncSource(const fw::Window* owner, const EncSourceFile& source, std::vector<uint8_t>& plaintext);
