#include "framework/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace fw {
namespace {

std::string U8(TextView t) { return TextToUtf8(t); }

struct Case {
    Text got;
    const char* want;
};

void ExpectAll(std::initializer_list<Case> cases) {
    int row = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(U8(c.got), c.want) << "row " << row;
        ++row;
    }
}

TEST(Format, IntegerConversionsFlagsAndWidths) {
    ExpectAll({
        {Format(u"%d", 42), "42"},
        {Format(u"%i|%d", -7, 0), "-7|0"},
        {Format(u"%5d|%-5d|%05d", 42, 42, -42), "   42|42   |-0042"},
        {Format(u"%+d|% d|%+d", 5, 5, -5), "+5| 5|-5"},
        {Format(u"%.3d|%8.3d|%08.3d", 7, 7, 7), "007|     007|     007"},
        {Format(u"%.0d|%.0x", 0, 0), "|"},
        {Format(u"%x|%X|%#x|%#X|%#x", 255, 255, 255, 255, 0), "ff|FF|0xff|0XFF|0"},
        {Format(u"%o|%#o|%#o", 8, 8, 0), "10|010|0"},
        {Format(u"%02X", 0x5), "05"},
        {Format(u"%02X", 0x1ABu), "1AB"},  // wider than the width: all digits stay
        {Format(u"%08X", 0xDEADBEEFu), "DEADBEEF"},
        {Format(u"%04X", 0x12345), "12345"},
        {Format(u"%u", -1), "4294967295"},
        {Format(u"%x", -1), "ffffffff"},
        {Format(u"%d", 0xFFFFFFFFu), "-1"},
        {Format(u"%hd|%hu|%hhx", 70000, -1, 0x1FF), "4464|65535|ff"},
        {Format(u"%lld|%I64d|%llu", INT64_MIN, -5LL, UINT64_MAX), "-9223372036854775808|-5|18446744073709551615"},
        {Format(u"%I64X|%llx", 0x123456789ABCDEFull, 0xFFull), "123456789ABCDEF|ff"},
        {Format(u"%ld", 5000000000LL), "705032704"},  // long is 32 bits in the format's own world
        {Format(u"%d", INT32_MIN), "-2147483648"},
        {Format(u"%zu|%Iu", std::size_t{5000000000}, std::size_t{3}), "5000000000|3"},
        {Format(u"%d|%d", true, u'A'), "1|65"},
        {Format(u"%*d|%-*d|%*d", 4, 1, 3, 2, -3, 3), "   1|2  |3  "},
        {Format(u"%.*d", 3, 9), "009"},
        {Format(u"%d%%", 50), "50%"},
    });
}

TEST(Format, TextAndCharacters) {
    const Text chinese = u"成功";
    ExpectAll({
        {Format(u"%s", Text(u"abc")), "abc"},
        {Format(u"[%5s][%-5s]", u"ab", TextView(u"cd")), "[   ab][cd   ]"},
        {Format(u"%08s", Text(u"101")), "00000101"},
        {Format(u"%-08s|", Text(u"1")), "1       |"},
        {Format(u"%.2s", Text(u"abcdef")), "ab"},
        {Format(u"%s:%d", chinese, 3), "成功:3"},
        {Format(u"%6s", chinese), "    成功"},
        {Format(u"总数:%d", 12), "总数:12"},
        {Format(u"%ls|%ws|%S", u"a", u"b", u"c"), "a|b|c"},
        {Format(u"%s", static_cast<const char16_t*>(nullptr)), "(null)"},
        {Format(u"%c%c%c", u'O', 'K', 0x6210), "OK成"},
        {Format(u"%3c|%-3c|", u'x', u'y'), "  x|y  |"},
        {Format(u"%d--%s", 1, Text(u"未连接设备")), "1--未连接设备"},
    });
}

TEST(Format, FloatingPoint) {
    ExpectAll({
        {Format(u"%.1f", 12.34), "12.3"},
        {Format(u"%.1f%%", 99.95), "100.0%"},
        {Format(u"%f", 1.5f), "1.500000"},
        {Format(u"%.0f|%#.0f", 2.5, 3.0), "2|3."},
        {Format(u"%8.2f|%-8.2f|%08.2f", 3.14159, 3.14159, -3.14159), "    3.14|3.14    |-0003.14"},
        {Format(u"%+.2f|% .2f", 1.0, 1.0), "+1.00| 1.00"},
        {Format(u"%e|%E", 12345.678, 0.00012), "1.234568e+04|1.200000E-04"},
        {Format(u"%.2e", 0.0), "0.00e+00"},
        {Format(u"%g|%g|%g|%g", 100000.0, 1000000.0, 0.0001, 0.00001), "100000|1e+06|0.0001|1e-05"},
        {Format(u"%g|%#g|%G", 1.5, 1.5, 1e-10), "1.5|1.50000|1E-10"},
        {Format(u"%.3g|%.0g", 3.14159, 0.5), "3.14|0.5"},
        {Format(u"%lf", 2.0), "2.000000"},
        {Format(u"%f|%f|%5.1f", std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                std::nan("")),
         "inf|-inf|  nan"},
        {Format(u"%.1f", -0.04), "-0.0"},
    });
    // The largest double in fixed notation with a large precision stays within bounds.
    EXPECT_EQ(Format(u"%.400f", 1.7976931348623157e308).size(), 309u + 1u + 340u);
}

TEST(Format, PointersAreSixteenUpperCaseHexDigits) {
    const void* p = reinterpret_cast<const void*>(std::uintptr_t{0xABCDEF12});
    EXPECT_EQ(U8(Format(u"%p", p)), "00000000ABCDEF12");
    EXPECT_EQ(U8(Format(u"%p", nullptr)), "0000000000000000");
    int x = 0;
    EXPECT_EQ(Format(u"%p", &x).size(), 16u);
}

// Format texts come from catalogs: every fault in them shows up in the output and never reaches past the
// arguments that exist.
TEST(Format, MismatchedOrMissingArgumentsAreWrittenAsText) {
    ExpectAll({
        {Format(u"%d"), "%d"},
        {Format(u"%s and %d", Text(u"a")), "a and %d"},
        {Format(u"%d", Text(u"x")), "%d"},
        {Format(u"%s|%d", 5, 6), "%s|6"},  // the mismatched argument is still used up
        {Format(u"%f", 3), "%f"},
        {Format(u"%x", 1.5), "%x"},
        {Format(u"%c", Text(u"ab")), "%c"},
        {Format(u"%p", 5), "%p"},
        {Format(u"%*d", Text(u"w"), 5), "%*d"},
        {Format(u"%.*f", 2), "%.*f"},
        {Format(u"%n|%k|%a", 1), "%n|%k|%a"},
        {Format(u"100%"), "100%"},
        {Format(u"50% 完成"), "50% 完成"},
        {Format(u"%-0+ #"), "%-0+ #"},
        {Format(u"%5.2l"), "%5.2l"},
        {Format(u"%d", 1, 2, Text(u"extra")), "1"},
        {Format(u""), ""},
        {Format(u"no conversions"), "no conversions"},
    });
}

TEST(Format, HugeWidthsAndPrecisionsAreBounded) {
    EXPECT_LE(Format(u"%999999999999d", 1).size(), 4096u);
    EXPECT_LE(Format(u"%.999999999999d", 1).size(), 4096u);
    EXPECT_LE(Format(u"%*d", INT32_MIN, 1).size(), 4096u);
    EXPECT_EQ(U8(Format(u"%.*s", -1, Text(u"abc"))), "abc");  // a negative precision counts as none
}

TEST(Format, EnumsFormatAsTheirValue) {
    enum class Colour : std::uint8_t { Red = 200 };
    EXPECT_EQ(U8(Format(u"%d", Colour::Red)), "200");
}

}  // namespace
}  // namespace fw
