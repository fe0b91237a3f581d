// Splits Intel HEX input into records the way the line readers take them: white-space delimited tokens, so blank
// lines and line ends of any kind are skipped. Reads from memory or from a file in chunks, so a large file never
// sits in memory whole.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

#include "core/IntelHex.h"
#include "framework/Text.h"

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using HexInputFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens an input for reading; null when it cannot be opened (a folder cannot).
HexInputFile OpenHexInput(fw::TextView path);

class HexTokenReader {
public:
    enum class Result { Token, TooLong, End, ReadError };

    explicit HexTokenReader(std::string_view text) : m_text(text), m_file(nullptr) {}
    explicit HexTokenReader(std::FILE* file);

    // The token stays valid until the next call. A token longer than the longest record is reported as TooLong
    // without being kept.
    Result Next(std::string_view& token);

private:
    bool Refill();

    std::string_view m_text;  // the unread part of the current chunk
    std::FILE* m_file;
    std::unique_ptr<char[]> m_buffer;
    bool m_eof = false;
};

// The base address a type 2 (value x 16) or type 4 (value x 65536) record sets.
inline uint32_t AddressRecordBase(const HexRecord& record) {
    const uint32_t value = static_cast<uint32_t>(record.data[0] << 8 | record.data[1]);
    return record.type == 2 ? value << 4 : value << 16;
}

// Hands every record before the end-of-file record, with its text, to onRecord, which answers kHexOk to go on.
// Answers kHexOk, with ended telling whether the end-of-file record came, or the code of the first fault: a token
// too long, a parser code, a type above 5, an address record without its two bytes (kHexLengthMismatch), a read
// error (kHexCannotOpenInput), or what onRecord answered.
template <class OnRecord>
int WalkHexRecords(HexTokenReader& reader, bool& ended, OnRecord&& onRecord) {
    ended = false;
    HexRecord record;
    std::string_view token;
    for (;;) {
        switch (reader.Next(token)) {
            case HexTokenReader::Result::TooLong:
                return kHexLineTooLong;
            case HexTokenReader::Result::ReadError:
                return kHexCannotOpenInput;
            case HexTokenReader::Result::End:
                return kHexOk;
            case HexTokenReader::Result::Token:
                break;
        }
        const int rc = ParseHexRecord(token, record);
        if (rc != kHexOk) return rc;
        if (record.type > 5) return kHexBadType;
        if ((record.type == 2 || record.type == 4) && record.count < 2) return kHexLengthMismatch;
        if (record.type == 1) {
            ended = true;
            return kHexOk;
        }
        const int next = onRecord(token, record);
        if (next != kHexOk) return next;
    }
}
