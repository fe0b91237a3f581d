// The option-byte layouts of the chip series: where each field sits in a chip's whole option image and in an
// offline project's 20 option bytes, which bytes are complements, which are carried as read and which are fixed.
// Every layout is a row of data; one set of functions turns images and project texts into field texts and back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "framework/Text.h"

enum OptionField : uint8_t {
    kFieldRdp,
    kFieldRdp2,
    kFieldUser,   // series 12's device image: the 16-bit USER word
    kFieldUser0,  // series 12's device image: the 16-bit USER0 word
    kFieldUser2,
    kFieldUser3,
    kFieldUser4,
    kFieldUser5,
    kFieldUser6,
    kFieldData0,
    kFieldData1,
    kFieldData2,
    kFieldData3,
    kFieldWrp0,
    kFieldWrp1,
    kFieldWrp2,
    kFieldWrp3,
    kFieldDbank,
    kFieldCcmsramRst,
    kFieldCount,
    kNoField = 0xFF,
};

enum class ByteRole : uint8_t {
    Value,       // the field's byte
    Complement,  // 255 minus the field's byte
    WordLow,     // a 16-bit field, least significant byte first
    WordHigh,
    AsRead,  // written back exactly as it was read or loaded
    Constant,
    ReadOnly,  // read and shown, never written (beyond the write length)
};

struct LayoutByte {
    ByteRole role = ByteRole::AsRead;
    OptionField field = kNoField;
    uint8_t constant = 0;
};

struct OptionLayout {
    const char* name;
    std::vector<LayoutByte> bytes;  // what a read brings, or what the project text holds
    size_t writeLength;             // bytes written (device images) or put into the project text
};

// The device image of a series, and the project layout of an option family (the series code of the project's
// chip). Series 12 keeps its own device image but the project layout of series 3; a family of no known layout
// takes that of families 0 and 1 without their last two bytes.
const OptionLayout& DeviceLayoutOf(uint8_t series);
const OptionLayout& ProjectLayoutOf(uint8_t family);

// Where a field's value (or the low byte of a word) sits in the layout; nothing where the layout has no such field.
std::optional<size_t> PlaceOf(const OptionLayout& layout, OptionField field);
// The bytes of WRP0, WRP1, ... in a series' device image, as many as the series has (series 7 has none).
std::vector<size_t> WriteProtectPlaces(uint8_t series);

// The texts an editor shows: one per field ("%02X", the 16-bit words "%04X") and the bytes carried as read, by
// byte position, as the image or the project text held them.
struct OptionFieldTexts {
    std::array<fw::Text, kFieldCount> field;
    std::array<fw::Text, kFieldCount> complement;  // the complement bytes as an image held them
    std::vector<fw::Text> asRead;                  // one per layout byte; empty where the byte is not carried as read

    fw::Text& operator[](OptionField f) { return field[f]; }
    const fw::Text& operator[](OptionField f) const { return field[f]; }
};

// From a device image; bytes the image does not hold read as 0x00.
OptionFieldTexts FieldsFromImage(const OptionLayout& layout, std::span<const uint8_t> image);
// The image to write, of the layout's write length: each value is its text read as hex (low 8 or 16 bits), each
// complement 255 minus that, as-read bytes from the texts loaded, constants as they stand.
std::vector<uint8_t> ImageFromFields(const OptionLayout& layout, const OptionFieldTexts& texts);
// The two-digit slices of a project text at the layout's byte positions (digits 2k and 2k + 1), kept as written.
OptionFieldTexts FieldsFromProjectText(const OptionLayout& layout, fw::TextView text);
// The project text: each field padded to two digits with a leading "0" and kept in the case it was typed, its
// complement in upper case, the as-read digits as loaded, the constants.
fw::Text ProjectTextFromFields(const OptionLayout& layout, const OptionFieldTexts& texts);

// A project's option bytes as a chip takes them: each field that the project layout of `family` holds as a byte
// goes where the device layout of `series` keeps that byte, over the chip's image as read; whatever the project does
// not speak for (fields it lacks, a 16-bit word where it holds a byte, bytes carried as read) stays as the chip has
// it, and complements follow their values. Series 12 keeps the USER boxes of a series-3 layout elsewhere: nBOOT0,
// nBOOT1 and nSWBOOT0 are bits 0 to 2 of its USER3; its IWDG_SW word (USER0) stays as the chip holds it, whatever
// the project's WDG_SW bit says. Of the device layout's write length, so bytes past it are never sent.
std::vector<uint8_t> DeviceImageFromProject(uint8_t family, std::span<const uint8_t> projectBytes, uint8_t series,
                                            std::span<const uint8_t> chipImage);

// Where series 12 keeps its flash CRC-32 in its device image: the four bytes after those its option writes reach,
// least significant byte first.
size_t Series12FlashCrcPlace();
// That CRC in an answer; nothing for another series, or when the answer stopped before the CRC's last byte (what it
// did not bring is not the chip's).
std::optional<uint32_t> FlashCrcOfAnswer(uint8_t series, std::span<const uint8_t> answer);

// Series 12's switch words (IWDG_SW in USER0, PF3_NRST in USER), as its device editor turns them: on at 0x5AA5,
// off at 0xFFFF. Any other value counts as off and stays as it is until the switch is turned.
bool WordSwitchOn(fw::TextView word);
fw::Text WordSwitchText(bool on);

// Bit n of a byte text (character 7 - n of its binary form), and the text with that bit set or cleared.
bool FieldBit(fw::TextView byteText, int bit);
fw::Text WithFieldBit(fw::TextView byteText, int bit, bool on);
// The bits first..first+count-1 as a number, and the text with them replaced (the other bits kept).
unsigned FieldBits(fw::TextView byteText, int first, int count);
fw::Text WithFieldBits(fw::TextView byteText, int first, int count, unsigned value);
