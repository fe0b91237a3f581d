#include "app/MainWindowCommands.h"

#include <map>
#include <mutex>

namespace {

struct CommandTable {
    std::mutex mutex;
    std::map<int, MainWindowHandler> handlers;  // node-based: a found handler stays where it is
};

CommandTable& Table() {
    static CommandTable table;
    return table;
}

}  // namespace

void AddMainWindowCommand(int id, MainWindowHandler handler) {
    std::lock_guard lock(Table().mutex);
    if (handler) {
        Table().handlers[id] = std::move(handler);
    } else {
        Table().handlers.erase(id);
    }
}

const MainWindowHandler* FindMainWindowCommand(int id) {
    std::lock_guard lock(Table().mutex);
    auto it = Table().handlers.find(id);
    return it == Table().handlers.end() ? nullptr : &it->second;
}
