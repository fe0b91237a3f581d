#include "core/Crc32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "TestBytes.h"

namespace {

// The published CRC-32/MPEG-2 over a byte stream, bit by bit: the reference the word-wise tables must meet.
uint32_t Mpeg2Reference(const std::vector<uint8_t>& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        crc ^= static_cast<uint32_t>(b) << 24;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

TEST(Crc32, CheckValueOfTheMpeg2Parameters) {
    // "123456789" taken as the words the CRC unit sees: each group of four bytes reversed, so the stream the CRC
    // runs over is exactly "12345678".
    const std::vector<uint8_t> check = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Mpeg2Reference(check), 0x0376E6E7u);
    const uint32_t words[] = {0x31323334u, 0x35363738u};
    std::vector<uint8_t> stream(check.begin(), check.begin() + 8);
    EXPECT_EQ(Crc32Words(words, 2), Mpeg2Reference(stream));
}

TEST(Crc32, BufferPacksLittleEndianWordsAndIgnoresTheTail) {
    const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0xAA, 0xBB};
    const uint32_t word = 0x04030201u;
    EXPECT_EQ(Crc32Buffer(bytes, 4, nullptr), Crc32Words(&word, 1));
    EXPECT_EQ(Crc32Buffer(bytes, 6, nullptr), Crc32Buffer(bytes, 4, nullptr));

    uint8_t out[4] = {0, 0, 0, 0};
    EXPECT_EQ(Crc32Buffer(bytes, 0, out), 0xFFFFFFFFu);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[3], 0xFF);
    EXPECT_EQ(Crc32Words(nullptr, 0), 0xFFFFFFFFu);

    const uint32_t crc = Crc32Buffer(bytes, 4, out);
    EXPECT_EQ(out[0], crc >> 24);
    EXPECT_EQ(out[1], (crc >> 16) & 0xFF);
    EXPECT_EQ(out[2], (crc >> 8) & 0xFF);
    EXPECT_EQ(out[3], crc & 0xFF);
}

TEST(Crc32, MatchesTheBitwiseReferenceOverRandomLengths) {
    for (size_t length : {size_t{4}, size_t{8}, size_t{12}, size_t{64}, size_t{1000}, size_t{4099}}) {
        const std::vector<uint8_t> data = testbytes::Random(length, static_cast<uint32_t>(length));
        std::vector<uint8_t> stream;
        for (size_t i = 0; i + 4 <= data.size(); i += 4) {
            stream.insert(stream.end(), {data[i + 3], data[i + 2], data[i + 1], data[i]});
        }
        EXPECT_EQ(Crc32Buffer(data.data(), static_cast<int>(data.size()), nullptr), Mpeg2Reference(stream)) << length;
        std::vector<uint32_t> words(data.size() / 4);
        for (size_t i = 0; i < words.size(); ++i) {
            words[i] = data[4 * i] | data[4 * i + 1] << 8 | data[4 * i + 2] << 16 |
                       static_cast<uint32_t>(data[4 * i + 3]) << 24;
        }
        EXPECT_EQ(Crc32Words(words.data(), static_cast<uint32_t>(words.size())), Mpeg2Reference(stream)) << length;
    }
}

}  // namespace
