// Enciphered download files of offline projects: which names mark one, and the header in front of its ciphertext.
// The downloader's firmware decides by the name alone, by ".enc" or ".ENC" anywhere in it (no other spelling),
// so the program, the files it writes and the simulated downloader ask this one test.
#pragma once

#include <cstddef>
#include <string_view>

template <class Char>
constexpr bool NameMarksEnciphered(std::basic_string_view<Char> name) {
    constexpr Char lower[] = {Char('.'), Char('e'), Char('n'), Char('c')};
    constexpr Char upper[] = {Char('.'), Char('E'), Char('N'), Char('C')};
    return name.find(std::basic_string_view<Char>(lower, 4)) != name.npos ||
           name.find(std::basic_string_view<Char>(upper, 4)) != name.npos;
}

// The padded plaintext's length, its SHA-256 and its CRC-32, the numbers most significant byte first; the
// ciphertext follows, as long as the first field says.
inline constexpr std::size_t kEncFileHeaderBytes = 40;

// Ciphertext is whole AES blocks: one cut within a block and padded out would decipher to a garbage last block.
constexpr bool IsWholeCipherBlocks(std::size_t length) { return length % 16 == 0; }
