#include "devicelib/sim/CallJournal.h"

#include <mutex>

#include "devicelib/sim/Simulator.h"

namespace ovsim {
namespace {

std::mutex g_journalMutex;
std::vector<JournalEntry> g_journal;

}  // namespace

void NoteCall(Fn fn, DeviceHandle handle, std::vector<uint32_t> args, StatusCode status) {
    const std::optional<Session> session = Simulator::Get().Resolve(handle);
    JournalEntry entry{fn, session ? session->device->name : std::string(), std::move(args), status};
    std::lock_guard lock(g_journalMutex);
    g_journal.push_back(std::move(entry));
}

std::vector<JournalEntry> Journal() {
    std::lock_guard lock(g_journalMutex);
    return g_journal;
}

void ClearJournal() {
    std::lock_guard lock(g_journalMutex);
    g_journal.clear();
}

}  // namespace ovsim
