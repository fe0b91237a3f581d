#include "core/FlashAlgo.h"

namespace {

// Field order is the word order of the record.
constexpr uint32_t FlashAlgoDescriptor::*kWords[16] = {
    &FlashAlgoDescriptor::init,         &FlashAlgoDescriptor::unInit,
    &FlashAlgoDescriptor::eraseChip,    &FlashAlgoDescriptor::eraseSector,
    &FlashAlgoDescriptor::programPage,  &FlashAlgoDescriptor::verify,
    &FlashAlgoDescriptor::eraseOption,  &FlashAlgoDescriptor::writeOption,
    &FlashAlgoDescriptor::breakpoint,   &FlashAlgoDescriptor::staticBase,
    &FlashAlgoDescriptor::stackPointer, &FlashAlgoDescriptor::programBuffer,
    &FlashAlgoDescriptor::loadAddress,  &FlashAlgoDescriptor::imageSize,
    &FlashAlgoDescriptor::imageOffset,  &FlashAlgoDescriptor::programBufferSize,
};

}  // namespace

uint32_t& FlashAlgoDescriptor::Word(std::size_t i) { return this->*kWords[i]; }
uint32_t FlashAlgoDescriptor::Word(std::size_t i) const { return this->*kWords[i]; }

std::array<uint8_t, FlashAlgoDescriptor::kSize> FlashAlgoDescriptor::ToBytes() const {
    std::array<uint8_t, kSize> bytes{};
    for (std::size_t i = 0; i < 16; ++i) {
        const uint32_t w = Word(i);
        for (std::size_t b = 0; b < 4; ++b)
            bytes[i * 4 + b] = static_cast<uint8_t>(w >> (8 * b));
    }
    return bytes;
}

FlashAlgoDescriptor FlashAlgoDescriptor::FromBytes(std::span<const uint8_t, kSize> bytes) {
    FlashAlgoDescriptor d;
    for (std::size_t i = 0; i < 16; ++i) {
        uint32_t w = 0;
        for (std::size_t b = 0; b < 4; ++b)
            w |= static_cast<uint32_t>(bytes[i * 4 + b]) << (8 * b);
        d.Word(i) = w;
    }
    return d;
}
