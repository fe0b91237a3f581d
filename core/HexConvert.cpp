// The bin/hex tool's converters: binary to Intel HEX, Intel HEX to binary, and several HEX files merged into one
// HEX and one binary file. Outputs are built in memory and written whole, so a bad input leaves no half-written
// file behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <string>
#include <vector>

#include "core/HexTokens.h"
#include "core/IntelHex.h"
#include "framework/Files.h"

namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";
constexpr std::string_view kEndRecord = ":00000001FF\r\n";

// Two hex digits of every byte value, so a byte costs one table read.
struct HexPairs {
    char pair[256][2];
    constexpr HexPairs() : pair{} {
        for (int b = 0; b < 256; ++b) {
            pair[b][0] = kUpperDigits[b >> 4];
            pair[b][1] = kUpperDigits[b & 0xF];
        }
    }
};
constexpr HexPairs kHexPairs;

char* PutByte(char* p, uint8_t b) {
    p[0] = kHexPairs.pair[b][0];
    p[1] = kHexPairs.pair[b][1];
    return p + 2;
}

// One record with its checksum and CR LF at p (room for 2 x count + 13 characters); answers its end.
char* FormatRecord(char* p, uint8_t type, uint16_t offset, const uint8_t* data, size_t count) {
    unsigned sum = static_cast<unsigned>(count) + (offset >> 8) + (offset & 0xFF) + type;
    *p++ = ':';
    p = PutByte(p, static_cast<uint8_t>(count));
    p = PutByte(p, static_cast<uint8_t>(offset >> 8));
    p = PutByte(p, static_cast<uint8_t>(offset));
    p = PutByte(p, type);
    for (size_t i = 0; i < count; ++i) {
        p = PutByte(p, data[i]);
        sum += data[i];
    }
    p = PutByte(p, static_cast<uint8_t>(0x100 - (sum & 0xFF)));
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

void AppendRecord(std::string& out, uint8_t type, uint16_t offset, const uint8_t* data, size_t count) {
    char line[2 * 260 + 3];
    out.append(line, static_cast<size_t>(FormatRecord(line, type, offset, data, count) - line));
}

// A type 2 (segment) or 4 (linear) record of a 16-bit value.
void AppendAddressRecord(std::string& out, uint8_t type, uint16_t value) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    AppendRecord(out, type, 0, bytes, 2);
}

fw::Text PathText(const std::string& path) { return fw::Utf8ToText(path); }

// Whether an output can be created where it is asked for: its folder exists and takes new files.
bool CanCreate(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    return !path.empty() && path.back() != '/' && !fw::FolderExists(PathText(path)) &&
           access(folder.c_str(), W_OK | X_OK) == 0;
}

int WriteOutput(const std::string& path, std::span<const uint8_t> bytes) {
    return fw::WriteFileAtomic(PathText(path), bytes) ? kHexOk : kHexWriteFailed;
}

constexpr size_t kBinChunk = 64 * 1024;

// A binary input read in pieces, refused when it is larger than any image we convert.
class BinaryInput {
public:
    explicit BinaryInput(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat info {};
        if (m_fd >= 0 && (::fstat(m_fd, &info) != 0 || S_ISDIR(info.st_mode) ||
                          static_cast<uint64_t>(info.st_size) > kHexMaxImageLength)) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~BinaryInput() {
        if (m_fd >= 0) ::close(m_fd);
    }
    BinaryInput(const BinaryInput&) = delete;
    BinaryInput& operator=(const BinaryInput&) = delete;

    bool Ok() const { return m_fd >= 0; }
    uint64_t Size() const {
        struct stat info {};
        return ::fstat(m_fd, &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
    }
    // Up to size bytes; 0 at the end, -1 on a read error or when the file grew beyond the limit.
    long Read(uint8_t* out, size_t size) {
        for (;;) {
            const ssize_t got = ::read(m_fd, out, size);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return -1;
            m_total += static_cast<uint64_t>(got);
            return m_total > kHexMaxImageLength ? -1 : static_cast<long>(got);
        }
    }

private:
    int m_fd;
    uint64_t m_total = 0;
};

// Intel HEX records composed straight into a buffer that goes to the output whenever it is nearly full.
class HexRecordWriter {
public:
    explicit HexRecordWriter(fw::AtomicFileWriter& file) : m_file(file) { m_buffer.resize(kCapacity); }

    void Data(uint16_t offset, const uint8_t* data, size_t count) { Record(0, offset, data, count); }
    void LinearAddress(uint32_t upper) {
        const uint8_t value[2] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
        Record(4, 0, value, 2);
    }
    void End() {
        std::copy(kEndRecord.begin(), kEndRecord.end(), m_buffer.begin() + static_cast<ptrdiff_t>(m_used));
        m_used += kEndRecord.size();
    }
    // Writes what is held when it passes the mark, or always when forced.
    bool Flush(bool force) {
        if (!force && m_used < kFlushMark) return true;
        const bool ok = m_file.Append(std::string_view(m_buffer.data(), m_used));
        m_used = 0;
        return ok;
    }

private:
    // Room for the records of one input chunk (45 characters for 16 bytes, plus address records) past the mark.
    static constexpr size_t kFlushMark = 256 * 1024;
    static constexpr size_t kCapacity = kFlushMark + kBinChunk * 3 + 4096;

    void Record(uint8_t type, uint16_t offset, const uint8_t* data, size_t count) {
        m_used =
            static_cast<size_t>(FormatRecord(m_buffer.data() + m_used, type, offset, data, count) - m_buffer.data());
    }

    fw::AtomicFileWriter& m_file;
    std::vector<char> m_buffer;
    size_t m_used = 0;
};

// Places data at a position of a binary that grows as records arrive; gaps read back as zero bytes.
bool Place(std::vector<uint8_t>& image, uint64_t position, const uint8_t* data, size_t count) {
    if (position + count > kHexMaxImageLength) return false;
    if (position + count > image.size()) image.resize(static_cast<size_t>(position + count), 0x00);
    std::copy(data, data + count, image.begin() + static_cast<ptrdiff_t>(position));
    return true;
}

long InputSize(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long size = std::ftell(file);
    std::rewind(file);
    return size < 0 ? 0 : size;
}

// The walk of one merge input: every record up to its end-of-file record.
template <class OnRecord>
int WalkMergeInput(const std::string& path, OnRecord&& onRecord) {
    const HexInputFile file = OpenHexInput(PathText(path));
    if (!file) return kHexCannotOpenInput;
    HexTokenReader reader(file.get());
    bool ended = false;
    const int rc = WalkHexRecords(reader, ended, onRecord);
    // An input cut short would be merged as if it were whole.
    return rc == kHexOk && !ended ? kHexNoEndRecord : rc;
}

}  // namespace

int BinToHexFile(const std::string& binPath, const std::string& hexPath, uint32_t startAddress) {
    BinaryInput input(fw::ToOsPath(PathText(binPath)));
    if (!input.Ok()) return kHexCannotOpenInput;
    // Intel HEX addresses end at 4 GiB; an image past it would wrap to address 0.
    constexpr uint64_t kAddressSpace = uint64_t{1} << 32;
    if (startAddress + input.Size() > kAddressSpace) return kHexAddressOutOfRange;
    if (!CanCreate(hexPath)) return kHexCannotCreateOutput;
    fw::AtomicFileWriter writer(PathText(hexPath));
    if (!writer.IsOpen()) return kHexCannotCreateOutput;

    // Streamed through two small buffers that are used again and again: a 16 MiB image makes 47 MB of text, and
    // building that whole in memory costs more in fresh pages than the formatting itself.
    HexRecordWriter out(writer);
    std::vector<uint8_t> data(kBinChunk + 16);
    size_t held = 0;  // bytes of data not yet in a record
    uint32_t address = startAddress;
    uint64_t total = 0;
    out.LinearAddress(address >> 16);
    for (bool atEnd = false; !atEnd;) {
        const long got = input.Read(data.data() + held, kBinChunk);
        if (got < 0) return kHexCannotOpenInput;
        total += static_cast<uint64_t>(got);
        if (startAddress + total > kAddressSpace) return kHexAddressOutOfRange;  // the file grew meanwhile
        atEnd = got == 0;
        held += static_cast<size_t>(got);
        size_t done = 0;
        // Records of 16 bytes while a whole one is there; the short tail waits for more data or the end.
        while (held - done >= 16 || (atEnd && done < held)) {
            size_t n = std::min<size_t>(16, held - done);
            const uint32_t offset = address & 0xFFFF;
            // A start that is not 16-aligned reaches a 64 KB boundary inside a block: the record ends there, so
            // the rest goes after a new extended linear address record instead of wrapping the offset.
            if (offset + n > 0x10000) n = 0x10000 - offset;
            out.Data(static_cast<uint16_t>(offset), data.data() + done, n);
            done += n;
            address += static_cast<uint32_t>(n);
            if ((address & 0xFFFF) == 0 && (n == 16 || done < held)) out.LinearAddress(address >> 16);
        }
        std::copy(data.begin() + static_cast<ptrdiff_t>(done), data.begin() + static_cast<ptrdiff_t>(held),
                  data.begin());
        held -= done;
        if (!out.Flush(false)) return kHexWriteFailed;
    }
    out.End();
    if (!out.Flush(true) || !writer.Commit()) return kHexWriteFailed;
    return kHexOk;
}

int HexToBinFile(const std::string& hexPath, const std::string& binPath) {
    const HexInputFile file = OpenHexInput(PathText(hexPath));
    if (!file) return kHexCannotOpenInput;
    if (!CanCreate(binPath)) return kHexCannotCreateOutput;

    try {
        // The data of a HEX file take at most half its characters, so a contiguous image never regrows.
        std::vector<uint8_t> image;
        image.reserve(static_cast<size_t>(
            std::min<uint64_t>(static_cast<uint64_t>(InputSize(file.get())) / 2, kHexMaxImageLength)));
        HexTokenReader reader(file.get());
        uint32_t base = 0;
        bool haveFirst = false;
        uint32_t first = 0;  // the address of the first data record: position 0 of the binary
        bool ended = false;
        const int rc = WalkHexRecords(reader, ended, [&](std::string_view, const HexRecord& record) {
            if (record.type == 2 || record.type == 4) {
                base = AddressRecordBase(record);
            } else if (record.type == 0) {
                const uint32_t address = base + record.address;
                if (!haveFirst) {
                    haveFirst = true;
                    first = address;
                }
                if (address < first || !Place(image, address - first, record.data.data(), record.count)) {
                    return kHexAddressOutOfRange;
                }
            }
            return kHexOk;
        });
        if (rc != kHexOk) return rc;
        if (!ended) return kHexNoEndRecord;
        return WriteOutput(binPath, std::span<const uint8_t>(image));
    } catch (const std::bad_alloc&) {
        return kHexWriteFailed;
    }
}

int MergeHexFiles(uint32_t count, std::span<const std::string> paths, const std::string& binPath,
                  const std::string& hexPath) {
    if (count > paths.size()) return kHexCannotOpenInput;
    if (!CanCreate(binPath) || !CanCreate(hexPath)) return kHexCannotCreateOutput;
    const std::span<const std::string> inputs = paths.first(count);

    // First pass: the HEX output and the address range.
    std::string hex;
    uint64_t lowest = UINT64_MAX;
    uint64_t highest = 0;
    // The bases the merged text has set so far. Every input starts at base 0, but a reader of the merged text
    // carries both bases over from the input before, and some readers add a segment base to a linear one; so an
    // input's first record that does not set a base itself gets a record that clears it.
    bool segmentBaseSet = false;
    bool linearBaseSet = false;
    for (const std::string& path : inputs) {
        uint32_t base = 0;
        bool inputStarted = false;
        const int rc = WalkMergeInput(path, [&](std::string_view line, const HexRecord& record) {
            if (!inputStarted && (record.type == 0 || record.type == 2 || record.type == 4)) {
                inputStarted = true;
                if (segmentBaseSet && record.type != 2) AppendAddressRecord(hex, 2, 0);
                if (linearBaseSet && record.type != 4) AppendAddressRecord(hex, 4, 0);
                segmentBaseSet = linearBaseSet = false;
            }
            if (record.type == 2 || record.type == 4) {
                base = AddressRecordBase(record);
                (record.type == 2 ? segmentBaseSet : linearBaseSet) = base != 0;
            } else if (record.type == 0) {
                const uint64_t start = static_cast<uint64_t>(base) + record.address;
                lowest = std::min(lowest, start);
                highest = std::max(highest, start + record.count);
            }
            hex.append(line);
            hex += "\r\n";
            return kHexOk;
        });
        if (rc != kHexOk) return rc;
    }
    hex += kEndRecord;

    std::vector<uint8_t> binary;
    if (lowest <= highest) {
        const uint64_t length = (highest - lowest + 1) / 2 * 2;
        if (length > kHexMaxImageLength) return kHexAddressOutOfRange;
        try {
            binary.assign(static_cast<size_t>(length), 0xFF);
        } catch (const std::bad_alloc&) {
            return kHexWriteFailed;
        }
        // Second pass: the data at their place.
        for (const std::string& path : inputs) {
            uint32_t base = 0;
            const int rc = WalkMergeInput(path, [&](std::string_view, const HexRecord& record) {
                if (record.type == 2 || record.type == 4) {
                    base = AddressRecordBase(record);
                } else if (record.type == 0) {
                    const uint64_t start = static_cast<uint64_t>(base) + record.address;
                    // The inputs may have changed since the first pass.
                    if (start < lowest || start - lowest + record.count > binary.size()) return kHexAddressOutOfRange;
                    std::copy(record.data.begin(), record.data.begin() + record.count,
                              binary.begin() + static_cast<ptrdiff_t>(start - lowest));
                }
                return kHexOk;
            });
            if (rc != kHexOk) return rc;
        }
    }
    // Both outputs or neither: a new binary beside the old HEX would pass for one merge.
    const fw::Text binTarget = PathText(binPath), hexTarget = PathText(hexPath);
    const fw::FileToWrite outputs[] = {
        {binTarget, binary},
        {hexTarget, std::span(reinterpret_cast<const uint8_t*>(hex.data()), hex.size())},
    };
    return fw::WriteFilesAtomic(outputs) == std::size(outputs) ? kHexOk : kHexWriteFailed;
}
