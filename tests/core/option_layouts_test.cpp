// The option-byte layouts of every series, against tables typed here byte by byte from the layout tables: a chip
// image or a project text goes into fields and back unchanged, every complement is 255 minus its value, and the
// bytes carried as read come back as they were. Then the texts the project editors must produce, digit by digit.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/HexText.h"
#include "core/OptionLayouts.h"
#include "framework/Format.h"

namespace {

using fw::Text;

// One token per byte: a field name, "~" and a field name for its complement, "AS" carried as read, "CRC" only
// read, "LO:"/"HI:" the bytes of a 16-bit word, or two hex digits for a fixed byte.
std::vector<std::string> Tokens(const std::string& row) {
    std::istringstream in(row);
    std::vector<std::string> out;
    for (std::string t; in >> t;)
        out.push_back(t);
    return out;
}

const std::map<std::string, OptionField> kFields = {
    {"RDP", kFieldRdp},     {"RDP2", kFieldRdp2},   {"USER", kFieldUser},      {"USER0", kFieldUser0},
    {"USER2", kFieldUser2}, {"USER3", kFieldUser3}, {"USER4", kFieldUser4},    {"USER5", kFieldUser5},
    {"USER6", kFieldUser6}, {"D0", kFieldData0},    {"D1", kFieldData1},       {"D2", kFieldData2},
    {"D3", kFieldData3},    {"W0", kFieldWrp0},     {"W1", kFieldWrp1},        {"W2", kFieldWrp2},
    {"W3", kFieldWrp3},     {"DBANK", kFieldDbank}, {"CCM", kFieldCcmsramRst},
};

struct LayoutRow {
    uint8_t code;
    const char* bytes;
    size_t written;
};

// Device images, by series.
const LayoutRow kDeviceRows[] = {
    {0, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 W2 ~W2 W3 ~W3 RDP2 ~RDP2 AS AS", 20},
    {1, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 W2 ~W2 W3 ~W3 RDP2 ~RDP2 AS AS", 20},
    {2, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 W2 ~W2 W3 ~W3 RDP2 ~RDP2 USER2 ~USER2", 20},
    {5, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 RDP2 ~RDP2 USER2 ~USER2", 16},
    {8,
     "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 W2 ~W2 W3 ~W3 RDP2 ~RDP2 USER2 ~USER2 USER3 ~USER3 AS AS "
     "CCM ~CCM AS AS AS AS AS AS",
     32},
    {9,
     "RDP ~RDP RDP2 ~RDP2 DBANK ~DBANK CCM ~CCM USER ~USER USER2 ~USER2 USER3 ~USER3 AS AS W0 ~W0 W1 ~W1 W2 ~W2 "
     "W3 ~W3 D0 ~D0 D1 ~D1 D2 ~D2 D3 ~D3",
     32},
    {3, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 RDP2 ~RDP2 AS AS", 16},
    {4, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 RDP2 ~RDP2 AS AS", 16},
    {6, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 RDP2 ~RDP2 AS AS", 16},
    {7, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 USER2 ~USER2 USER3 ~USER3 RDP2 ~RDP2 USER4 ~USER4", 16},
    {11, "RDP USER USER2 USER3 USER4 USER5 USER6 D0 D1 W0 W1 W2 W3 RDP2", 14},
    {12, "RDP USER4 LO:USER0 HI:USER0 LO:USER HI:USER USER2 USER3 D0 D1 W0 W1 RDP2 CRC CRC CRC CRC", 13},
};

// Project option bytes, by option family.
const LayoutRow kProjectRows[] = {
    {0, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 W2 ~W2 W3 ~W3 RDP2 ~RDP2 FF 00", 20},
    {1, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 W2 ~W2 W3 ~W3 RDP2 ~RDP2 FF 00", 20},
    {2, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 W2 ~W2 W3 ~W3 RDP2 ~RDP2 USER2 ~USER2", 20},
    {5, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 RDP2 ~RDP2 USER2 ~USER2", 16},
    {8, "RDP USER D0 D1 W0 W1 W2 W3 RDP2 USER2 USER3 AS CCM AS AS AS", 16},
    {9, "RDP USER D0 D1 W0 W1 W2 W3 RDP2 USER2 USER3 AS CCM AS AS AS", 16},
    {3, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 RDP2 ~RDP2 FF 00 RDP2 ~RDP2 FF 00", 20},
    {4, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 RDP2 ~RDP2 FF 00 RDP2 ~RDP2 FF 00", 20},
    {6, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 RDP2 ~RDP2 FF 00 RDP2 ~RDP2 FF 00", 20},
    {12, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 RDP2 ~RDP2 FF 00 RDP2 ~RDP2 FF 00", 20},
    {7, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 USER2 ~USER2 USER3 ~USER3 RDP2 ~RDP2 USER4 ~USER4 RDP2 ~RDP2 FF 00", 20},
    {11, "RDP USER USER2 USER3 USER4 USER5 USER6 D0 D1 W0 W1 W2 W3 RDP2", 14},
    {10, "RDP ~RDP USER ~USER D0 ~D0 D1 ~D1 W0 ~W0 W1 ~W1 W2 ~W2 W3 ~W3 RDP2 ~RDP2", 18},  // no layout of its own
};

// A distinct value per field and arbitrary as-read bytes; complements and fixed bytes as the table says.
std::vector<uint8_t> SampleBytes(const std::vector<std::string>& tokens, std::map<std::string, unsigned>& values) {
    std::vector<uint8_t> bytes;
    unsigned next = 0x11;
    const auto valueOf = [&](const std::string& name) {
        if (!values.count(name)) values[name] = (next += 0x0D) & 0xFF;
        return values[name];
    };
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string& t = tokens[i];
        if (t == "AS" || t == "CRC") {
            bytes.push_back(static_cast<uint8_t>(0x40 + i * 3));
        } else if (t[0] == '~') {
            bytes.push_back(static_cast<uint8_t>(~valueOf(t.substr(1))));
        } else if (t.rfind("LO:", 0) == 0) {
            const std::string name = t.substr(3);
            if (!values.count(name)) values[name] = (next += 0x0D0D) & 0xFFFF;
            bytes.push_back(static_cast<uint8_t>(values[name]));
        } else if (t.rfind("HI:", 0) == 0) {
            bytes.push_back(static_cast<uint8_t>(values[t.substr(3)] >> 8));
        } else if (kFields.count(t)) {
            bytes.push_back(static_cast<uint8_t>(valueOf(t)));
        } else {
            bytes.push_back(static_cast<uint8_t>(std::stoi(t, nullptr, 16)));
        }
    }
    return bytes;
}

TEST(OptionLayouts, DeviceImageRoundTripsThroughTheFieldsOfEverySeries) {
    for (const LayoutRow& row : kDeviceRows) {
        SCOPED_TRACE(testing::Message() << "series " << int(row.code));
        const auto tokens = Tokens(row.bytes);
        std::map<std::string, unsigned> values;
        const std::vector<uint8_t> image = SampleBytes(tokens, values);
        const OptionLayout& layout = DeviceLayoutOf(row.code);
        ASSERT_EQ(layout.bytes.size(), tokens.size());
        EXPECT_EQ(layout.writeLength, row.written);

        const OptionFieldTexts fields = FieldsFromImage(layout, image);
        for (const auto& [name, value] : values) {
            const bool word = value > 0xFF || (row.code == 12 && (name == "USER" || name == "USER0"));
            EXPECT_EQ(fields[kFields.at(name)], fw::Format(word ? u"%04X" : u"%02X", value)) << name;
        }
        const std::vector<uint8_t> written = ImageFromFields(layout, fields);
        EXPECT_EQ(written, std::vector<uint8_t>(image.begin(), image.begin() + static_cast<long>(row.written)));
    }
}

TEST(OptionLayouts, DeviceImageGetsComplementsFromTheValuesTyped) {
    for (const LayoutRow& row : kDeviceRows) {
        SCOPED_TRACE(testing::Message() << "series " << int(row.code));
        const auto tokens = Tokens(row.bytes);
        const OptionLayout& layout = DeviceLayoutOf(row.code);
        OptionFieldTexts fields = FieldsFromImage(layout, std::vector<uint8_t>(64, 0));
        for (const auto& [name, field] : kFields)
            fields[field] = u"1234";  // longer than a byte: the low eight bits count
        const std::vector<uint8_t> written = ImageFromFields(layout, fields);
        for (size_t i = 0; i < row.written; ++i) {
            const std::string& t = tokens[i];
            if (t[0] == '~') {
                EXPECT_EQ(written[i], 0xCB) << "byte " << i;
            } else if (t.rfind("LO:", 0) == 0) {
                EXPECT_EQ(written[i], 0x34) << "byte " << i;
            } else if (t.rfind("HI:", 0) == 0) {
                EXPECT_EQ(written[i], 0x12) << "byte " << i;
            } else if (kFields.count(t)) {
                EXPECT_EQ(written[i], 0x34) << "byte " << i;
            }
        }
    }
}

TEST(OptionLayouts, ProjectTextRoundTripsThroughTheFieldsOfEveryFamily) {
    for (const LayoutRow& row : kProjectRows) {
        SCOPED_TRACE(testing::Message() << "family " << int(row.code));
        const auto tokens = Tokens(row.bytes);
        std::map<std::string, unsigned> values;
        std::vector<uint8_t> bytes = SampleBytes(tokens, values);
        const Text text = BytesToHex(bytes);
        // The project text always holds 20 bytes when the editor opens; the rest is not read.
        const Text opened = text + Text(40 - text.size(), u'E');
        const OptionLayout& layout = ProjectLayoutOf(row.code);
        EXPECT_EQ(layout.writeLength, row.written);
        const OptionFieldTexts fields = FieldsFromProjectText(layout, opened);
        EXPECT_EQ(ProjectTextFromFields(layout, fields), text);
    }
}

TEST(OptionLayouts, ProjectTextsOfTheLayoutTables) {
    struct Case {
        const char* name;
        uint8_t family;
        std::map<OptionField, Text> fields;
        Text text;
    };
    const std::map<OptionField, Text> plain = {
        {kFieldRdp, u"A5"},  {kFieldUser, u"FF"}, {kFieldData0, u"00"}, {kFieldData1, u"00"}, {kFieldWrp0, u"FF"},
        {kFieldWrp1, u"FF"}, {kFieldWrp2, u"FF"}, {kFieldWrp3, u"FF"},  {kFieldRdp2, u"FF"},  {kFieldUser2, u"FF"},
    };
    auto with = [&](std::map<OptionField, Text> extra) {
        std::map<OptionField, Text> out = plain;
        for (auto& [f, t] : extra)
            out[f] = t;
        return out;
    };
    const Case cases[] = {
        {"family 2", 2, plain, u"A55AFF0000FF00FFFF00FF00FF00FF00FF00FF00"},
        {"family 0 has no USER2 and ends in FF 00", 0, plain, u"A55AFF0000FF00FFFF00FF00FF00FF00FF00FF00"},
        {"family 8", 8, with({{kFieldUser3, u"FF"}, {kFieldCcmsramRst, u"AB"}}), u"A5FF0000FFFFFFFFFFFFFFFFABFFFFFF"},
        {"series 3", 3, plain, u"A55AFF0000FF00FFFF00FF00FF00FF00FF00FF00"},
        {"one digit is padded", 5, with({{kFieldData0, u"5"}}), u"A55AFF0005FA00FFFF00FF00FF00FF00"},
        {"typed case is kept", 2, with({{kFieldWrp0, u"ab"}}), u"A55AFF0000FF00FFab54FF00FF00FF00FF00FF00"},
        {"family 11 has 28 digits", 11,
         with({{kFieldUser2, u"5"},
               {kFieldUser3, u"01"},
               {kFieldUser4, u"02"},
               {kFieldUser5, u"03"},
               {kFieldUser6, u"04"}}),
         u"A5FF05010203040000FFFFFFFFFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OptionLayout& layout = ProjectLayoutOf(c.family);
        // Bytes carried as read come from the text the editor opened on: here all FF.
        OptionFieldTexts fields = FieldsFromProjectText(layout, Text(40, u'F'));
        for (const auto& [f, t] : c.fields)
            fields[f] = t;
        EXPECT_EQ(ProjectTextFromFields(layout, fields), c.text);
    }
}

TEST(OptionLayouts, Series12WordsAndTheCrcItNeverWrites) {
    const std::vector<uint8_t> image = {0xA5, 0x01, 0xA5, 0x5A, 0xFF, 0xFF, 0x00, 0x00, 0x11,
                                        0x22, 0xFF, 0xFF, 0xFF, 0x3D, 0x2C, 0x1B, 0x0A};
    const OptionLayout& layout = DeviceLayoutOf(12);
    const OptionFieldTexts fields = FieldsFromImage(layout, image);
    EXPECT_EQ(fields[kFieldUser0], u"5AA5");
    EXPECT_EQ(fields[kFieldUser], u"FFFF");
    EXPECT_EQ(fields[kFieldUser4], u"01");
    EXPECT_EQ(ImageFromFields(layout, fields), std::vector<uint8_t>(image.begin(), image.begin() + 13));
}

TEST(OptionLayouts, AsReadBytesGoBackAsTheyWereRead) {
    std::vector<uint8_t> image(20, 0xFF);
    image[0] = 0xA5;
    image[1] = 0x5A;
    for (int i = 3; i < 18; i += 2)
        image[static_cast<size_t>(i)] = 0x00;
    image[18] = 0x12;  // no complement relation between the last two bytes of series 0
    image[19] = 0x34;
    const OptionLayout& layout = DeviceLayoutOf(0);
    EXPECT_EQ(ImageFromFields(layout, FieldsFromImage(layout, image)), image);
}

TEST(OptionLayouts, BitsOfAByteText) {
    EXPECT_TRUE(FieldBit(u"04", 2));
    EXPECT_FALSE(FieldBit(u"FB", 2));
    EXPECT_EQ(WithFieldBit(u"03", 4, true), u"13");
    EXPECT_EQ(WithFieldBit(u"FF", 0, false), u"FE");
    EXPECT_EQ(FieldBits(u"E0", 5, 3), 7u);
    EXPECT_EQ(WithFieldBits(u"13", 0, 4, 0xA), u"1A");
    EXPECT_EQ(WithFieldBits(u"FF", 4, 3, 5), u"DF");  // bits 6..4 = 101, bit 7 kept
    EXPECT_EQ(WithFieldBit(u"", 0, true), u"01");
}

}  // namespace
