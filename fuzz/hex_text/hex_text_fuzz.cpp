// The hex-text conversions over any text a user can type or a file can hold.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/HexText.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fw::Text text(size / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);

    // A destination smaller than the text needs must never be overrun.
    std::vector<uint8_t> small(text.size() / 4);
    (void)HexToBytes(text, small.data(), small.size());
    std::vector<uint8_t> bytes(text.size() / 2);
    if (!HexToBytes(text, bytes.data(), bytes.size())) __builtin_trap();
    if (!text.empty() && IsHexText(text) && text.size() % 2 == 0) {
        if (fw::ToUpper(BytesToHex(bytes)) != fw::ToUpper(text)) __builtin_trap();
        FuzzAccepted();
    }
    uint8_t address[4];
    (void)AddressTextToBytes(text, address);
    (void)HexToInt(text);
    (void)HexToUInt32(text);
    (void)ComplementHexBytes(text);
    if (SwapHexByteOrder(text).size() != text.size()) __builtin_trap();
    (void)BinaryTextToHex(text);
    (void)HexToBinaryText(text);
    (void)DecimalToBinaryText(text);
    const fw::Text byteString = HexTextToByteString(text);
    (void)ByteStringToHex(byteString);
    (void)HexStringToBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)WideToAnsi(text);
    (void)NarrowToWide(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
