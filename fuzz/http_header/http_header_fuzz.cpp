// Reply headers of the update server, as the fetch reads them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzAccept.h"
#include "offline/HttpHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view header(reinterpret_cast<const char*>(data), size);
    const auto info = ParseHttpHeader(header);
    if (info.contentLength < -1 || info.contentLength > 0x7FFFFFFF) __builtin_trap();
    if (info.status != 0 && (info.status < 100 || info.status > 599)) __builtin_trap();
    if (const auto value = FindContentLengthText(header)) {
        // The value is a view into the header, never past its end.
        if (value->data() < header.data() || value->data() + value->size() > header.data() + header.size())
            __builtin_trap();
    }
    (void)FetchedSizeText(info.contentLength);
    if (info.status != 0) FuzzAccepted();
    return 0;
}
