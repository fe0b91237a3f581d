// A downloader's replies about its stored projects are untrusted: the input is a run of replies (a size byte, then
// that many reply bytes) served in turn to the list reader and the record reader. Names stay within 32 bytes and
// the record reader asks a bounded number of times.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz/FuzzAccept.h"
#include "offline/StoredProjects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    std::size_t at = 0;
    std::size_t calls = 0;
    const LinkExchangeFn exchange = [&](fw::TextView, LinkReply& reply) {
        ++calls;
        if (at >= input.size()) return false;
        const std::size_t length = std::min<std::size_t>(input[at], input.size() - at - 1);
        reply = LinkReply(input.subspan(at + 1, length));
        at += 1 + length;
        return reply.Status() == 0;
    };
    const StoredProjectList list = ReadStoredProjectList(exchange);
    for (const fw::Text& name : list.names) {
        if (name.size() > 32) std::abort();
    }
    if (list.activeIndex >= static_cast<int>(list.names.size())) std::abort();
    if (!list.names.empty()) FuzzAccepted();
    calls = 0;
    ReadStoredProjectRecord(exchange, u"Demo");
    if (calls > ProjectConfig::kSize + 1) std::abort();
    return 0;
}
