// Commands 0x10, 0x12 and 0x14 to 0x17: receiving a project, starting a download with the active one, and the
// list, read-back, activation and deletion of stored projects. Everything a project carries is checked against
// its record the way the downloader does before it programs anything: sizes, digests and CRCs.
#include <algorithm>
#include <string_view>

#include "core/Crc32.h"
#include "core/EncipheredFileName.h"
#include "core/Sha256.h"
#include "linksim/CommandTable.h"
#include "linksim/ProjectStoreState.h"
#include "linksim/SecurityState.h"

namespace linksim {
namespace {

constexpr uint8_t kStatusExists = 6, kStatusMissing = 7, kStatusSerial = 8, kStatusOnceOnly = 9,
                  kStatusProjectCheck = 10, kStatusFull = 12, kStatusHash = 19, kStatusCrc = 20,
                  kStatusAlgorithmCheck = 23, kStatusFileCheck = 27;
constexpr uint8_t kStart = 1, kNext = 2, kLast = 3, kCancel = 4;
constexpr std::size_t kChunk = 57;
constexpr uint32_t kMarkerValid = 0xA5A5A5A5;

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

std::array<uint8_t, 32> Sha256Of(const std::vector<uint8_t>& data) {
    std::array<uint8_t, 32> digest{};
    Sha256Buffer(data.data(), static_cast<int>(data.size()), digest.data());
    return digest;
}

uint32_t Crc(const std::vector<uint8_t>& data) {
    return Crc32Buffer(data.data(), static_cast<int>(data.size()), nullptr);
}

// What the downloader reads back from the chip after programming a plain file: a short file's page (or the two
// pages it straddles) with 0xFF around it, a long one padded with 0xFF to 16 bytes.
uint32_t ProgrammedCrc(const std::vector<uint8_t>& data, uint32_t start, uint32_t page) {
    if (page != 0 && data.size() < page) {
        const uint64_t base = start / page * uint64_t{page};
        const uint64_t length = start + data.size() <= base + page ? page : 2 * uint64_t{page};
        std::vector<uint8_t> window(length, 0xFF);
        std::copy(data.begin(), data.end(), window.begin() + static_cast<std::ptrdiff_t>(start - base));
        return Crc(window);
    }
    std::vector<uint8_t> padded = data;
    padded.resize((padded.size() + 15) / 16 * 16, 0xFF);
    return Crc(padded);
}

std::vector<uint8_t> RecordName(const std::array<uint8_t, kProjectRecordSize>& record) {
    const std::size_t length = std::min<std::size_t>(record[76], 32);
    return {record.begin() + 44, record.begin() + 44 + static_cast<std::ptrdiff_t>(length)};
}

// A name payload: its length byte and exactly that many bytes.
std::optional<std::vector<uint8_t>> NameOf(const Request& r) {
    if (r.payload.empty() || r.payload[0] == 0 || r.payload[0] > 32 || r.payload.size() != r.payload[0] + 1u)
        return std::nullopt;
    return std::vector<uint8_t>(r.payload.begin() + 1, r.payload.end());
}

std::optional<std::size_t> FindProject(const ProjectStoreState& s, const std::vector<uint8_t>& name) {
    for (std::size_t i = 0; i < s.projects.size(); ++i) {
        if (s.projects[i].name == name) return i;
    }
    return std::nullopt;
}

void Fail(ProjectStoreState& s, Reply& reply, uint8_t status) {
    s.incoming.reset();
    reply.status = status;
}

void ReceiveRecord(ProjectStoreState& s, const Request& r, Reply& reply) {
    if (r.p2 == kStart) {
        if (r.payload.size() != 32) return Fail(s, reply, kStatusParameterError);
        s.incoming.emplace();  // a transfer left unfinished is dropped
        std::copy(r.payload.begin(), r.payload.end(), s.incoming->recordDigest.begin());
        return;
    }
    if (r.p2 == kCancel) {
        if (s.incoming) ++s.cancelledTransfers;
        s.incoming.reset();
        return;
    }
    if (!s.incoming || s.incoming->recordDone || (r.p2 != kNext && r.p2 != kLast))
        return Fail(s, reply, kStatusParameterError);
    std::vector<uint8_t>& record = s.incoming->record;
    if (r.payload.empty() || r.payload.size() > kChunk || (r.p2 == kNext && r.payload.size() != kChunk) ||
        record.size() + r.payload.size() > kProjectRecordSize)
        return Fail(s, reply, kStatusParameterError);
    record.insert(record.end(), r.payload.begin(), r.payload.end());
    if (r.p2 == kNext) return;
    if (record.size() != kProjectRecordSize) return Fail(s, reply, kStatusProjectCheck);
    if (Sha256Of(record) != s.incoming->recordDigest) return Fail(s, reply, kStatusHash);
    const uint8_t files = record[82];
    if (Le32(&record[0]) != kProjectRecordSize || Le32(&record[4]) != kMarkerValid || files < 1 || files > 8 ||
        record[76] < 1 || record[76] > 32)
        return Fail(s, reply, kStatusProjectCheck);
    s.incoming->recordDone = true;
}

// The file record of a target: the algorithm's at 112, file i's at 524 + 132 i.
const uint8_t* FileRecord(const std::vector<uint8_t>& record, int target) {
    return record.data() + (target == 0xFF ? 112 : 524 + 132 * target);
}

uint8_t CheckArrived(const std::vector<uint8_t>& record, int target, const std::vector<uint8_t>& data) {
    const uint8_t* f = FileRecord(record, target);
    const std::array<uint8_t, 32> digest = Sha256Of(data);
    if (target == 0xFF) {
        if (data.size() != Le32(f + 40) || !std::equal(digest.begin(), digest.end(), f + 100))
            return kStatusAlgorithmCheck;
        return 0;
    }
    if (Le32(f) != kMarkerValid || data.size() != Le32(f + 44) || !std::equal(digest.begin(), digest.end(), f + 100))
        return kStatusFileCheck;
    const std::string_view name(reinterpret_cast<const char*>(f + 8), std::min<std::size_t>(f[7], 32));
    const uint32_t crc =
        NameMarksEnciphered(name) ? Crc(data) : ProgrammedCrc(data, Le32(f + 56), Le32(record.data() + 244 + 76));
    return crc == Le32(f + 64) ? 0 : kStatusCrc;
}

void File(ProjectStoreState& s) {
    IncomingProject& in = *s.incoming;
    StoredProject project;
    project.name = in.name;
    std::copy(in.record.begin(), in.record.end(), project.record.begin());
    project.blob = std::move(in.blob);
    project.files = std::move(in.files);
    s.projects.push_back(std::move(project));
    if (!s.active) s.active = s.projects.size() - 1;
    s.incoming.reset();
}

void ReceiveFile(Downloader& d, const Request& r, Reply& reply) {
    ProjectStoreState& s = d.State<ProjectStoreState>();
    const int target = r.p1;
    if (r.p2 == kCancel) {
        if (s.incoming) ++s.cancelledTransfers;
        s.incoming.reset();
        return;
    }
    if (!s.incoming || !s.incoming->recordDone) return Fail(s, reply, kStatusParameterError);
    IncomingProject& in = *s.incoming;
    const int expected = in.target == -2 ? 0xFF : in.target == 0xFF ? 0 : in.target + 1;
    if (r.p2 == kStart) {
        const std::optional<std::vector<uint8_t>> name = NameOf(r);
        if (target != expected || (in.target != -2 && !in.targetDone) || !name)
            return Fail(s, reply, kStatusParameterError);
        if (target != 0xFF && target >= in.record[82]) return Fail(s, reply, kStatusParameterError);
        std::array<uint8_t, kProjectRecordSize> record{};
        std::copy(in.record.begin(), in.record.end(), record.begin());
        if (*name != RecordName(record)) return Fail(s, reply, kStatusProjectCheck);
        if (target == 0xFF && FindProject(s, *name)) return Fail(s, reply, kStatusExists);
        if (target == 0xFF && s.projects.size() >= s.capacity) return Fail(s, reply, kStatusFull);
        in.name = *name;
        in.target = target;
        in.targetDone = false;
        in.data.clear();
        return;
    }
    if (target != in.target || in.targetDone || (r.p2 != kNext && r.p2 != kLast) || r.payload.empty() ||
        r.payload.size() > kChunk || (r.p2 == kNext && r.payload.size() != kChunk))
        return Fail(s, reply, kStatusParameterError);
    in.data.insert(in.data.end(), r.payload.begin(), r.payload.end());
    if (r.p2 == kNext) return;
    if (const uint8_t status = CheckArrived(in.record, target, in.data)) return Fail(s, reply, status);
    in.targetDone = true;
    if (target == 0xFF)
        in.blob = std::move(in.data);
    else
        in.files.push_back(std::move(in.data));
    in.data.clear();
    if (target != 0xFF && target + 1 == in.record[82]) File(s);
}

// The stored project a request names; a parameter error when the request is malformed, "missing" when no
// project has the name.
std::optional<std::size_t> NamedProject(const ProjectStoreState& s, const Request& r, bool wellFormed, Reply& reply) {
    const std::optional<std::vector<uint8_t>> name = NameOf(r);
    if (!wellFormed || !name) {
        reply.status = kStatusParameterError;
        return std::nullopt;
    }
    const std::optional<std::size_t> found = FindProject(s, *name);
    if (!found) reply.status = kStatusMissing;
    return found;
}

void ServeRecord(Downloader& d, const Request& r, Reply& reply) {
    ProjectStoreState& s = d.State<ProjectStoreState>();
    if (r.p1 == 1) return ReceiveRecord(s, r, reply);
    const std::optional<std::size_t> found = NamedProject(s, r, r.p1 == 0, reply);
    if (!found) return;
    if (s.readingName != s.projects[*found].name) {
        s.readingName = s.projects[*found].name;
        s.readOffset = 0;
    }
    const auto& record = s.projects[*found].record;
    const std::size_t length = std::min(kChunk, kProjectRecordSize - s.readOffset);
    reply.payload.assign(record.begin() + static_cast<std::ptrdiff_t>(s.readOffset),
                         record.begin() + static_cast<std::ptrdiff_t>(s.readOffset + length));
    s.readOffset += length;
    reply.p2 = s.readOffset == kProjectRecordSize ? kLast : kNext;
    if (s.readOffset == kProjectRecordSize) s.readingName.clear();
}

void ServeCount(Downloader& d, const Request&, Reply& reply) {
    reply.payload = {static_cast<uint8_t>(d.State<ProjectStoreState>().projects.size())};
}

void ServeEntry(Downloader& d, const Request& r, Reply& reply) {
    const ProjectStoreState& s = d.State<ProjectStoreState>();
    if (r.payload.size() != 1 || r.payload[0] >= s.projects.size()) {
        reply.status = kStatusParameterError;
        return;
    }
    const StoredProject& p = s.projects[r.payload[0]];
    reply.payload = {static_cast<uint8_t>(s.active == r.payload[0] ? 1 : 0), static_cast<uint8_t>(p.name.size())};
    reply.payload.insert(reply.payload.end(), p.name.begin(), p.name.end());
}

void ServeAction(Downloader& d, const Request& r, Reply& reply) {
    ProjectStoreState& s = d.State<ProjectStoreState>();
    const std::optional<std::size_t> found = NamedProject(s, r, r.p3 == 1 || r.p3 == 2, reply);
    if (!found) return;
    if (r.p3 == 1) {
        s.active = *found;
        return;
    }
    s.projects.erase(s.projects.begin() + static_cast<std::ptrdiff_t>(*found));
    if (s.active == *found)
        s.active = s.projects.empty() ? std::nullopt : std::optional<std::size_t>(0);
    else if (s.active && *s.active > *found)
        --*s.active;
    const std::vector<uint8_t> active = s.active ? s.projects[*s.active].name : std::vector<uint8_t>();
    reply.payload = {static_cast<uint8_t>(active.size())};
    reply.payload.insert(reply.payload.end(), active.begin(), active.end());
}

// Starting a download programs the target with the active project, within the project's own rules and the
// downloader's burn limit.
void ServeStartDownload(Downloader& d, const Request&, Reply& reply) {
    ProjectStoreState& s = d.State<ProjectStoreState>();
    if (!s.active) {
        reply.status = kStatusMissing;
        return;
    }
    StoredProject& p = s.projects[*s.active];
    const auto& record = p.record;
    const std::vector<uint8_t>& serial = d.Spec().serial;
    if (record[78] == 1 &&
        (serial.size() < 16 || !std::equal(record.begin() + 28, record.begin() + 44, serial.begin()))) {
        reply.status = kStatusSerial;
        return;
    }
    if (record[79] == 1 && p.downloads > 0) {
        reply.status = kStatusOnceOnly;
        return;
    }
    SecurityState& security = d.State<SecurityState>();
    const bool burnLimited = (security.limitFlags & 1) != 0;
    if ((record[84] == 1 && p.downloads >= Le32(&record[92])) || (burnLimited && security.remaining == 0)) {
        reply.status = kStatusParameterError;
        return;
    }
    if (burnLimited) --security.remaining;
    ++p.downloads;
    ++s.downloadsStarted;
}

}  // namespace

void AddProjectStoreCommands(CommandTable& table) {
    table.Add(0x10, [](Downloader& d, const Request& r, Reply& reply) { ReceiveFile(d, r, reply); });
    table.Add(0x12, ServeStartDownload);
    table.Add(0x14, ServeAction);
    table.Add(0x15, ServeRecord);
    table.Add(0x16, ServeCount);
    table.Add(0x17, ServeEntry);
}

}  // namespace linksim
