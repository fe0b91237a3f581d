// The flash algorithm as the offline downloader takes it: a 64-byte descriptor of entry addresses and RAM layout
// on the target, followed by the image it copies to the target's SRAM (a breakpoint stub, then the algorithm's
// code and data).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Sixteen little-endian words. An entry the algorithm does not provide is kNoEntry.
struct FlashAlgoDescriptor {
    static constexpr std::size_t kSize = 64;
    static constexpr uint32_t kNoEntry = 0xFFFFFFFF;

    uint32_t init = kNoEntry;
    uint32_t unInit = kNoEntry;
    uint32_t eraseChip = kNoEntry;
    uint32_t eraseSector = kNoEntry;
    uint32_t programPage = kNoEntry;
    uint32_t verify = kNoEntry;
    uint32_t eraseOption = kNoEntry;
    uint32_t writeOption = kNoEntry;
    uint32_t breakpoint = kNoEntry;  // return address of every call: the stub's first instruction, Thumb state
    uint32_t staticBase = kNoEntry;  // r9 of every call
    uint32_t stackPointer = kNoEntry;
    uint32_t programBuffer = kNoEntry;  // where the downloader puts the data of one ProgramPage call
    uint32_t loadAddress = kNoEntry;
    uint32_t imageSize = kNoEntry;
    uint32_t imageOffset = kNoEntry;  // of the image within the blob
    uint32_t programBufferSize = kNoEntry;

    // Word i of the record (0 to 15); the entries are words 0 to 7 in the order of kEntryNames.
    uint32_t& Word(std::size_t i);
    uint32_t Word(std::size_t i) const;
    static constexpr std::string_view kEntryNames[8] = {"Init",        "UnInit", "EraseChip",   "EraseSector",
                                                        "ProgramPage", "Verify", "EraseOption", "WriteOption"};

    std::array<uint8_t, kSize> ToBytes() const;
    static FlashAlgoDescriptor FromBytes(std::span<const uint8_t, kSize> bytes);
};

// Layout of the blob: descriptor, then the image placed at the load address.
struct FlashAlgoBlob {
    static constexpr std::size_t kImageOffset = FlashAlgoDescriptor::kSize;
    static constexpr std::size_t kStubSize = 32;
    static constexpr std::size_t kCodeOffset = kImageOffset + kStubSize;
    // The CMSIS header stub: a breakpoint the entries return to, and a small checksum loop.
    static constexpr std::array<uint32_t, 8> kStub = {0xE00ABE00, 0x062D780D, 0x24084068, 0xD3000040,
                                                      0x1E644058, 0x1C49D1FA, 0x2A001E52, 0x4770D1F2};
};
