#include "core/HexTokens.h"

#include <sys/stat.h>

#include <cstring>

#include "core/IntelHex.h"
#include "framework/Files.h"

namespace {

constexpr size_t kBufferSize = (64 << 10) + kHexMaxLineLength + 1;

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

HexInputFile OpenHexInput(fw::TextView path) {
    HexInputFile file(std::fopen(fw::ToOsPath(path).c_str(), "rb"));
    struct stat st {};
    if (file && (fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))) file.reset();
    return file;
}

HexTokenReader::HexTokenReader(std::FILE* file)
    : m_file(file), m_buffer(std::make_unique_for_overwrite<char[]>(kBufferSize)) {}

bool HexTokenReader::Refill() {
    // Keeps the unread tail (a token cut by the chunk end) at the front of the buffer.
    const size_t tail = m_text.size();
    if (tail > 0 && m_text.data() != m_buffer.get()) std::memmove(m_buffer.get(), m_text.data(), tail);
    const size_t room = kBufferSize - tail;
    const size_t got = std::fread(m_buffer.get() + tail, 1, room, m_file);
    if (got < room) m_eof = true;
    m_text = std::string_view(m_buffer.get(), tail + got);
    return got > 0;
}

HexTokenReader::Result HexTokenReader::Next(std::string_view& token) {
    for (;;) {
        size_t i = 0;
        while (i < m_text.size() && IsSpace(m_text[i]))
            ++i;
        m_text.remove_prefix(i);
        size_t end = 0;
        while (end < m_text.size() && !IsSpace(m_text[end]) && end <= kHexMaxLineLength)
            ++end;
        if (end > kHexMaxLineLength) return Result::TooLong;
        const bool complete = end < m_text.size() || m_file == nullptr || m_eof;
        if (complete) {
            if (end == 0) {
                if (m_file != nullptr && std::ferror(m_file)) return Result::ReadError;
                return Result::End;
            }
            token = m_text.substr(0, end);
            m_text.remove_prefix(end);
            return Result::Token;
        }
        // The token may go on in the next chunk.
        if (!Refill() && m_file != nullptr && std::ferror(m_file)) return Result::ReadError;
    }
}
