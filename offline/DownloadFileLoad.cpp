#include "offline/DownloadFileLoad.h"

#include <algorithm>
#include <utility>

#include "core/EncipheredFileName.h"
#include "core/IntelHex.h"
#include "core/Translation.h"
#include "framework/Files.h"
#include "offline/ByteStringName.h"
#include "offline/ProjectConfig.h"

namespace {

// More runs than the program's download items hold make the file unreadable here as there.
constexpr std::size_t kMaxHexRuns = 260;

uint32_t Be32At(const std::vector<uint8_t>& bytes, std::size_t at) {
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 |
           uint32_t{bytes[at + 3]};
}

DownloadFile Refused(fw::Text message) {
    DownloadFile file;
    file.refusal = std::move(message);
    return file;
}

fw::TextView ExtensionOf(fw::TextView name) {
    const std::size_t dot = name.rfind(u'.');
    return dot == fw::TextView::npos ? fw::TextView() : name.substr(dot + 1);
}

}  // namespace

bool DownloadFileNameFits(fw::TextView name) { return NameToByteString(name).size() <= kProjectTextMax; }

DownloadFile ReadDownloadFile(fw::TextView path, fw::TextView name, uint32_t start, std::size_t maxImageBytes) {
    const fw::TextView extension = ExtensionOf(name);
    const bool enciphered = NameMarksEnciphered(name);
    // The downloader takes a file for enciphered by its name: one it would read otherwise than the extension says
    // ("fw.Enc", "app.enc.bin") would reach the chip as something it is not.
    if (enciphered != fw::EqualsNoCase(extension, u"enc")) return Refused(TranslateText(u"文件类型不正确！"));
    DownloadFile file;
    file.enciphered = enciphered;
    if (fw::EqualsNoCase(extension, u"hex")) {
        std::vector<HexSegment> segments(kMaxHexRuns);
        const int count = ReadHexSegments(path, segments);
        if (count <= 0) return Refused(TranslateText(u"文件打开失败！"));
        for (int i = 0; i < count; ++i) {
            if (segments[i].data.size() > maxImageBytes)
                return Refused(TranslateText(u"下载文件过大，下载位置超出范围！"));
            file.runs.push_back({segments[i].startAddress, std::move(segments[i].data)});
        }
        return file;
    }
    if (!enciphered && !fw::EqualsNoCase(extension, u"bin")) return Refused(TranslateText(u"文件类型不正确！"));
    const std::size_t header = enciphered ? kEncFileHeaderBytes : 0;
    fw::ReadResult read = fw::ReadWholeFile(path, maxImageBytes + header);
    if (read.status == fw::ReadStatus::TooLarge) return Refused(TranslateText(u"下载文件过大，下载位置超出范围！"));
    if (!read) return Refused(TranslateText(u"文件打开失败！"));
    std::vector<uint8_t>& bytes = read.bytes;
    DownloadFileRun run{start, {}};
    if (enciphered) {
        if (bytes.size() < kEncFileHeaderBytes || Be32At(bytes, 0) != bytes.size() - kEncFileHeaderBytes)
            return Refused(TranslateText(u"文件长度不正确！"));
        if (!IsWholeCipherBlocks(Be32At(bytes, 0))) return Refused(TranslateText(u"加密文件长度不是16的倍数！"));
        file.plainLength = Be32At(bytes, 0);
        std::copy_n(bytes.begin() + 4, 32, file.plainSha256.begin());
        file.plainCrc32 = Be32At(bytes, 36);
        run.data.assign(bytes.begin() + kEncFileHeaderBytes, bytes.end());
    } else {
        run.data = std::move(bytes);
    }
    if (run.data.empty()) return Refused(TranslateText(u"文件大小为0！"));
    file.runs.push_back(std::move(run));
    return file;
}
