// Writing an encrypted file into the EncFile folder of a working directory, with the makers' failure message.
#pragma once

#include <vector>

#include "framework/Window.h"

// Creates the folder when it is missing (a failure shows when the file cannot be written).
fw::Text EncFileFolder(fw::TextView workDir);

// Writes bytes as <workDir>/EncFile/<name without .bin/.hex>.enc, whole or not at all, into outputPath. False
// without a message for a name with another ending; false after "<path>文件打开失败！" when it cannot be written.
bool WriteEncFile(const fw::Window* owner, fw::TextView workDir, fw::TextView fileName,
                  const std::vector<uint8_t>& bytes, fw::Text& outputPath);
