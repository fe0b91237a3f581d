// The security chip's option items: their data encodings, the list and block texts built from them, and the
// bounded reading of both. The expected texts are the byte sequences the firmware packages and projects carry.
#include <gtest/gtest.h>

#include <vector>

#include "app/OptionItems.h"
#include "core/HexText.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) { return bytes; }

std::vector<uint8_t> HexBytes(const fw::Text& text) {
    std::vector<uint8_t> out(text.size() / 2);
    HexToBytes(text, out.data(), out.size());
    return out;
}

TEST(OptionItems, DataAndListEntriesOfEachItem) {
    struct Case {
        const char* name;
        OptionItemValue value;
        std::vector<uint8_t> data;  // in the block's order
        fw::Text listEntry;
    };
    const Case cases[] = {
        {"RDP L1", RdpItem(1), Bytes({0x01}), u"010100000001"},
        {"WRP FFFFFFFE", WordItem(kItemWrp, 0xFFFFFFFE), Bytes({0xFE, 0xFF, 0xFF, 0xFF}), u"0402000000FEFFFFFF"},
        {"BOOTADDR_M7", WordItem(kItemBootAddrM7, 0x15000000), Bytes({0x00, 0x00, 0x00, 0x15}), u"040300000000000015"},
        // The area word goes least significant first into the block but most significant first into the text.
        {"SEC_CFG1 10..20 DMES bank erase", AreaItem(kItemSecCfg1, 0x10, 0x20, true, kEraseBank),
         Bytes({0x10, 0x00, 0x20, 0x80}), u"040501000280200010"},
        {"PFOER_CFG1 1FFF..0", AreaItem(kItemPfoerCfg1, 0x1FFF, 0, false, kEraseNone), Bytes({0xFF, 0x1F, 0, 0}),
         u"0406010000"
         u"00001FFF"},
        {"SEC_MODE on", SecModeItem(true), Bytes({0xCE, 0xE5}), u"0207000000CEE5"},
        {"SEC_MODE off", SecModeItem(false), Bytes({0x00, 0x00}), u"02070000000000"},
        {"CRYPTION not bound", CryptionItem(0), Bytes({0x0B, 0xE0}), u"02080000000BE0"},
        {"CRYPTION bound", CryptionItem(1), Bytes({0xEB, 0xEB}), u"0208000000EBEB"},
        {"CRYPTION none", CryptionItem(2), Bytes({0x00, 0x00}), u"02080000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.value.length, c.data.size());
        EXPECT_EQ(std::vector<uint8_t>(c.value.data.begin(), c.value.data.begin() + c.value.length), c.data);
        EXPECT_EQ(OptionItemListEntry(c.value), c.listEntry);
    }
}

TEST(OptionItems, DisplayFormsFromReadData) {
    OptionItemValue wrp = WordItem(kItemWrp, 0);
    wrp.data = {0xFE, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(ItemWord32(wrp), 0xFFFFFFFEu);

    OptionItemValue area = WordItem(kItemSecCfg1, 0);
    area.data = {0x10, 0xE0, 0x20, 0xE0};  // bits 13..15 and 29..30 set: not part of BEGIN or END
    const AreaWord word = ItemArea(area);
    EXPECT_EQ(word.begin, 0x10u);
    EXPECT_EQ(word.end, 0x20u);
    EXPECT_TRUE(word.flag);

    // The encoder keeps 13 bits; the editor refuses what is larger before it gets here.
    EXPECT_EQ(ItemArea(AreaItem(kItemSecCfg1, 0x3FFF, 0x2001, false, 0)).begin, 0x1FFFu);
    EXPECT_EQ(ItemArea(AreaItem(kItemSecCfg1, 0x3FFF, 0x2001, false, 0)).end, 0x0001u);

    EXPECT_EQ(ItemPairNumber(SecModeItem(true)), 0xCEE5);
    EXPECT_TRUE(SecModeEnabled(0xCEE5));
    EXPECT_FALSE(SecModeEnabled(0xE5CE));  // the bytes the other way round are not "enabled"
    EXPECT_EQ(CryptionChoice(0x0BE0), 0);
    EXPECT_EQ(CryptionChoice(0xEBEB), 1);
    EXPECT_EQ(CryptionChoice(0x0000), 2);
    EXPECT_EQ(CryptionChoice(0xE00B), 2);
}

TEST(OptionItems, BootAddressWindows) {
    constexpr uint32_t k2M = 0x151DFFFF, k4M = 0x153DFFFF;
    struct Case {
        uint8_t item;
        uint32_t address;
        uint32_t limit;
        bool accepted;
    };
    const Case cases[] = {
        {kItemBootAddrM7, 0x00001000, k2M, true},  {kItemBootAddrM4, 0x00001000, k2M, false},
        {kItemBootAddrM7, 0x000FFFFF, k2M, true},  {kItemBootAddrM7, 0x00100000, k2M, false},
        {kItemBootAddrM7, 0x151E0000, k2M, false}, {kItemBootAddrM7, 0x151E0000, k4M, true},
        {kItemBootAddrM4, 0x24000000, k2M, true},  {kItemBootAddrM4, 0x2411FFFF, k2M, true},
        {kItemBootAddrM4, 0x24120000, k2M, false}, {kItemBootAddrM4, 0x30057FFF, k2M, true},
        {kItemBootAddrM4, 0x30058000, k2M, false}, {kItemBootAddrM4, 0x14FFFFFF, k2M, false},
        {kItemWrp, 0xDEADBEEF, k2M, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.item) << " " << std::hex << c.address);
        EXPECT_EQ(BootAddressAccepted(c.item, c.address, c.limit), c.accepted);
    }
}

TEST(OptionItemList, ReadsTheEntriesItsWriterMade) {
    const fw::Text text = OptionItemListEntry(RdpItem(2)) +
                          OptionItemListEntry(AreaItem(kItemSecCfg1, 0x10, 0x20, true, kEraseBank)) +
                          OptionItemListEntry(CryptionItem(1));
    const OptionItemList list = ReadOptionItemList(HexBytes(text));
    ASSERT_TRUE(list.complete);
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[0], RdpItem(2));
    // The list keeps the area word most significant first; the chip takes it in block order.
    EXPECT_EQ(list.entries[1], AreaItem(kItemSecCfg1, 0x10, 0x20, true, kEraseBank));
    EXPECT_EQ(std::vector<uint8_t>(list.entries[1].data.begin(), list.entries[1].data.begin() + 4),
              Bytes({0x10, 0x00, 0x20, 0x80}));
    EXPECT_EQ(list.entries[2], CryptionItem(1));
}

TEST(OptionItemList, StopsWhereAnEntryCannotBeRead) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        size_t entries;
        bool complete;
    };
    const Case cases[] = {
        {"empty", {}, 0, true},
        {"length 0 ends the list", Bytes({0x01, 0x01, 0, 0, 0, 0x01, 0x00, 0x01, 0x01, 0, 0, 0, 0x02}), 1, true},
        {"length 9 ends the list", Bytes({0x09, 0x01, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), 0, true},
        {"padding after the entries", Bytes({0x01, 0x01, 0, 0, 0, 0x01, 0xFF, 0xFF, 0xFF}), 1, true},
        {"data cut short", Bytes({0x01, 0x01, 0, 0, 0, 0x01, 0x04, 0x02, 0, 0, 0, 0xFE, 0xFF}), 1, false},
        {"item word cut short", Bytes({0x02, 0x07, 0}), 0, false},
        {"only a length", Bytes({0x04}), 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OptionItemList list = ReadOptionItemList(c.bytes);
        EXPECT_EQ(list.entries.size(), c.entries);
        EXPECT_EQ(list.complete, c.complete);
    }
}

TEST(OptionItemBlock, FixedPlacesForFourOrEightItems) {
    const std::vector<OptionItemValue> items = {
        RdpItem(1),
        WordItem(kItemWrp, 0xFFFFFFFE),
        WordItem(kItemBootAddrM7, 0x15000000),
        WordItem(kItemBootAddrM4, 0x30000000),
        AreaItem(kItemSecCfg1, 0x10, 0x20, true, kEraseBank),
        AreaItem(kItemPfoerCfg1, 0x1FFF, 0x0000, false, kEraseNone),
        SecModeItem(true),
        CryptionItem(0),
    };
    const fw::Text full = OptionItemBlockText(items);
    EXPECT_EQ(full,
              u"01"
              u"FEFFFFFF"
              u"00000015"
              u"00000030"
              u"80200010"
              u"00001FFF"
              u"CEE5"
              u"0BE0");
    const fw::Text shortText = OptionItemBlockText(std::span(items).first(4));
    EXPECT_EQ(shortText, full.substr(0, 26));  // nothing from hex digit 26 on

    const auto back = ReadOptionItemBlock(HexBytes(full));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i + 1);
        OptionItemValue expected = items[i];
        expected.eraseMode = 0;  // the block keeps no erase mode
        EXPECT_EQ((*back)[i], expected);
    }
    const auto four = ReadOptionItemBlock(HexBytes(shortText));
    ASSERT_TRUE(four);
    EXPECT_EQ(four->size(), 4u);
    EXPECT_FALSE(ReadOptionItemBlock(HexBytes(full.substr(0, 24))));

    // Items out of order or a list of another size make no block.
    EXPECT_EQ(OptionItemBlockText(std::span(items).first(5)), u"");
    std::vector<OptionItemValue> swapped = items;
    std::swap(swapped[0], swapped[1]);
    EXPECT_EQ(OptionItemBlockText(swapped), u"");
}

TEST(OptionItems, TransferBlockCarriesTheItemWord) {
    const OptionRwBlock block = OptionItemBlockFor(AreaItem(kItemPfoerCfg1, 1, 2, true, kEraseRdpDowngrade), 1);
    EXPECT_EQ(block.operation, 1);
    EXPECT_EQ(block.length, 4);
    EXPECT_EQ(block.item, kItemPfoerCfg1);
    EXPECT_EQ(block.subIndex, 1);
    EXPECT_EQ(block.reserved, 0);
    EXPECT_EQ(block.eraseMode, kEraseRdpDowngrade);
    EXPECT_EQ(OptionItemFromBlock(block), AreaItem(kItemPfoerCfg1, 1, 2, true, kEraseRdpDowngrade));

    OptionRwBlock oversized{};
    oversized.length = 64;  // a reply that claims more than an item holds
    EXPECT_EQ(OptionItemFromBlock(oversized).length, 8);
}

}  // namespace
