#include "core/FileServices.h"

#include <sys/stat.h>

#include <ctime>

#include "core/Translation.h"
#include "framework/Files.h"
#include "framework/MessageBox.h"

fw::Text GetCurrentDir() { return fw::GetWorkingDirectory(); }

void ListFilesByExtension(fw::TextView folder, fw::TextView extension, std::vector<fw::Text>& out) {
    for (const fw::Text& name : fw::ListFilesByExtension(folder, extension)) {
        // The dot and the extension go, whatever the extension's length.
        out.push_back(fw::Left(name, static_cast<int>(name.size() - extension.size()) - 1));
    }
}

void SplitFileName(fw::TextView path, fw::Text& title, fw::Text& extension) {
    int slash = fw::ReverseFind(path, u'\\');
    if (slash < 0) slash = fw::ReverseFind(path, u'/');
    const fw::Text name = fw::Mid(path, slash + 1);
    const int dot = fw::ReverseFind(name, u'.');
    if (dot < 0) {
        title = name;
        extension = name;
        return;
    }
    title = fw::Left(name, dot);
    extension = fw::Mid(name, dot + 1);
}

uint32_t FileModifiedTime(fw::TextView path) {
    struct stat st {};
    if (::stat(fw::ToOsPath(path).c_str(), &st) != 0) return 0;
    const std::time_t written = st.st_mtim.tv_sec;
    std::tm fields{};
    if (gmtime_r(&written, &fields) == nullptr) return 0;
    fields.tm_isdst = 0;  // standard time: no daylight saving
    const std::time_t local = std::mktime(&fields);
    return local < 0 ? 0 : static_cast<uint32_t>(local);
}

bool ReadFileToBuffer(std::vector<uint8_t>& buffer, uint32_t& size, fw::TextView path, bool pad) {
    // The size is 32-bit; a larger file cannot be described to the caller.
    fw::ReadResult file = fw::ReadWholeFile(path, 0xFFFFFFFFu - 16);
    if (!file) return false;
    const uint32_t length = static_cast<uint32_t>(file.bytes.size());
    uint32_t padding = 0;
    if (pad) {
        const bool enciphered = fw::EqualsNoCase(fw::Right(path, 4), u".enc");
        const uint32_t aligned = enciphered ? length - 4 : length;
        if (aligned % 16 != 0) padding = 16 - aligned % 16;
    }
    file.bytes.resize(static_cast<size_t>(length) + padding, 0x00);
    buffer = std::move(file.bytes);
    size = length + padding;
    return true;
}

namespace {

bool ReportUnwritten(fw::TextView path) {
    // Callers do not look at the answer, so the user must hear of every failure, not only of a failed create.
    fw::PlainMessageBox(fw::Text(path) + TranslateText(u"文件打开失败！"));
    return false;
}

}  // namespace

bool WriteBufferToFile(fw::TextView path, std::span<const uint8_t> data) {
    return fw::WriteFileAtomic(path, data) || ReportUnwritten(path);
}

bool WriteBuffersToFiles(std::span<const fw::FileToWrite> files) {
    const size_t failed = fw::WriteFilesAtomic(files);
    return failed == files.size() || ReportUnwritten(files[failed].path);
}
