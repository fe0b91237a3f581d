// "Language.ini": the user-interface language chosen in the language menu, four bytes of a little-endian LANGID.
#pragma once

#include <cstdint>
#include <optional>

#include "framework/Text.h"

inline constexpr uint32_t kLanguageIdChinese = 2052;
inline constexpr uint32_t kLanguageIdEnglish = 1033;

// nullopt when the file is missing or cannot be read (start-up then takes the system's language). Only the first
// four bytes count; missing bytes of a shorter file are 0.
std::optional<uint32_t> ReadLanguageFile(fw::TextView path);

// Writes the four bytes whole or not at all.
bool WriteLanguageFile(fw::TextView path, uint32_t languageId);
