// Splits Intel HEX input into records the way the line readers take them: white-space delimited tokens, so blank
// lines and line ends of any kind are skipped. Reads from memory or from a file in chunks, so a large file never
// sits in memory whole.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

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
