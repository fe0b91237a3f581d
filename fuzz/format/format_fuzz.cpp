// Format texts come from translation catalogs; any text with any arguments must format without harm.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "framework/Format.h"
#include "fuzz/FuzzAccept.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks the argument list, the rest is the format text as UTF-16 code units.
    if (size == 0) return 0;
    const unsigned choice = data[0];
    fw::Text format((size - 1) / 2, u'\0');
    std::memcpy(format.data(), data + 1, format.size() * 2);

    const fw::Text text = u"文本";
    const int local = 0;
    switch (choice % 6) {
        case 0:
            (void)fw::Format(format);
            break;
        case 1:
            (void)fw::Format(format, -1, 4294967295u, INT64_MIN, 3.5);
            break;
        case 2:
            (void)fw::Format(format, text, u'c', static_cast<const char16_t*>(nullptr), &local);
            break;
        case 3:
            (void)fw::Format(format, 1e308, -0.0, 1e-300, static_cast<short>(-2), true);
            break;
        case 4:
            (void)fw::Format(format, 2147483647, -2147483647 - 1, text, 0.1f, UINT64_MAX, 'x');
            break;
        default:
            (void)fw::Format(format, static_cast<int>(choice), text, static_cast<int>(choice) - 128, text);
            break;
    }
    // Formatting refuses nothing: any format text taken is the path every input should reach.
    if (!format.empty()) FuzzAccepted();
    return 0;
}
