// The link project file (".ovpf"): a project file container whose sections are the record, the flash-algorithm
// descriptor, the blob and the data of each file.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "framework/Text.h"
#include "offline/LinkProject.h"

// Larger files are no project of ours: a record, eight files and an algorithm fit well below.
inline constexpr std::size_t kMaxLinkProjectFileBytes = 256u << 20;

std::vector<uint8_t> EncodeLinkProjectFile(const LinkProject& project);

// Decodes and checks the whole file into out; false leaves out as it was. Beyond the container itself: 0 to 8
// files, a record of 1716 (or the older 1580) bytes with a non-zero size field, a descriptor of 64 bytes, a
// record a page can show, one file section per recorded file and each of the recorded length, enciphered files of
// whole AES blocks. A partition ID of 0xFF reads as 0.
bool ParseLinkProjectFile(std::span<const uint8_t> file, LinkProject& out);

// Rejected: damaged, or no project file at all. OtherKind: an intact project file of the other kind (a link
// project opened as a download project).
enum class ProjectFileOpen { Opened, CannotOpen, Rejected, OtherKind };

// Reads and parses the file at path into out; anything but Opened leaves out as it was.
ProjectFileOpen OpenLinkProjectFile(fw::TextView path, LinkProject& out);

// Replaces the file whole or leaves it as it was; false when it could not be written.
bool WriteLinkProjectFile(fw::TextView path, const LinkProject& project);
