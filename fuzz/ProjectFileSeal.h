// For the project-file fuzz targets: seals any bytes as a container body (digest in front, enciphered under the
// project file key), so that a fuzzed body reaches the section table and record checks instead of stopping at the
// digest. The program's encoder cannot serve here: it only ever writes well-formed section tables. The seeds are
// the other way round: files of the program's writers, opened back into their bodies.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/Aes.h"
#include "core/Sha256.h"
#include "offline/ProjectKeys.h"

inline std::vector<uint8_t> SealProjectFileBody(std::span<const uint8_t> body) {
    std::vector<uint8_t> file(32 + (body.size() + 15) / 16 * 16, 0);
    std::copy(body.begin(), body.end(), file.begin() + 32);
    Sha256Buffer(file.data() + 32, static_cast<int>(file.size() - 32), file.data());
    const std::array<uint8_t, 16> key = ProjectFileKey();
    const AES aes(key.data());
    for (std::size_t at = 0; at < file.size(); at += 16)
        aes.EncryptBlock(file.data() + at);
    return file;
}

// The body of a whole file the program wrote: deciphered, without its digest.
inline std::vector<uint8_t> OpenProjectFileBody(std::vector<uint8_t> file) {
    const std::array<uint8_t, 16> key = ProjectFileKey();
    const AES aes(key.data());
    for (std::size_t at = 0; at + 16 <= file.size(); at += 16)
        aes.DecryptBlock(file.data() + at);
    file.erase(file.begin(), file.begin() + std::min<std::size_t>(32, file.size()));
    return file;
}
