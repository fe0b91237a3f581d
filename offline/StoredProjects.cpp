#include "offline/StoredProjects.h"

#include <algorithm>
#include <array>

#include "offline/ByteStringName.h"
#include "offline/LinkRequestText.h"

namespace {

constexpr uint8_t kList = 0x16, kEntry = 0x17, kRead = 0x15, kAction = 0x14;
constexpr uint8_t kActivate = 1, kDelete = 2;
constexpr uint8_t kLastPiece = 3;

std::vector<uint8_t> NamePayload(fw::TextView name) {
    std::vector<uint8_t> bytes = NameToByteString(name);
    bytes.resize(std::min(bytes.size(), kProjectTextMax));
    bytes.insert(bytes.begin(), static_cast<uint8_t>(bytes.size()));
    return bytes;
}

// A length byte and that many name bytes from the payload, bounded by the record's field and by what arrived.
fw::Text NameAt(std::span<const uint8_t> payload, std::size_t at) {
    if (at >= payload.size()) return {};
    const std::size_t length = std::min({std::size_t{payload[at]}, kProjectTextMax, payload.size() - at - 1});
    return ByteStringToName(payload.subspan(at + 1, length));
}

// An entry is the active mark, the name's length byte and the whole name; a stored project has a name.
std::optional<fw::Text> EntryName(std::span<const uint8_t> payload) {
    if (payload.size() < 2 || payload[1] == 0 || payload[1] > kProjectTextMax || payload.size() - 2 < payload[1])
        return std::nullopt;
    return ByteStringToName(payload.subspan(2, payload[1]));
}

// Pieces of another project's record (a read that gave up part way, a downloader that lost its place) must not
// pass for the one asked for.
bool NamesProject(const ProjectConfig& record, std::span<const uint8_t> namePayload) {
    const std::span<const uint8_t> asked = namePayload.subspan(1);
    return record.nameLength == asked.size() && std::ranges::equal(asked, std::span(record.name).first(asked.size()));
}

}  // namespace

StoredProjectList ReadStoredProjectList(const LinkExchangeFn& exchange) {
    StoredProjectList list;
    LinkReply reply;
    if (!exchange(LinkRequestText(kList, 0, 0, 0), reply) || reply.Payload().empty()) return list;
    const int count = reply.Payload()[0];
    for (int i = 0; i < count; ++i) {
        const std::array<uint8_t, 1> index = {static_cast<uint8_t>(i)};
        if (!exchange(LinkRequestText(kEntry, 0, 0, 0, index), reply)) return list;
        const std::span<const uint8_t> payload = reply.Payload();
        std::optional<fw::Text> name = EntryName(payload);
        if (!name) return list;
        if (payload[0] == 1) list.activeIndex = i;
        list.names.push_back(std::move(*name));
    }
    list.complete = true;
    return list;
}

std::optional<ProjectConfig> ReadStoredProjectRecord(const LinkExchangeFn& exchange, fw::TextView name) {
    const std::vector<uint8_t> request = NamePayload(name);
    ProjectConfig record = ProjectConfig::Blank();
    const std::span<uint8_t> into = record.MutableBytes();
    std::size_t filled = 0;
    // A record takes 31 pieces of 57 bytes; a downloader that sends smaller pieces still needs no more than one
    // a byte.
    for (std::size_t pieces = 0; pieces < ProjectConfig::kSize; ++pieces) {
        LinkReply reply;
        if (!exchange(LinkRequestText(kRead, 0, 0, 0, request), reply)) return std::nullopt;
        const std::span<const uint8_t> piece = reply.Payload();
        if (piece.size() > ProjectConfig::kSize - filled) return std::nullopt;
        std::ranges::copy(piece, into.begin() + static_cast<std::ptrdiff_t>(filled));
        filled += piece.size();
        if (reply.Byte(3) == kLastPiece) {
            if (filled != ProjectConfig::kSize || !NamesProject(record, request)) return std::nullopt;
            return record;
        }
        if (piece.empty()) return std::nullopt;
    }
    return std::nullopt;
}

bool ActivateStoredProject(const LinkExchangeFn& exchange, fw::TextView name) {
    LinkReply reply;
    return exchange(LinkRequestText(kAction, 0, 0, kActivate, NamePayload(name)), reply);
}

std::optional<fw::Text> DeleteStoredProject(const LinkExchangeFn& exchange, fw::TextView name) {
    LinkReply reply;
    if (!exchange(LinkRequestText(kAction, 0, 0, kDelete, NamePayload(name)), reply)) return std::nullopt;
    return NameAt(reply.Payload(), 0);
}
