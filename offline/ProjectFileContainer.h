// The enciphered container of both project file formats: a body of big-endian section table and sections, padded
// with zeros to a multiple of 16, preceded by its SHA-256 and enciphered block by block (AES-128-ECB) under the
// project file key.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

using ProjectSection = std::vector<uint8_t>;

std::vector<uint8_t> EncodeProjectFileContainer(std::span<const ProjectSection> sections);

// The sections of a file, or nothing when the file is not a whole, intact container: a length below 64 or not a
// multiple of 16, a digest that does not match, or a section table that does not describe the body exactly
// (sections back to back from the end of the table, inside the body, followed only by up to 15 zero bytes).
std::optional<std::vector<ProjectSection>> DecodeProjectFileContainer(std::span<const uint8_t> file);
