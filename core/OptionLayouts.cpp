#include "core/OptionLayouts.h"

#include <initializer_list>

#include "core/HexText.h"
#include "framework/Format.h"

namespace {

// Builders of layout rows: a value with its complement, a value alone, a 16-bit word, a byte carried as read, a
// fixed byte, a byte only read.
struct Part {
    std::vector<LayoutByte> bytes;
};
Part Pair(OptionField f) { return {{{ByteRole::Value, f, 0}, {ByteRole::Complement, f, 0}}}; }
Part Val(OptionField f) { return {{{ByteRole::Value, f, 0}}}; }
Part Word(OptionField f) { return {{{ByteRole::WordLow, f, 0}, {ByteRole::WordHigh, f, 0}}}; }
Part Kept(int count = 1) { return {std::vector<LayoutByte>(static_cast<size_t>(count), LayoutByte{})}; }
Part Fixed(uint8_t value) { return {{{ByteRole::Constant, kNoField, value}}}; }
Part Shown(int count) {
    return {std::vector<LayoutByte>(static_cast<size_t>(count), LayoutByte{ByteRole::ReadOnly, kNoField, 0})};
}

OptionLayout Layout(const char* name, std::initializer_list<Part> parts, size_t writeLength = 0) {
    OptionLayout layout{name, {}, 0};
    for (const Part& p : parts)
        layout.bytes.insert(layout.bytes.end(), p.bytes.begin(), p.bytes.end());
    layout.writeLength = writeLength != 0 ? writeLength : layout.bytes.size();
    return layout;
}

// clang-format off
const OptionLayout kDevice01 = Layout("device 0, 1", {
    Pair(kFieldRdp), Pair(kFieldUser), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldWrp0), Pair(kFieldWrp1),
    Pair(kFieldWrp2), Pair(kFieldWrp3), Pair(kFieldRdp2), Kept(2)});
const OptionLayout kDevice2 = Layout("device 2", {
    Pair(kFieldRdp), Pair(kFieldUser), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldWrp0), Pair(kFieldWrp1),
    Pair(kFieldWrp2), Pair(kFieldWrp3), Pair(kFieldRdp2), Pair(kFieldUser2)});
const OptionLayout kDevice5 = Layout("device 5", {
    Pair(kFieldRdp), Pair(kFieldUser), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldWrp0), Pair(kFieldWrp1),
    Pair(kFieldRdp2), Pair(kFieldUser2)});
const OptionLayout kDevice8 = Layout("device 8", {
    Pair(kFieldRdp), Pair(kFieldUser), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldWrp0), Pair(kFieldWrp1),
    Pair(kFieldWrp2), Pair(kFieldWrp3), Pair(kFieldRdp2), Pair(kFieldUser2), Pair(kFieldUser3), Kept(2),
    Pair(kFieldCcmsramRst), Kept(6)});
const OptionLayout kDevice9 = Layout("device 9", {
    Pair(kFieldRdp), Pair(kFieldRdp2), Pair(kFieldDbank), Pair(kFieldCcmsramRst), Pair(kFieldUser),
    Pair(kFieldUser2), Pair(kFieldUser3), Kept(2), Pair(kFieldWrp0), Pair(kFieldWrp1), Pair(kFieldWrp2),
    Pair(kFieldWrp3), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldData2), Pair(kFieldData3)});
const OptionLayout kDevice346 = Layout("device 3, 4, 6", {
    Pair(kFieldRdp), Pair(kFieldUser), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldWrp0), Pair(kFieldWrp1),
    Pair(kFieldRdp2), Kept(2)});
const OptionLayout kDevice7 = Layout("device 7", {
    Pair(kFieldRdp), Pair(kFieldUser), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldUser2), Pair(kFieldUser3),
    Pair(kFieldRdp2), Pair(kFieldUser4)});
const OptionLayout kDevice11 = Layout("device 11", {
    Val(kFieldRdp), Val(kFieldUser), Val(kFieldUser2), Val(kFieldUser3), Val(kFieldUser4), Val(kFieldUser5),
    Val(kFieldUser6), Val(kFieldData0), Val(kFieldData1), Val(kFieldWrp0), Val(kFieldWrp1), Val(kFieldWrp2),
    Val(kFieldWrp3), Val(kFieldRdp2)});
// Bytes 13 to 16 hold the flash CRC-32 the programming sequence stores; the editors read it and never write it.
const OptionLayout kDevice12 = Layout("device 12", {
    Val(kFieldRdp), Val(kFieldUser4), Word(kFieldUser0), Word(kFieldUser), Val(kFieldUser2), Val(kFieldUser3),
    Val(kFieldData0), Val(kFieldData1), Val(kFieldWrp0), Val(kFieldWrp1), Val(kFieldRdp2), Shown(4)}, 13);

const OptionLayout kProject01 = Layout("project 0, 1", {
    Pair(kFieldRdp), Pair(kFieldUser), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldWrp0), Pair(kFieldWrp1),
    Pair(kFieldWrp2), Pair(kFieldWrp3), Pair(kFieldRdp2), Fixed(0xFF), Fixed(0x00)});
const OptionLayout kProjectOther = Layout("project, other families", {
    Pair(kFieldRdp), Pair(kFieldUser), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldWrp0), Pair(kFieldWrp1),
    Pair(kFieldWrp2), Pair(kFieldWrp3), Pair(kFieldRdp2)});
const OptionLayout kProject89 = Layout("project 8, 9", {
    Val(kFieldRdp), Val(kFieldUser), Val(kFieldData0), Val(kFieldData1), Val(kFieldWrp0), Val(kFieldWrp1),
    Val(kFieldWrp2), Val(kFieldWrp3), Val(kFieldRdp2), Val(kFieldUser2), Val(kFieldUser3), Kept(),
    Val(kFieldCcmsramRst), Kept(3)});
const OptionLayout kProject3 = Layout("project 3, 4, 6, 12", {
    Pair(kFieldRdp), Pair(kFieldUser), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldWrp0), Pair(kFieldWrp1),
    Pair(kFieldRdp2), Fixed(0xFF), Fixed(0x00), Pair(kFieldRdp2), Fixed(0xFF), Fixed(0x00)});
const OptionLayout kProject7 = Layout("project 7", {
    Pair(kFieldRdp), Pair(kFieldUser), Pair(kFieldData0), Pair(kFieldData1), Pair(kFieldUser2), Pair(kFieldUser3),
    Pair(kFieldRdp2), Pair(kFieldUser4), Pair(kFieldRdp2), Fixed(0xFF), Fixed(0x00)});
// clang-format on

uint32_t HexValue(fw::TextView text) { return static_cast<uint32_t>(HexToInt(text)); }

// Where series 12 keeps the USER bits of the series-3 layout it takes in projects. nRST_STOP and nRST_PD have no
// bit of that name on the chip, and WDG_SW is the chip's 16-bit IWDG_SW word, which a one-byte bit cannot leave as
// it is (its default, set, is not the chip's erased word): the project editor offers none of them for family 12.
struct MovedBit {
    int projectBit;  // of the project's USER byte
    int user3Bit;
};
const MovedBit kSeries12User3Bits[] = {
    {3, 0},  // nBOOT0
    {4, 1},  // nBOOT1
    {5, 2},  // nSWBOOT0
};

void MoveSeries12UserBits(fw::TextView projectUser, OptionFieldTexts& device) {
    for (const MovedBit& moved : kSeries12User3Bits)
        device[kFieldUser3] =
            WithFieldBit(device[kFieldUser3], moved.user3Bit, FieldBit(projectUser, moved.projectBit));
}

}  // namespace

const OptionLayout& DeviceLayoutOf(uint8_t series) {
    switch (series) {
        case 2:
            return kDevice2;
        case 3:
        case 4:
        case 6:
            return kDevice346;
        case 5:
            return kDevice5;
        case 7:
            return kDevice7;
        case 8:
            return kDevice8;
        case 9:
            return kDevice9;
        case 11:
            return kDevice11;
        case 12:
            return kDevice12;
        default:
            return kDevice01;
    }
}

const OptionLayout& ProjectLayoutOf(uint8_t family) {
    switch (family) {
        case 0:
        case 1:
            return kProject01;
        case 2:
            return kDevice2;  // the project keeps the chip's own layout
        case 5:
            return kDevice5;
        case 8:
        case 9:
            return kProject89;
        case 3:
        case 4:
        case 6:
        case 12:
            return kProject3;
        case 7:
            return kProject7;
        case 11:
            return kDevice11;
        default:
            return kProjectOther;
    }
}

std::optional<size_t> PlaceOf(const OptionLayout& layout, OptionField field) {
    for (size_t i = 0; i < layout.bytes.size(); ++i) {
        const LayoutByte& b = layout.bytes[i];
        if (b.field == field && (b.role == ByteRole::Value || b.role == ByteRole::WordLow)) return i;
    }
    return std::nullopt;
}

size_t Series12FlashCrcPlace() { return kDevice12.writeLength; }

std::optional<uint32_t> FlashCrcOfAnswer(uint8_t series, std::span<const uint8_t> answer) {
    if (series != 12) return std::nullopt;
    const size_t at = Series12FlashCrcPlace();
    if (answer.size() < at + 4) return std::nullopt;
    return answer[at] | answer[at + 1] << 8 | answer[at + 2] << 16 | static_cast<uint32_t>(answer[at + 3]) << 24;
}

std::vector<size_t> WriteProtectPlaces(uint8_t series) {
    std::vector<size_t> places;
    for (OptionField f : {kFieldWrp0, kFieldWrp1, kFieldWrp2, kFieldWrp3}) {
        if (const std::optional<size_t> at = PlaceOf(DeviceLayoutOf(series), f)) places.push_back(*at);
    }
    return places;
}

OptionFieldTexts FieldsFromImage(const OptionLayout& layout, std::span<const uint8_t> image) {
    OptionFieldTexts texts;
    texts.asRead.resize(layout.bytes.size());
    const auto at = [&](size_t i) -> uint8_t { return i < image.size() ? image[i] : 0; };
    for (size_t i = 0; i < layout.bytes.size(); ++i) {
        const LayoutByte& b = layout.bytes[i];
        switch (b.role) {
            case ByteRole::Value:
                texts[b.field] = fw::Format(u"%02X", at(i));
                break;
            case ByteRole::Complement:
                texts.complement[b.field] = fw::Format(u"%02X", at(i));
                break;
            case ByteRole::WordLow:
                texts[b.field] = fw::Format(u"%04X", at(i) | at(i + 1) << 8);
                break;
            case ByteRole::AsRead:
                texts.asRead[i] = fw::Format(u"%02X", at(i));
                break;
            default:
                break;
        }
    }
    return texts;
}

std::vector<uint8_t> ImageFromFields(const OptionLayout& layout, const OptionFieldTexts& texts) {
    std::vector<uint8_t> image(layout.writeLength, 0);
    for (size_t i = 0; i < layout.writeLength && i < layout.bytes.size(); ++i) {
        const LayoutByte& b = layout.bytes[i];
        const uint32_t value = b.field == kNoField ? 0 : HexValue(texts[b.field]);
        switch (b.role) {
            case ByteRole::Value:
            case ByteRole::WordLow:
                image[i] = static_cast<uint8_t>(value);
                break;
            case ByteRole::Complement:
                image[i] = static_cast<uint8_t>(~value);
                break;
            case ByteRole::WordHigh:
                image[i] = static_cast<uint8_t>(value >> 8);
                break;
            case ByteRole::AsRead:
                image[i] = i < texts.asRead.size() ? static_cast<uint8_t>(HexValue(texts.asRead[i])) : 0;
                break;
            case ByteRole::Constant:
                image[i] = b.constant;
                break;
            case ByteRole::ReadOnly:
                break;
        }
    }
    return image;
}

OptionFieldTexts FieldsFromProjectText(const OptionLayout& layout, fw::TextView text) {
    OptionFieldTexts texts;
    texts.asRead.resize(layout.bytes.size());
    for (size_t i = 0; i < layout.bytes.size(); ++i) {
        const LayoutByte& b = layout.bytes[i];
        const fw::Text slice = fw::Mid(text, static_cast<int>(2 * i), 2);
        if (b.role == ByteRole::Value) texts[b.field] = slice;
        if (b.role == ByteRole::AsRead) texts.asRead[i] = slice;
    }
    return texts;
}

fw::Text ProjectTextFromFields(const OptionLayout& layout, const OptionFieldTexts& texts) {
    fw::Text text;
    for (size_t i = 0; i < layout.writeLength && i < layout.bytes.size(); ++i) {
        const LayoutByte& b = layout.bytes[i];
        const fw::Text padded = b.field == kNoField ? fw::Text() : fw::Right(u"0" + texts[b.field], 2);
        switch (b.role) {
            case ByteRole::Value:
                text += padded;
                break;
            case ByteRole::Complement:
                text += ComplementHexBytes(padded);
                break;
            case ByteRole::AsRead:
                text += i < texts.asRead.size() ? texts.asRead[i] : fw::Text();
                break;
            case ByteRole::Constant:
                text += fw::Format(u"%02X", b.constant);
                break;
            default:
                break;  // project layouts hold no words and nothing read-only
        }
    }
    return text;
}

std::vector<uint8_t> DeviceImageFromProject(uint8_t family, std::span<const uint8_t> projectBytes, uint8_t series,
                                            std::span<const uint8_t> chipImage) {
    const OptionLayout& device = DeviceLayoutOf(series);
    const OptionLayout& project = ProjectLayoutOf(family);
    const auto heldAsByte = [](const OptionLayout& layout, OptionField f) {
        for (const LayoutByte& b : layout.bytes)
            if (b.role == ByteRole::Value && b.field == f) return true;
        return false;
    };
    OptionFieldTexts texts = FieldsFromImage(device, chipImage);
    const OptionFieldTexts chosen = FieldsFromProjectText(project, BytesToHex(projectBytes));
    for (int f = 0; f < kFieldCount; ++f) {
        const auto field = static_cast<OptionField>(f);
        if (heldAsByte(project, field) && heldAsByte(device, field)) texts[field] = chosen[field];
    }
    if (&project == &kProject3 && &device == &kDevice12) MoveSeries12UserBits(chosen[kFieldUser], texts);
    return ImageFromFields(device, texts);
}

bool WordSwitchOn(fw::TextView word) { return word == u"5AA5"; }

fw::Text WordSwitchText(bool on) { return on ? u"5AA5" : u"FFFF"; }

bool FieldBit(fw::TextView byteText, int bit) { return FieldBits(byteText, bit, 1) != 0; }

fw::Text WithFieldBit(fw::TextView byteText, int bit, bool on) { return WithFieldBits(byteText, bit, 1, on ? 1 : 0); }

unsigned FieldBits(fw::TextView byteText, int first, int count) {
    return (HexValue(byteText) & 0xFF) >> first & ((1u << count) - 1);
}

fw::Text WithFieldBits(fw::TextView byteText, int first, int count, unsigned value) {
    const unsigned mask = ((1u << count) - 1) << first;
    const unsigned byte = (HexValue(byteText) & 0xFF & ~mask) | (value << first & mask);
    return fw::Format(u"%02X", byte);
}
