#include "devicelib/sim/PageErase.h"

#include <mutex>

#include "devicelib/sim/Simulator.h"

namespace ovsim {
namespace {

std::mutex g_requestsMutex;
std::vector<EraseRequest> g_requests;

struct NamedArea {
    uint8_t series;
    uint8_t index;
    uint32_t first, last;
};
// The areas beside the main flash that an erase names by the record's partition index.
constexpr NamedArea kNamedAreas[] = {
    {11, 3, 0x1FFF1000, 0x1FFF2FFF},  // data flash
    {11, 4, 0x20001000, 0x20003FFF},  // SRAM
};

}  // namespace

StatusCode CheckEraseArea(const SeriesInfo& series, uint32_t first, uint32_t last,
                          const UserPartitionRecord* partition) {
    for (const NamedArea& area : kNamedAreas) {
        if (area.series != series.code) continue;
        const bool inArea = first >= area.first && last <= area.last;
        const bool named = partition != nullptr && partition->index == area.index;
        if (named && !inArea) return CMD_STATUS_BAD_PARAMETER;
        // A USER partition's record cannot open another area: the area would be erased under USER1's key.
        if (inArea && partition != nullptr && partition->index <= 2) return CMD_STATUS_BAD_PARAMETER;
    }
    return CMD_STATUS_OK;
}

void NoteEraseRequest(DeviceHandle handle, uint32_t first, uint32_t last, const UserPartitionRecord* partition,
                      const KeyUpdateRecord* key, StatusCode status) {
    const std::optional<Session> session = Simulator::Get().Resolve(handle);
    EraseRequest request{
        session ? session->device->name : std::string(), first, last, std::nullopt, std::nullopt, status};
    if (partition) request.partition = *partition;
    if (key) request.key = *key;
    std::lock_guard lock(g_requestsMutex);
    g_requests.push_back(std::move(request));
}

std::vector<EraseRequest> EraseRequests() {
    std::lock_guard lock(g_requestsMutex);
    return g_requests;
}

void ClearEraseRequests() {
    std::lock_guard lock(g_requestsMutex);
    g_requests.clear();
}

}  // namespace ovsim
