#include <gtest/gtest.h>

#include "app/DeviceNames.h"

namespace {

TEST(SplitDeviceNames, Cases) {
    using Names = std::vector<fw::Text>;
    struct Case {
        fw::Text buffer;
        unsigned count;
        Names expected;
    };
    const Case cases[] = {
        {u"COM1;COM2;", 2, {u"COM1", u"COM2"}},
        {u"COM1;COM2", 2, {u"COM1", u"COM2"}},          // a last name without ";" is still a name
        {u"COM1;COM2;", 5, {u"COM1", u"COM2"}},         // never more names than the text holds
        {u"COM1;COM2;COM3;", 2, {u"COM1", u"COM2"}},    // never more than the library counted
        {u"", 3, {}},
        {u"COM1;", 0, {}},
        {fw::Text(u"A;B;\0C;D;", 9), 4, {u"A", u"B"}},  // the text ends at its NUL
    };
    for (const Case& c : cases) EXPECT_EQ(SplitDeviceNames(c.buffer, c.count), c.expected) << fw::TextToUtf8(c.buffer);
}

}  // namespace
