#include <vector>

#include "core/HexTokens.h"
#include "core/IntelHex.h"

namespace {

// Builds the runs in a local list so that the caller's array changes only on success.
class SegmentBuilder {
public:
    explicit SegmentBuilder(size_t room) : m_room(room) {}

    // A record extends the current run only when it starts exactly where the run ends; anything else (a gap, a
    // step back, a new 64 KB page that does not continue the data) opens the next run.
    bool Add(uint32_t address, const uint8_t* data, size_t count) {
        if (count == 0) return true;
        if (m_runs.empty() ||
            static_cast<uint64_t>(m_runs.back().startAddress) + m_runs.back().data.size() != address) {
            if (m_runs.size() == m_room) return false;
            Close();
            m_runs.emplace_back();
            m_runs.back().startAddress = address;
        }
        m_runs.back().data.insert(m_runs.back().data.end(), data, data + count);
        return true;
    }

    void Close() {
        if (!m_runs.empty()) {
            HexSegment& run = m_runs.back();
            run.endAddress = run.startAddress + static_cast<uint32_t>(run.data.size()) - 1;
        }
    }

    int Deliver(std::span<HexSegment> segments) {
        Close();
        if (m_runs.empty()) return 0;
        for (size_t i = 0; i < m_runs.size(); ++i)
            segments[i] = std::move(m_runs[i]);
        return static_cast<int>(m_runs.size());
    }

private:
    size_t m_room;
    std::vector<HexSegment> m_runs;
};

int ReadSegments(HexTokenReader& reader, std::span<HexSegment> segments) {
    SegmentBuilder builder(segments.size());
    uint32_t base = 0;
    bool ended = false;
    const int rc = WalkHexRecords(reader, ended, [&](std::string_view, const HexRecord& record) {
        if (record.type == 2 || record.type == 4) {
            base = AddressRecordBase(record);
        } else if (record.type == 0 && !builder.Add(base + record.address, record.data.data(), record.count)) {
            return kHexAddressOutOfRange;  // more runs than room
        }
        return kHexOk;
    });
    return rc == kHexOk && ended ? builder.Deliver(segments) : 0;
}

}  // namespace

int ReadHexSegmentsFromText(std::string_view text, std::span<HexSegment> segments) {
    HexTokenReader reader(text);
    return ReadSegments(reader, segments);
}

int ReadHexSegments(fw::TextView path, std::span<HexSegment> segments) {
    const HexInputFile file = OpenHexInput(path);
    if (!file) return 0;
    HexTokenReader reader(file.get());
    return ReadSegments(reader, segments);
}
