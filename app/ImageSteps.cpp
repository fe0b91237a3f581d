#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "app/DownloadAreas.h"
#include "app/DownloadJob.h"
#include "app/DownloadJobSteps.h"
#include "app/EraseRange.h"
#include "app/OptionItems.h"
#include "app/OptionProtection.h"
#include "app/ReadAnswer.h"
#include "core/Crc32.h"
#include "core/OptionLayouts.h"
#include "core/Translation.h"

using download_steps::IsOneOf;
using download_steps::KeyBytes;
using download_steps::Label;

int DownloadJob::EraseInternal(const fw::Text& label, uint32_t first, uint32_t last,
                               const UserPartitionRecord* partition, const KeyUpdateRecord* key) {
    Report(label + TranslateText(u"擦除Flash..."), kStatusPlain);
    const StatusCode status = OV_CMD_FLASH_ERASE(m_slot.handle, first, last, partition, key);
    if (status != CMD_STATUS_OK) {
        StatusLine(status);
        ReportFailure(label + TranslateText(u"擦除Flash失败！"));
        return 0;
    }
    Report(label + fw::Format(TranslateText(u"擦除范围：0x%08X-0x%08X"), first, last), kStatusPlain);
    Report(label + TranslateText(u"擦除Flash成功！"), kStatusSuccess);
    return 1;
}

int DownloadJob::DownloadSafeModule() {
    const auto& module = m_settings.safeModuleData;
    if (module.empty()) return 0;
    const uint32_t first = m_settings.safeModuleAddr;
    const uint64_t last64 = static_cast<uint64_t>(first) + module.size() - 1;
    if (last64 > 0xFFFFFFFFu) return 0;
    const uint32_t last = static_cast<uint32_t>(last64);
    if (m_settings.bootSubVersionText != u"V1.0" && m_settings.eraseMode != 2) {
        std::optional<EraseRange> range;
        if (m_settings.eraseMode == 1)
            range = EraseRange{0x15000000, SecurityFlashEraseEnd(m_slot.flashSizeKB)};
        else
            range = RoundToPages(first, last, m_slot.pageSize, m_settings.frontKeepsPage, m_settings.behindKeepsPage);
        if (range && !EraseInternal({}, range->first, range->last, nullptr, nullptr)) return 0;
        // The firmware's whole erase of the same area would take the module just written with it.
        if (m_settings.eraseMode == 1 && range == WholeChipRange({m_slot.chipSeries, m_settings.iface,
                                                                  m_settings.downloadArea, m_slot.flashSizeKB, first}))
            m_chipErased = true;
    }
    ImageDescriptor image{};
    image.index = 0;
    image.address = first;
    image.data = module.data();
    image.length = static_cast<uint32_t>(module.size());
    image.enciphered = 0;
    ProgressContext progress{&m_host, &m_slot};
    const StatusCode status =
        OV_CMD_FLASH_DWNLD(m_slot.handle, &image, nullptr, nullptr, DownloadProgressCallback, &progress);
    if (status != CMD_STATUS_OK) {
        StatusLine(status);
        return 0;
    }
    Report(fw::Format(TranslateText(u"下载安全模块范围：0x%08X-0x%08X"), first, last), kStatusPlain);
    return 1;
}

int DownloadJob::DownloadItemImages(PartitionRecords& records) {
    const uint8_t series = m_slot.chipSeries;
    const uint8_t area = m_settings.downloadArea;
    std::array<KeyUpdateRecord, 3> keys{};
    uint32_t checksum = 0;
    ProgressContext progress{&m_host, &m_slot};

    for (int i = area == kAreaExternalFlash ? 2 : 0; i < kDownloadItemCount; ++i) {
        DownloadItem& item = m_items[i];
        if (!item.enabled) continue;
        const fw::Text label = Label(m_items, i);
        if (records[i].flags != 0) KeyBytes(PartitionKeyText(i), keys[i].key);

        for (uint32_t j = 0; j < UsedSegments(item); ++j) {
            const std::vector<uint8_t>& data = item.data[j];
            const uint32_t length = static_cast<uint32_t>(std::min<size_t>(item.length[j], data.size()));
            const uint32_t crcBytes = item.enciphered ? 4 : 0;
            if (length <= crcBytes) {
                ReportFailure(label + TranslateText(u"下载失败！"));
                return 0;
            }
            const uint32_t start = HexToUInt32(SegmentStartText(i, j));
            const uint64_t last = static_cast<uint64_t>(start) + length - 1 - crcBytes;
            if (!CheckRange(start, last)) return 0;

            const bool internalErase =
                (series == 10 && area == kAreaSecurityFlash && m_settings.bootSubVersionText != u"V1.0") ||
                ((series == 8 || series == 9) && area == kAreaInternal) || !IsOneOf(series, {8, 9, 10});
            const bool externalErase = !internalErase && area == kAreaExternalFlash;
            if (externalErase) {
                Report(label + TranslateText(u"擦除外设Flash..."), kStatusPlain);
                const bool whole = m_settings.eraseMode == 1;
                const StatusCode status = OV_CMD_EXT_FLASH_ERASE(m_slot.handle, whole ? 0 : start,
                                                                 whole ? 0x0FFFFFFF : static_cast<uint32_t>(last),
                                                                 m_settings.extId, &records[i], &keys[i]);
                if (status != CMD_STATUS_OK) {
                    StatusLine(status);
                    ReportFailure(label + TranslateText(u"擦除外设Flash失败！"));
                    return 0;
                }
                Report(label + TranslateText(u"擦除外设Flash成功！"), kStatusSuccess);
            } else if (internalErase) {
                records[i].index = static_cast<uint8_t>(i);
                if (series == 11 && area == 1)
                    records[0].index = 3;
                else if (series == 11 && area == 2)
                    records[0].index = 4;
                else if (series == 12 && area == 0 && m_settings.writeCrc32)
                    records[0].index = 5;
                else if (series == 12 && area == 1)
                    records[0].index = 4;
                const bool skip = m_chipErased || m_settings.eraseMode == 2 ||
                                  (m_settings.chipSeries == 11 && area == 2) ||
                                  (m_settings.chipSeries == 12 && area == 1);
                if (!skip) {
                    std::optional<EraseRange> range;
                    if (m_settings.eraseMode == 1)
                        range = WholeChipRange({series, m_settings.iface, area, m_slot.flashSizeKB, start});
                    else
                        range = RoundToPages(start, static_cast<uint32_t>(last), m_slot.pageSize,
                                             m_settings.frontKeepsPage, m_settings.behindKeepsPage);
                    if (range && !EraseInternal(label, range->first, range->last, &records[i], &keys[i])) return 0;
                    if (m_settings.eraseMode == 1) m_chipErased = true;
                }
            }

            Report(label + TranslateText(u"正在下载固件..."), kStatusPlain);
            StatusCode status;
            if (area == kAreaInternal || IsOneOf(series, {10, 11, 12})) {
                const ImageDescriptor image{static_cast<uint8_t>(i), start, data.data(), length, item.enciphered,
                                            item.path.c_str()};
                status = OV_CMD_FLASH_DWNLD(m_slot.handle, &image, &records[i], &keys[i], DownloadProgressCallback,
                                            &progress);
            } else if (area == kAreaExternalFlash) {
                if (last + 1 >= 0x10000000) {
                    ReportFailure(label + TranslateText(u"外设FLASH下载位置超出范围！"));
                    return 0;
                }
                std::vector<uint8_t> withCrc(data.begin(), data.begin() + length);
                uint8_t crc[4];
                UInt32ToBytesBE(item.crc[j], crc);
                withCrc.insert(withCrc.end(), crc, crc + 4);
                withCrc.resize((withCrc.size() + 15) / 16 * 16, 0);
                const ExtFlashImageDescriptor image{m_settings.extType,
                                                    m_settings.extId,
                                                    start,
                                                    withCrc.data(),
                                                    static_cast<uint32_t>(withCrc.size()),
                                                    item.enciphered,
                                                    m_settings.encOption};
                status =
                    OV_CMD_EXT_FLASH_DWNLD(m_slot.handle, &image, &records[i], &keys[i],
                                           m_settings.extFlashKeyBytes.data(), DownloadProgressCallback, &progress);
            } else {
                const ImageDescriptor image{area, start, data.data(), length, item.enciphered, nullptr};
                status = OV_CMD_EXT_API_DWNLD(m_slot.handle, &image, &records[i], &keys[i], DownloadProgressCallback,
                                              &progress);
            }
            if (status != CMD_STATUS_OK) {
                StatusLine(status);
                ReportFailure(label + TranslateText(u"下载失败！"));
                return 0;
            }
            Report(label + fw::Format(TranslateText(u"下载范围：0x%08X-0x%08X"), start, static_cast<uint32_t>(last)),
                   kStatusPlain);
            Report(label + TranslateText(u"下载成功！"), kStatusSuccess);
            checksum += item.crc[j];
        }

        if (m_settings.chipSeries == 12 && m_settings.iface == 3 && m_settings.writeCrc32) {
            // The CRC goes back inside the image as read, and a write sends only as many bytes as the read brought:
            // an answer short of the CRC's last byte would leave part of it as the chip had it.
            const uint8_t imageLength = OptionImageReadLength(12);
            const size_t crcAt = Series12FlashCrcPlace();
            OptionRwBlock block{};
            block.operation = 0;
            block.length = imageLength;
            StatusCode status = OV_CMD_OPT_RW(m_slot.handle, &block);
            if (status != CMD_STATUS_OK) {
                StatusLine(status);
                ReportFailure(label + TranslateText(u"读选项字节失败！"));
                return 0;
            }
            if (!AnswerIsWhole(block, imageLength)) {
                ReportFailure(label + TranslateText(u"读取的选项字节不完整，不能写入芯片！"));
                return 0;
            }
            for (size_t b = 0; b < 4; ++b)
                block.data[crcAt + b] = static_cast<uint8_t>(checksum >> (8 * b));
            block.operation = 1;
            block.length = imageLength;
            status = OV_CMD_OPT_RW(m_slot.handle, &block);
            if (status != CMD_STATUS_OK) {
                StatusLine(status);
                ReportFailure(label + TranslateText(u"写选项字节失败！"));
                return 0;
            }
        }
        if (m_settings.chipSeries != 10)
            Report(fw::Format(TranslateText(u"文件校验码：0x%08X"), checksum), kStatusPlain);
    }
    return 1;
}

int DownloadJob::ReadBackFlashCrc() {
    constexpr uint32_t kChunk = 2048;
    const double kb = m_slot.flashSizeKB;
    const uint32_t size = kb > 0 && kb < 4194304.0 ? static_cast<uint32_t>(kb * 1024.0) : 0;
    const uint32_t packet = m_slot.packetSize == 0 ? kChunk : std::min(m_slot.packetSize, kChunk);
    std::vector<uint8_t> flash(size, 0);
    uint8_t chunk[kChunk];
    for (uint32_t offset = 0; offset < size; offset += packet) {
        const uint32_t wanted = std::min(packet, size - offset);
        // A short answer is a failure too: the bytes it did not bring are not the chip's.
        const auto read = [&] {
            uint32_t received = wanted;
            return OV_CMD_RECV_DATA(0x08000000 + offset, chunk, &received) == CMD_STATUS_OK && received >= wanted;
        };
        if (!read()) {
            m_host.Pause(100);
            if (!read()) {
                ReportFailure(TranslateText(u"读取下载数据失败"));
                return 0;
            }
        }
        std::memcpy(flash.data() + offset, chunk, wanted);
    }
    const uint32_t crc = Crc32Buffer(flash.data(), static_cast<int>(size), nullptr);
    Report(fw::Format(TranslateText(u"整个FLASH校验码：0x%08X"), crc), kStatusPlain);
    return 1;
}

bool DownloadJob::HoldsWholeOptionImage() const {
    return OptionAnswerIsWhole(m_optionBytes, m_slot.chipSeries);
}

int DownloadJob::TakeOptionImage() {
    const bool laysProjectBytes =
        m_settings.writeOptionBytes && m_settings.projectOptionBytes && m_slot.chipSeries != 10;
    // What the project does not hold is carried from an image this job read itself: the connection's read, when
    // the job made one and it came back whole, else a read now.
    if (!laysProjectBytes || HoldsWholeOptionImage()) return 1;
    Report(TranslateText(u"读取选项字节..."), kStatusPlain);
    if (m_host.ReadOptionBytes(m_optionBytes, &m_slot) && HoldsWholeOptionImage()) return 1;
    ReportFailure(TranslateText(u"读取选项字节失败，无法配置项目的选项字节，下载已停止！"));
    return 0;
}

int DownloadJob::WriteOptionBytes() {
    Report(TranslateText(u"配置选项字节..."), kStatusPlain);
    const auto failed = [&](StatusCode status) {
        StatusLineRed(status);
        ReportFailure(TranslateText(u"配置选项字节失败！"));
        return 0;
    };
    if (m_slot.chipSeries == 10) {
        // The list comes from a security information file: its reader stops at the first entry it cannot hold.
        for (const OptionItemValue& entry : ReadOptionItemList(m_settings.optionTable).entries) {
            OptionRwBlock block = OptionItemBlockFor(entry, 1);
            const StatusCode status = OV_CMD_OPT_RW(m_slot.handle, &block);
            if (status != CMD_STATUS_OK) return failed(status);
        }
    } else {
        OptionRwBlock block;
        if (m_settings.projectOptionBytes) {
            // A project keeps its option bytes in a layout of its own (values only on some families, another
            // order on others): they are laid field by field over the chip's own image, so that what the project
            // does not hold stays as the chip has it. Without a whole read of that image nothing is written.
            if (!HoldsWholeOptionImage()) {
                ReportFailure(TranslateText(u"配置选项字节失败！"));
                return 0;
            }
            const size_t read = std::min<size_t>(m_optionBytes.length, sizeof m_optionBytes.data);
            const std::vector<uint8_t> image =
                DeviceImageFromProject(m_settings.chipSeries, *m_settings.projectOptionBytes, m_slot.chipSeries,
                                       std::span<const uint8_t>(m_optionBytes.data, read));
            block = m_optionBytes;
            block.length = static_cast<uint8_t>(image.size());
            std::memcpy(block.data, image.data(), image.size());
        } else {
            block = m_settings.fileOptionBytes;
        }
        block.operation = 1;
        const StatusCode status = OV_CMD_OPT_RW(m_slot.handle, &block);
        if (status != CMD_STATUS_OK) return failed(status);
    }
    Report(TranslateText(u"配置选项字节成功，复位后生效！"), kStatusSuccess);
    return 1;
}
