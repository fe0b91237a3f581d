// What a download job writes to the chip: three items, one per USER partition, each holding up to 260 segments.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "framework/Text.h"

inline constexpr int kMaxSegments = 260;
inline constexpr int kDownloadItemCount = 3;

struct DownloadItem {
    std::array<std::vector<uint8_t>, kMaxSegments> data;  // empty: no buffer; padded with 0xFF
    std::array<uint32_t, kMaxSegments> length{};          // bytes of data[j] after padding
    std::array<uint32_t, kMaxSegments> crc{};             // CRC-32 of data[j] over length[j]; set with the data
    fw::Text fileName;
    fw::Text path;
    std::array<uint32_t, kMaxSegments> address{};
    std::array<fw::Text, kMaxSegments> addressText;  // "%08X"; entry 0 is also the typed start address
    uint32_t segmentCount = 1;
    // The partition as last read; the key id it holds is in the window's partition key ids.
    uint8_t readSize = 0, readAuthentication = 0, readEncryption = 0;
    uint8_t configure = 0;
    uint8_t wantedSize = 0, wantedKeyId = 0, wantedAuthentication = 0, wantedEncryption = 0;
    uint8_t enciphered = 0;
    uint8_t keyUpdate = 0;
    fw::Text newKeyHex, oldKeyHex;
    fw::Text partitionKeyText;
    uint8_t enabled = 0;
};

using DownloadItems = std::array<DownloadItem, kDownloadItemCount>;

// The state after the window's initialisation: every segment empty, one segment counted, flags cleared, only item
// 0 enabled. Texts other than the address texts keep their values.
void ResetDownloadItems(DownloadItems& items);

// Puts a segment's bytes in place together with their CRC-32, which the file checksum and the download job use.
// Every writer of data[j] goes through here so that the two never disagree.
void SetSegment(DownloadItem& item, int j, std::vector<uint8_t> data, uint32_t length);

// Frees segments 0..count-1 of the item and sets their length and address to 0.
void ClearSegments(DownloadItem& item, int count);

// What a project-file choice starts from, whether or not the project then loads: every item empty and disabled,
// one segment counted, no partition, cipher or key-update flags. Names and texts are kept, and so is what was read
// of the chip's partitions: that belongs to the chip, not to the file.
void ClearItemsForProject(DownloadItems& items);

// Sets every enabled item's segment addresses from their texts, as the job will download them. The download start
// does it once before any worker runs: the workers share the items and read these addresses before they download
// (protection lifting, the security chip's boot address), so none of them may write them.
void TakeSegmentAddresses(DownloadItems& items);

// Segments the job programs: at most kMaxSegments whatever segmentCount holds.
inline uint32_t UsedSegments(const DownloadItem& item) {
    return item.segmentCount < static_cast<uint32_t>(kMaxSegments) ? item.segmentCount : kMaxSegments;
}
