#include "framework/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>

namespace fw {
namespace {

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    // Closes now so that the caller sees the result (a deferred write error can surface here).
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

class Dir {
public:
    explicit Dir(const std::string& path) : m_dir(::opendir(path.c_str())) {}
    ~Dir() {
        if (m_dir != nullptr) ::closedir(m_dir);
    }
    Dir(const Dir&) = delete;
    Dir& operator=(const Dir&) = delete;
    bool IsOpen() const { return m_dir != nullptr; }
    const dirent* Next() { return ::readdir(m_dir); }

private:
    DIR* m_dir;
};

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool IsDotOrDotDot(std::string_view name) { return name == "." || name == ".."; }

// The entry of folder whose name equals wanted without regard to ASCII case; of several, the first in byte order,
// so that the answer does not depend on the order the file system lists them in.
bool FindEntryNoCase(const std::string& folder, TextView wanted, std::string& found) {
    Dir dir(folder.empty() ? std::string(".") : folder);
    if (!dir.IsOpen()) return false;
    bool any = false;
    while (const dirent* entry = dir.Next()) {
        const std::string_view name = entry->d_name;
        if (IsDotOrDotDot(name) || !EqualsNoCase(Utf8ToText(name), wanted)) continue;
        if (!any || name < found) found = name;
        any = true;
    }
    return any;
}

int SortNoCase(const Text& a, const Text& b) {
    const int noCase = CompareNoCase(a, b);
    return noCase != 0 ? noCase : a.compare(b);
}

}  // namespace

Text NormalizePath(TextView path) {
    Text result(path);
    Replace(result, u'\\', u'/');
    return result;
}

Text JoinPath(TextView folder, TextView name) {
    Text left = NormalizePath(folder);
    Text right = NormalizePath(name);
    if (left.empty()) return right;
    if (right.empty()) return left;
    while (left.size() > 1 && left.back() == u'/')
        left.pop_back();
    std::size_t skip = 0;
    while (skip < right.size() && right[skip] == u'/')
        ++skip;
    if (left != u"/") left.push_back(u'/');
    return left + right.substr(skip);
}

std::string ToOsPath(TextView path) { return TextToUtf8(NormalizePath(path)); }

Text GetWorkingDirectory() {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    return error ? Text() : Utf8ToText(current.native());
}

bool SetWorkingDirectory(TextView folder) { return ::chdir(ToOsPath(folder).c_str()) == 0; }

Text ResolvePathNoCase(TextView path) {
    const Text normalized = NormalizePath(path);
    std::string resolved;
    std::size_t pos = 0;
    if (!normalized.empty() && normalized[0] == u'/') {
        resolved = "/";
        pos = 1;
    }
    while (pos <= normalized.size()) {
        std::size_t end = normalized.find(u'/', pos);
        if (end == Text::npos) end = normalized.size();
        const TextView part = TextView(normalized).substr(pos, end - pos);
        const bool last = end == normalized.size();
        if (!part.empty()) {
            const std::string asWritten = TextToUtf8(part);
            std::string candidate = resolved + asWritten;
            struct stat info {};
            if (::lstat(candidate.c_str(), &info) != 0) {
                std::string found;
                if (IsDotOrDotDot(asWritten) || !FindEntryNoCase(resolved, part, found)) return normalized;
                candidate = resolved + found;
            }
            resolved = candidate;
            if (!last) resolved.push_back('/');
        }
        pos = end + 1;
    }
    return Utf8ToText(resolved);
}

bool FileExists(TextView path) {
    struct stat info {};
    return ::stat(ToOsPath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FolderExists(TextView path) {
    struct stat info {};
    return ::stat(ToOsPath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DeleteFile(TextView path) { return ::unlink(ToOsPath(path).c_str()) == 0; }

bool CreateFolders(TextView path) {
    std::error_code error;
    std::filesystem::create_directories(ToOsPath(path), error);
    return FolderExists(path);
}

ReadResult ReadWholeFile(TextView path, std::size_t maxBytes) {
    ReadResult result;
    Fd fd(::open(ToOsPath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        result.status = errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
        return result;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0 || S_ISDIR(info.st_mode)) return result;
    if (S_ISREG(info.st_mode)) {
        if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
            result.status = ReadStatus::TooLarge;
            return result;
        }
        result.bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    // The size can change between fstat and read, and some files report none: the bound holds on what is read.
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            result.bytes.clear();
            return result;
        }
        if (got == 0) break;
        if (result.bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            result.bytes.clear();
            result.status = ReadStatus::TooLarge;
            return result;
        }
        result.bytes.insert(result.bytes.end(), chunk, chunk + got);
    }
    result.status = ReadStatus::Ok;
    return result;
}

AtomicFileWriter::AtomicFileWriter(TextView path) : m_target(ToOsPath(path)) {
    const std::size_t slash = m_target.rfind('/');
    m_folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : m_target.substr(0, slash));
    const std::string name = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    if (name.empty()) return;
    m_temp = (slash == std::string::npos ? std::string() : m_target.substr(0, slash + 1)) + "." + name + ".tmp-XXXXXX";
    m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
    if (m_fd < 0) return;
    // The new file keeps the permissions of the one it replaces; a new one gets the usual 0644.
    struct stat old {};
    const mode_t mode = ::stat(m_target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (::fchmod(m_fd, mode) != 0) m_failed = true;
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Discard() {
    if (m_staged) {
        ::unlink(m_temp.c_str());
        m_staged = false;
    }
    if (m_fd < 0) return;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_temp.c_str());
}

bool AtomicFileWriter::Append(std::span<const std::uint8_t> bytes) {
    if (m_fd < 0 || m_failed) return false;
    if (!WriteAll(m_fd, bytes.data(), bytes.size())) m_failed = true;
    return !m_failed;
}

bool AtomicFileWriter::Append(std::string_view bytes) {
    return Append(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

bool AtomicFileWriter::Commit() {
    if (!Stage()) return false;
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        Discard();
        return false;
    }
    m_staged = false;
    Settle();
    return true;
}

bool AtomicFileWriter::Stage() {
    if (m_fd < 0) return false;
    if (m_failed || ::fsync(m_fd) != 0) {
        Discard();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    m_staged = ::close(fd) == 0;
    if (!m_staged) ::unlink(m_temp.c_str());
    return m_staged;
}

bool AtomicFileWriter::Place() {
    if (!m_staged) return false;
    struct stat info {};
    if (::lstat(m_target.c_str(), &info) == 0) {
        // Only a file is replaced; rename would move a folder of that name aside as well.
        if (S_ISDIR(info.st_mode)) return false;
        // A second name keeps the old file while the new one replaces it in one step; where the file system has
        // no links, the old file is moved aside instead.
        m_aside = m_temp + ".old";
        if (::link(m_target.c_str(), m_aside.c_str()) != 0 && ::rename(m_target.c_str(), m_aside.c_str()) != 0) {
            m_aside.clear();
            return false;
        }
    }
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        Undo();
        return false;
    }
    m_staged = false;
    return true;
}

void AtomicFileWriter::Undo() {
    if (!m_aside.empty()) {
        ::rename(m_aside.c_str(), m_target.c_str());
        m_aside.clear();
    } else if (!m_staged) {
        ::unlink(m_target.c_str());  // placed where no file was
    }
}

void AtomicFileWriter::Settle() {
    if (!m_aside.empty()) ::unlink(m_aside.c_str());
    m_aside.clear();
    // Makes the rename itself durable; the data is already safe, so a failure here changes nothing.
    Fd folderFd(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.Get() >= 0) ::fsync(folderFd.Get());
}

std::size_t WriteFilesAtomic(std::span<const FileToWrite> files) {
    std::vector<std::unique_ptr<AtomicFileWriter>> writers;
    for (std::size_t i = 0; i < files.size(); ++i) {
        writers.push_back(std::make_unique<AtomicFileWriter>(files[i].path));
        if (!writers[i]->Append(files[i].bytes) || !writers[i]->Stage()) return i;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!writers[i]->Place()) {
            for (std::size_t j = i; j-- > 0;)
                writers[j]->Undo();
            return i;
        }
    }
    for (const auto& writer : writers)
        writer->Settle();
    return files.size();
}

bool WriteFileAtomic(TextView path, std::span<const std::uint8_t> bytes) {
    AtomicFileWriter writer(path);
    return writer.Append(bytes) && writer.Commit();
}

bool WriteFileAtomic(TextView path, std::string_view bytes) {
    return WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::vector<Text> ListFilesByExtension(TextView folder, TextView ext) {
    std::vector<Text> names;
    const std::string osFolder = ToOsPath(folder);
    Dir dir(osFolder.empty() ? std::string(".") : osFolder);
    if (!dir.IsOpen()) return names;
    while (const dirent* entry = dir.Next()) {
        const std::string_view name = entry->d_name;
        const std::size_t dot = name.rfind('.');
        if (IsDotOrDotDot(name) || dot == std::string_view::npos) continue;
        if (!EqualsNoCase(Utf8ToText(name.substr(dot + 1)), ext)) continue;
        struct stat info {};
        const std::string full = (osFolder.empty() ? std::string() : osFolder + "/") + std::string(name);
        if (::stat(full.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        names.push_back(Utf8ToText(name));
    }
    std::sort(names.begin(), names.end(), [](const Text& a, const Text& b) { return SortNoCase(a, b) < 0; });
    return names;
}

std::vector<Text> SplitLines(std::string_view utf8) {
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    std::vector<Text> lines;
    while (!utf8.empty()) {
        const std::size_t end = utf8.find('\n');
        std::string_view line = utf8.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(Utf8ToText(line));
        if (end == std::string_view::npos) break;
        utf8.remove_prefix(end + 1);
    }
    return lines;
}

bool ReadLines(TextView path, std::size_t maxBytes, std::vector<Text>& lines) {
    const ReadResult file = ReadWholeFile(path, maxBytes);
    if (!file) return false;
    lines = SplitLines(std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()));
    return true;
}

}  // namespace fw
