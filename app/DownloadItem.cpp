#include "app/DownloadItem.h"

void ClearSegments(DownloadItem& item, int count) {
    for (int j = 0; j < count && j < kMaxSegments; ++j) {
        item.data[j] = {};
        item.length[j] = 0;
        item.address[j] = 0;
    }
}

void ResetDownloadItems(DownloadItems& items) {
    for (int i = 0; i < kDownloadItemCount; ++i) {
        DownloadItem& item = items[i];
        ClearSegments(item, kMaxSegments);
        item.segmentCount = 1;
        item.readSize = item.readKeyId = item.readAuthentication = item.readEncryption = 0;
        item.configure = 0;
        item.wantedSize = item.wantedKeyId = item.wantedAuthentication = item.wantedEncryption = 0;
        item.enciphered = 0;
        item.keyUpdate = 0;
        item.enabled = i == 0 ? 1 : 0;
    }
}
