#include "app/DownloadJob.h"
#include "app/DownloadJobSteps.h"
#include "app/InterfaceSpeeds.h"
#include "app/PartitionLayout.h"
#include "core/Translation.h"

using download_steps::HasNoUserPartitions;
using download_steps::KeyBytes;
using download_steps::Label;

int DownloadJob::WritePartitions(PartitionRecords& records) {
    if (HasNoUserPartitions(m_settings.chipSeries) || IsSwd(m_settings.iface)) return 1;
    const double flash = m_slot.flashSizeKB;
    const double unit = m_slot.partitionUnitKB;
    const double w1 = m_items[1].wantedSize, w2 = m_items[2].wantedSize;
    std::array<uint8_t, 3> givenKeyIds{0xFF, 0xFF, 0xFF};
    bool configured = false;
    for (int p = 2; p >= 0; --p) {
        DownloadItem& item = m_items[p];
        if (!item.configure) continue;
        const fw::Text label = Label(m_items, p);
        Report(label + TranslateText(u"配置分区..."), kStatusPlain);
        const uint8_t w = item.wantedSize;
        if (w != 0) {
            const double size = static_cast<double>(w) * unit;
            if (p == 2 && size > flash - unit) {
                ReportFailure(label + TranslateText(u"配置的USER3大小不正确！"));
                return 0;
            }
            if (p == 1 && size > flash - w2 * unit - unit) {
                ReportFailure(label + TranslateText(u"配置的USER2大小不正确！"));
                return 0;
            }
            const double user1 = User1UnitsOfWanted(m_settings.chipSeries, w) * unit;
            if (p == 0 && user1 != flash - w2 * unit - w1 * unit) {
                ReportFailure(label + TranslateText(u"配置的USER1大小不正确！"));
                return 0;
            }
        }
        UserPartitionRecord& record = records[p];
        const uint8_t readKeyId = record.keyId;
        record.operation = 1;
        record.index = static_cast<uint8_t>(p);
        record.size = w;
        record.keyId = readKeyId == 0 ? 0xFF : readKeyId == 0xFF ? item.wantedKeyId : readKeyId;
        const uint8_t givenKeyId = record.keyId;
        record.flags = static_cast<uint8_t>(item.wantedAuthentication << 4 | (item.wantedEncryption & 0x0F));
        StatusCode status = OV_CMD_USERX_OP(m_slot.handle, &record);
        if (status != CMD_STATUS_OK) {
            StatusLine(status);
            ReportFailure(label + TranslateText(u"配置分区信息失败！"));
            return 0;
        }
        Report(label + TranslateText(u"配置分区成功！"), kStatusSuccess);

        record.operation = 0;
        status = OV_CMD_USERX_OP(m_slot.handle, &record);
        if (status != CMD_STATUS_OK) {
            StatusLine(status);
            ReportFailure(label + TranslateText(u"读取分区信息失败！"));
            return 0;
        }
        const bool sizeMatches =
            p == 0 ? User1UnitsHeld(m_settings.chipSeries, record.size) == User1UnitsOfWanted(m_settings.chipSeries, w)
                   : record.size == w;
        if (!sizeMatches) {
            ReportFailure(label + TranslateText(u"配置分区大小不正确！"));
            return 0;
        }
        if ((record.flags >> 4) != item.wantedAuthentication) {
            ReportFailure(label + TranslateText(u"配置分区认证使能不正确！"));
            return 0;
        }
        if ((record.flags & 0x0F) != item.wantedEncryption) {
            ReportFailure(label + TranslateText(u"配置分区加密使能不正确！"));
            return 0;
        }
        configured = true;
        // The key read at connect belongs to the id the partition had then, none on a fresh chip.
        if (givenKeyId != 0xFF) {
            givenKeyIds[p] = givenKeyId;
            m_configuredKeys[p] = m_host.ChipKey(PartitionKeyEntry(m_slot.chipSeries, givenKeyId));
        }
    }
    if (configured) m_host.PartitionsConfigured(m_slot, records, givenKeyIds);
    return 1;
}

const fw::Text& DownloadJob::PartitionKeyText(int i) const {
    return m_configuredKeys[i] ? *m_configuredKeys[i] : m_partitionRead.texts[i];
}

const fw::Text& DownloadJob::SegmentStartText(int i, uint32_t j) const {
    if (j == 0 && m_partitionRead.starts) return (*m_partitionRead.starts)[static_cast<size_t>(i)];
    return m_items[i].addressText[j];
}

uint8_t DownloadJob::KeyIdOfPartition(int i) const {
    const DownloadItem& item = m_items[i];
    if (item.configure && item.wantedKeyId != 0xFF) return item.wantedKeyId;
    const uint32_t held = m_partitionRead.held[i];
    return held <= 0xFF ? static_cast<uint8_t>(held) : uint8_t{0xFF};
}

int DownloadJob::UpdatePartitionKeys() {
    const uint8_t series = m_slot.chipSeries;
    if (HasNoUserPartitions(series) || IsSwd(m_settings.iface)) return 1;
    for (int i = 0; i < kDownloadItemCount; ++i) {
        DownloadItem& item = m_items[i];
        if (!item.keyUpdate) continue;
        const fw::Text label = Label(m_items, i);
        Report(label + TranslateText(u"更新密钥..."), kStatusPlain);
        KeyUpdateRecord record{};
        record.keyId = KeyIdOfPartition(i);
        // Only an id the chip's series opens the partition with has a table entry to keep the new key in.
        const int entry = PartitionKeyEntry(series, record.keyId);
        if (!PartitionKeyIdAllowed(series, i, record.keyId) || entry < 0 || !KeyBytes(item.newKeyHex, record.key) ||
            !KeyBytes(item.oldKeyHex, record.oldKey)) {
            ReportFailure(label + TranslateText(u"更新密钥失败！"));
            return 0;
        }
        const StatusCode status = OV_CMD_KEY_UPDATE(m_slot.handle, record);
        if (status != CMD_STATUS_OK) {
            StatusLineRed(status);
            ReportFailure(label + TranslateText(u"更新密钥失败！"));
            return 0;
        }
        // The window's copy of the partitions is the chip of test mode's; a production chip's key is its job's.
        if (!m_settings.productionMode) item.partitionKeyText = item.newKeyHex;
        m_configuredKeys[i] = item.newKeyHex;
        Report(label + TranslateText(u"更新密钥成功！"), kStatusSuccess);
        m_host.StoreChipKey(entry, item.newKeyHex);
    }
    return 1;
}
