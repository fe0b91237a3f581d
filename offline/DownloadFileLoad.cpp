#include "offline/DownloadFileLoad.h"

#include <algorithm>

#include "core/IntelHex.h"
#include "core/Translation.h"
#include "framework/Files.h"

namespace {

constexpr std::size_t kEncHeader = 40;
// A HEX file may hold more runs than the list has rows; they are counted so the list can refuse the file whole.
constexpr std::size_t kMaxHexRuns = 4096;

uint32_t Le32At(const std::vector<uint8_t>& bytes, std::size_t at) {
    return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
           uint32_t{bytes[at + 3]} << 24;
}

}  // namespace

DownloadFile ReadDownloadFile(fw::TextView path, fw::TextView extension, uint32_t start) {
    DownloadFile file;
    if (fw::EqualsNoCase(extension, u"hex")) {
        std::vector<HexSegment> segments(kMaxHexRuns);
        const int count = ReadHexSegments(path, segments);
        if (count <= 0) {
            file.refusal = TranslateText(u"文件打开失败！");
            return file;
        }
        for (int i = 0; i < count; ++i)
            file.runs.push_back({segments[i].startAddress, std::move(segments[i].data)});
        return file;
    }
    const bool enciphered = fw::EqualsNoCase(extension, u"enc");
    if (!enciphered && !fw::EqualsNoCase(extension, u"bin")) {
        file.refusal = TranslateText(u"文件类型不正确！");
        return file;
    }
    fw::ReadResult read = fw::ReadWholeFile(path, kMaxDownloadFileBytes);
    if (read.status == fw::ReadStatus::TooLarge) {
        file.refusal = TranslateText(u"文件长度不正确！");
        return file;
    }
    if (!read) {
        file.refusal = TranslateText(u"文件打开失败！");
        return file;
    }
    std::vector<uint8_t>& bytes = read.bytes;
    // An enciphered file is its header and at least one block; a raw image at least one byte.
    if (bytes.size() <= (enciphered ? kEncHeader : 0)) {
        file.refusal = TranslateText(u"文件长度不正确！");
        return file;
    }
    DownloadFileRun run{start, {}};
    if (enciphered) {
        // The header's length and CRC travel as the file stores them (most significant byte first): the record's
        // fields are little-endian, so read that way they put the file's bytes back in the same order.
        file.plainLength = Le32At(bytes, 0);
        std::copy_n(bytes.begin() + 4, 32, file.plainSha256.begin());
        file.plainCrc32 = Le32At(bytes, 36);
        run.data.assign(bytes.begin() + kEncHeader, bytes.end());
    } else {
        run.data = std::move(bytes);
    }
    file.runs.push_back(std::move(run));
    return file;
}
