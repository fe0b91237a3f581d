#include "app/OptionItems.h"

#include <algorithm>
#include <cstring>

#include "core/HexText.h"
#include "framework/Format.h"

namespace {

constexpr size_t kEntryHeader = 5;  // length byte and item word

void PutWord32(OptionItemValue& v, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        v.data[static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

bool IsAreaItem(uint8_t item) { return item == kItemSecCfg1 || item == kItemPfoerCfg1; }

// The area words travel most significant byte first in both texts; everything else in block order.
void ReverseAreaWord(OptionItemValue& v) {
    if (IsAreaItem(v.item)) std::reverse(v.data.begin(), v.data.begin() + 4);
}

OptionItemValue Empty(uint8_t item) {
    OptionItemValue v;
    v.item = item;
    v.length = OptionItemLength(item);
    return v;
}

}  // namespace

uint8_t OptionItemLength(uint8_t item) {
    switch (item) {
        case kItemRdp:
            return 1;
        case kItemWrp:
        case kItemBootAddrM7:
        case kItemBootAddrM4:
        case kItemSecCfg1:
        case kItemPfoerCfg1:
            return 4;
        case kItemSecMode:
        case kItemCryption:
            return 2;
        default:
            return 0;
    }
}

fw::Text OptionItemName(uint8_t item) {
    static const char16_t* const kNames[] = {u"RDP",      u"WRP",        u"BOOTADDR_M7", u"BOOTADDR_M4",
                                             u"SEC_CFG1", u"PFOER_CFG1", u"SEC_MODE",    u"CRYPTION"};
    return item >= 1 && item <= kOptionItemCount ? fw::Text(kNames[item - 1]) : fw::Text();
}

OptionRwBlock OptionItemBlockFor(const OptionItemValue& value, uint8_t operation) {
    OptionRwBlock block{};
    block.operation = operation;
    block.length = std::min<uint8_t>(value.length, 8);
    std::memcpy(block.data, value.data.data(), block.length);
    block.item = value.item;
    block.subIndex = value.subIndex;
    block.reserved = value.reserved;
    block.eraseMode = value.eraseMode;
    return block;
}

OptionItemValue OptionItemFromBlock(const OptionRwBlock& block) {
    OptionItemValue v;
    v.item = block.item;
    v.subIndex = block.subIndex;
    v.reserved = block.reserved;
    v.eraseMode = block.eraseMode;
    v.length = std::min<uint8_t>(block.length, 8);
    std::memcpy(v.data.data(), block.data, v.length);
    return v;
}

OptionItemValue RdpItem(uint8_t level) {
    OptionItemValue v = Empty(kItemRdp);
    v.data[0] = level;
    return v;
}

OptionItemValue WordItem(uint8_t item, uint32_t value) {
    OptionItemValue v = Empty(item);
    PutWord32(v, value);
    return v;
}

OptionItemValue AreaItem(uint8_t item, uint32_t begin, uint32_t end, bool flag, uint8_t eraseMode) {
    OptionItemValue v = Empty(item);
    v.subIndex = 1;
    v.eraseMode = eraseMode;
    PutWord32(v, (flag ? 0x80000000u : 0u) | (end % 0x2000) << 16 | begin % 0x2000);
    return v;
}

OptionItemValue SecModeItem(bool enabled) {
    OptionItemValue v = Empty(kItemSecMode);
    if (enabled) {
        v.data[0] = 0xCE;
        v.data[1] = 0xE5;
    }
    return v;
}

OptionItemValue CryptionItem(int choice) {
    OptionItemValue v = Empty(kItemCryption);
    if (choice == 0) {
        v.data[0] = 0x0B;
        v.data[1] = 0xE0;
    } else if (choice == 1) {
        v.data[0] = 0xEB;
        v.data[1] = 0xEB;
    }
    return v;
}

uint32_t ItemWord32(const OptionItemValue& value) {
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i)
        word = word << 8 | value.data[static_cast<size_t>(i)];
    return word;
}

AreaWord ItemArea(const OptionItemValue& value) {
    const uint32_t word = ItemWord32(value);
    return {word & 0x1FFF, word >> 16 & 0x1FFF, (word & 0x80000000u) != 0};
}

uint16_t ItemPairNumber(const OptionItemValue& value) {
    return static_cast<uint16_t>(value.data[0] << 8 | value.data[1]);
}

bool SecModeEnabled(uint16_t number) { return number == 0xCEE5; }

int CryptionChoice(uint16_t number) { return number == 0x0BE0 ? 0 : number == 0xEBEB ? 1 : 2; }

bool BootAddressAccepted(uint8_t item, uint32_t address, uint32_t flashAreaLimit) {
    const auto within = [&](uint32_t first, uint32_t last) { return address >= first && address <= last; };
    const bool shared =
        within(0x15000000, flashAreaLimit) || within(0x24000000, 0x2411FFFF) || within(0x30000000, 0x30057FFF);
    if (item == kItemBootAddrM7) return shared || address <= 0xFFFFF;
    if (item == kItemBootAddrM4) return shared;
    return true;
}

fw::Text OptionItemDataText(const OptionItemValue& value) {
    OptionItemValue ordered = value;
    ReverseAreaWord(ordered);
    return BytesToHex(std::span<const uint8_t>(ordered.data.data(), std::min<size_t>(ordered.length, 8)));
}

fw::Text OptionItemListEntry(const OptionItemValue& value) {
    return fw::Format(u"%02X%02X%02X%02X%02X", value.length, value.item, value.subIndex, value.reserved,
                      value.eraseMode) +
           OptionItemDataText(value);
}

OptionItemList ReadOptionItemList(std::span<const uint8_t> bytes) {
    OptionItemList list;
    size_t at = 0;
    while (at < bytes.size()) {
        const uint8_t length = bytes[at];
        if (length == 0 || length > 8) break;
        if (bytes.size() - at < kEntryHeader + length) {
            list.complete = false;
            break;
        }
        OptionItemValue v;
        v.length = length;
        v.item = bytes[at + 1];
        v.subIndex = bytes[at + 2];
        v.reserved = bytes[at + 3];
        v.eraseMode = bytes[at + 4];
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at + kEntryHeader), length, v.data.begin());
        if (length == OptionItemLength(v.item)) ReverseAreaWord(v);
        list.entries.push_back(v);
        at += kEntryHeader + length;
    }
    return list;
}

fw::Text OptionItemBlockText(std::span<const OptionItemValue> items) {
    if (items.size() != 4 && items.size() != kOptionItemCount) return {};
    fw::Text text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].item != i + 1 || items[i].length != OptionItemLength(items[i].item)) return {};
        text += OptionItemDataText(items[i]);
    }
    return text;
}

std::optional<std::vector<OptionItemValue>> ReadOptionItemBlock(std::span<const uint8_t> bytes) {
    if (bytes.size() < kItemBlockShortBytes) return std::nullopt;
    const int count = bytes.size() >= kItemBlockFullBytes ? kOptionItemCount : 4;
    std::vector<OptionItemValue> items;
    size_t at = 0;
    for (uint8_t item = 1; item <= count; ++item) {
        OptionItemValue v = Empty(item);
        if (IsAreaItem(item)) v.subIndex = 1;
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), v.length, v.data.begin());
        ReverseAreaWord(v);
        at += v.length;
        items.push_back(v);
    }
    return items;
}
