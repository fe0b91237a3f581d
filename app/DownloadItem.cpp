#include "app/DownloadItem.h"

#include <algorithm>

#include "core/Crc32.h"
#include "core/HexText.h"

void SetSegment(DownloadItem& item, int j, std::vector<uint8_t> data, uint32_t length) {
    const size_t covered = std::min<size_t>(length, data.size());
    item.crc[j] = covered == 0 ? 0 : Crc32Buffer(data.data(), static_cast<int>(covered), nullptr);
    item.data[j] = std::move(data);
    item.length[j] = length;
}

void ClearSegments(DownloadItem& item, int count) {
    for (int j = 0; j < count && j < kMaxSegments; ++j) {
        item.data[j] = {};
        item.length[j] = 0;
        item.crc[j] = 0;
        item.address[j] = 0;
    }
}

void ClearItemsForProject(DownloadItems& items) {
    for (DownloadItem& item : items) {
        ClearSegments(item, kMaxSegments);
        item.configure = 0;
        item.enciphered = 0;
        item.keyUpdate = 0;
        item.enabled = 0;
        item.segmentCount = 1;
    }
}

void ResetDownloadItems(DownloadItems& items) {
    for (int i = 0; i < kDownloadItemCount; ++i) {
        DownloadItem& item = items[i];
        ClearSegments(item, kMaxSegments);
        item.segmentCount = 1;
        item.readSize = item.readAuthentication = item.readEncryption = 0;
        item.configure = 0;
        item.wantedSize = item.wantedKeyId = item.wantedAuthentication = item.wantedEncryption = 0;
        item.enciphered = 0;
        item.keyUpdate = 0;
        item.enabled = i == 0 ? 1 : 0;
    }
}

void TakeSegmentAddresses(DownloadItems& items) {
    for (DownloadItem& item : items) {
        if (!item.enabled) continue;
        for (uint32_t j = 0; j < UsedSegments(item); ++j) {
            // Production channels may still run a job on these items: an address that is already right is not
            // written again.
            const uint32_t address = HexToUInt32(item.addressText[j]);
            if (item.address[j] != address) item.address[j] = address;
        }
    }
}
