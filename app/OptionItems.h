// The eight option items of the security chips (series 10) and the two hex texts that carry them without a device:
// the item list of the security firmware packages (length, item word, data per entry) and the item block of the
// offline projects (the data of each item at a fixed place). The programming sequence, the security-chip
// operations, the security-chip editor, the firmware maker and the project record all read and write them here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devicelib/OvMcuCmdDll.h"
#include "framework/Text.h"

enum OptionItemId : uint8_t {
    kItemRdp = 1,
    kItemWrp = 2,
    kItemBootAddrM7 = 3,
    kItemBootAddrM4 = 4,
    kItemSecCfg1 = 5,
    kItemPfoerCfg1 = 6,
    kItemSecMode = 7,
    kItemCryption = 8,
};
constexpr int kOptionItemCount = 8;

// The erase modes of the two area items, as the choice lists offer them.
enum AreaEraseMode : uint8_t { kEraseNone = 0, kEraseRdpDowngrade = 1, kEraseBank = 2 };

// One item as the option block carries it: bytes 66 to 69 (the item word) and the data in block order.
struct OptionItemValue {
    uint8_t item = 0;
    uint8_t subIndex = 0;
    uint8_t reserved = 0;
    uint8_t eraseMode = 0;
    uint8_t length = 0;
    std::array<uint8_t, 8> data{};

    bool operator==(const OptionItemValue&) const = default;
};

// Data bytes of an item: 1 for RDP, 4 for items 2 to 6, 2 for items 7 and 8; 0 for any other number.
uint8_t OptionItemLength(uint8_t item);
// "RDP", "WRP", "BOOTADDR_M7", "BOOTADDR_M4", "SEC_CFG1", "PFOER_CFG1", "SEC_MODE", "CRYPTION"; empty otherwise.
fw::Text OptionItemName(uint8_t item);

// The block that transfers one item: the given operation, its length, item word and data.
OptionRwBlock OptionItemBlockFor(const OptionItemValue& value, uint8_t operation);
// The item as a successful read left it in the block (its length capped at 8).
OptionItemValue OptionItemFromBlock(const OptionRwBlock& block);

// Display forms to data.
OptionItemValue RdpItem(uint8_t level);
// WRP, BOOTADDR_M7, BOOTADDR_M4: the 32-bit value least significant byte first.
OptionItemValue WordItem(uint8_t item, uint32_t value);
// SEC_CFG1, PFOER_CFG1: BEGIN and END keep 13 bits each; the flag is DMES or DMEP. Sub-index 1.
OptionItemValue AreaItem(uint8_t item, uint32_t begin, uint32_t end, bool flag, uint8_t eraseMode);
OptionItemValue SecModeItem(bool enabled);
// 0 encrypted not bound, 1 encrypted and bound, 2 not encrypted.
OptionItemValue CryptionItem(int choice);

// Data to display forms.
uint32_t ItemWord32(const OptionItemValue& value);  // the four data bytes, least significant first
struct AreaWord {
    uint32_t begin = 0;  // 4 KB sectors from 0x15000000
    uint32_t end = 0;
    bool flag = false;
};
AreaWord ItemArea(const OptionItemValue& value);
// The two data bytes of SEC_MODE and CRYPTION as one number, first byte high.
uint16_t ItemPairNumber(const OptionItemValue& value);
bool SecModeEnabled(uint16_t number);  // only 0xCEE5
int CryptionChoice(uint16_t number);   // 0x0BE0 gives 0, 0xEBEB 1, anything else 2

// Accepted values of the editors. BEGIN and END count sectors up to 0x1FFF.
constexpr uint32_t kAreaSectorMax = 0x1FFF;
// BOOTADDR_M7: 0 to 0xFFFFF, 0x15000000 to the flash-area limit, 0x24000000 to 0x2411FFFF, 0x30000000 to
// 0x30057FFF; BOOTADDR_M4 the same without the first window. Other items: any value.
bool BootAddressAccepted(uint8_t item, uint32_t address, uint32_t flashAreaLimit);

// The hex form of one item's data: the bytes in block order, except the two area words, which are written most
// significant byte first ("%08X" of the word).
fw::Text OptionItemDataText(const OptionItemValue& value);
// One entry of the item list: "%02X" of the length, the item word in memory order, the data text.
fw::Text OptionItemListEntry(const OptionItemValue& value);

// The entries of an item list, in order, as the programming sequence writes them: the data in block order, the
// area words turned back from the list's most-significant-first text, so the chip gets the area the maker chose.
// Reading stops at a length of 0 or above 8, and at an entry that the input does not hold whole; `complete` is
// false in the last case.
struct OptionItemList {
    std::vector<OptionItemValue> entries;
    bool complete = true;
};
OptionItemList ReadOptionItemList(std::span<const uint8_t> bytes);

// The item block: the data texts of items 1 to 4 (13 bytes, the "-1A" models) or 1 to 8 (25 bytes) run together.
constexpr size_t kItemBlockShortBytes = 13;
constexpr size_t kItemBlockFullBytes = 25;
// `items` holds items 1 to 4 or 1 to 8 in order; anything else gives the empty text.
fw::Text OptionItemBlockText(std::span<const OptionItemValue> items);
// Items 1 to 4 from the first 13 bytes, and 5 to 8 when the input holds all 25; the data in block order (the area
// words turned back to least significant byte first). Nothing when fewer than 13 bytes are given.
std::optional<std::vector<OptionItemValue>> ReadOptionItemBlock(std::span<const uint8_t> bytes);
