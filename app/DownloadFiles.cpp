#include "app/DownloadFiles.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/IntelHex.h"
#include "core/Translation.h"
#include "framework/Files.h"
#include "framework/Format.h"

namespace {

constexpr uint32_t kBlack = 0;

size_t RoundUp16(size_t size) { return (size + 15) / 16 * 16; }

std::vector<uint8_t> Padded(const std::vector<uint8_t>& bytes, size_t paddedSize) {
    std::vector<uint8_t> data(paddedSize, 0xFF);
    std::copy(bytes.begin(), bytes.end(), data.begin());
    return data;
}

}  // namespace

std::optional<uint32_t> OptionBytesAddress(uint8_t series) {
    switch (series) {
        case 0:
        case 2:
        case 5:
            return 0x1FFFF800;
        case 4:
        case 6:
        case 7:
        case 12:
            return 0x1FFFF600;
        case 8:
        case 9:
            return 0x1FFFE000;
        case 11:
            return 0x1FFFFC00;
        default:
            return std::nullopt;
    }
}

fw::Text FileRangeLine(int number, uint32_t start, uint32_t byteCount) {
    const uint32_t last = start + std::max<uint32_t>(byteCount, 1) - 1;
    if (number == 0) return fw::Format(TranslateText(u"文件地址范围：0x%08X-0x%08X"), start, last);
    return fw::Format(TranslateText(u"文件地址范围%d：0x%08X-0x%08X"), number, start, last);
}

fw::Text FileSizeLine(uint64_t byteCount) { return fw::Format(TranslateText(u"文件大小：%d byte"), byteCount); }

bool LoadHexFile(fw::TextView path, uint8_t series, DownloadItem& item, uint8_t& writeOptionBytes,
                 OptionRwBlock& fileOptionBytes, const LogSink& log) {
    std::vector<HexSegment> segments(kMaxSegments);
    const int n = ReadHexSegments(path, segments);
    if (n <= 0) return false;
    const std::optional<uint32_t> optionAddress = OptionBytesAddress(series);
    const auto isOption = [&](const HexSegment& s) { return optionAddress && s.startAddress == *optionAddress; };
    for (int k = 0; k < n; ++k) {
        if (isOption(segments[k]) && segments[k].data.size() > sizeof fileOptionBytes.data) return false;
    }

    item.segmentCount = static_cast<uint32_t>(n);
    int next = 0;
    uint64_t totalBytes = 0;
    for (int k = 0; k < n; ++k) {
        const HexSegment& s = segments[k];
        totalBytes += s.data.size();
        if (isOption(s)) {
            writeOptionBytes = 1;
            fileOptionBytes = OptionRwBlock{};
            fileOptionBytes.operation = 1;
            fileOptionBytes.length = static_cast<uint8_t>(s.data.size());
            std::memcpy(fileOptionBytes.data, s.data.data(), s.data.size());
            --item.segmentCount;
        } else {
            item.address[next] = s.startAddress;
            item.addressText[next] = fw::Format(u"%08X", s.startAddress);
            const size_t padded = RoundUp16(s.data.size());
            SetSegment(item, next, Padded(s.data, padded), static_cast<uint32_t>(padded));
            ++next;
        }
        log(FileRangeLine(n > 1 ? k + 1 : 0, s.startAddress, static_cast<uint32_t>(s.data.size())), kBlack);
    }
    log(FileSizeLine(totalBytes), kBlack);
    return true;
}

bool IsEncipheredPath(fw::TextView path) {
    return path.find(u"-ENC") != fw::TextView::npos || path.find(u".enc") != fw::TextView::npos;
}

bool LoadBinFile(fw::TextView path, DownloadItem& item, const LogSink& log) {
    item.length[0] = 0;
    fw::ReadResult file = fw::ReadWholeFile(path, kMaxDownloadFileBytes);
    if (!file) return false;
    const size_t size = file.bytes.size();
    log(FileSizeLine(size), kBlack);
    const bool enciphered = IsEncipheredPath(path);
    if (enciphered && size < 4) return false;
    const size_t covered = enciphered ? size - 4 : size;
    const size_t padding = RoundUp16(covered) - covered;
    SetSegment(item, 0, Padded(file.bytes, size + padding), static_cast<uint32_t>(size + padding));
    item.segmentCount = 1;
    return true;
}

uint32_t FileChecksum(const DownloadItem& item) {
    uint32_t sum = 0;
    for (uint32_t j = 0; j < UsedSegments(item); ++j) {
        sum += item.crc[j];
    }
    return sum;
}
