// The commands a simulated downloader serves, by command byte. Each concern adds its commands in a function of its
// own (AddIdentityCommands ...), called from BuildCommandTable in sim/Commands.cpp.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "linksim/LinkSim.h"

namespace linksim {

// Runs under the downloader's lock; a handler checks what the real firmware checks and sets reply.status.
using CommandHandler = std::function<void(Downloader&, const Request&, Reply&)>;
// What a factory restore, or switching the downloader on again, does to one concern's state.
using RestoreAction = std::function<void(Downloader&)>;

class CommandTable {
public:
    void Add(uint8_t command, CommandHandler handler) { m_handlers[command] = std::move(handler); }
    const CommandHandler* Find(uint8_t command) const { return m_handlers[command] ? &m_handlers[command] : nullptr; }
    void AddRestoreAction(RestoreAction action) { m_restore.push_back(std::move(action)); }
    void RestoreFactorySettings(Downloader& downloader) const {
        for (const RestoreAction& action : m_restore)
            action(downloader);
    }
    // What is not kept while the downloader has no power (working copies, a challenge handed out).
    void AddPowerUpAction(RestoreAction action) { m_powerUp.push_back(std::move(action)); }
    void PowerUp(Downloader& downloader) const {
        for (const RestoreAction& action : m_powerUp)
            action(downloader);
    }

private:
    std::array<CommandHandler, 256> m_handlers;
    std::vector<RestoreAction> m_restore;
    std::vector<RestoreAction> m_powerUp;
};

// The table every simulated downloader serves, built once.
const CommandTable& Commands();

void AddIdentityCommands(CommandTable& table);
void AddParameterCommands(CommandTable& table);
void AddSecurityCommands(CommandTable& table);
void AddProjectStoreCommands(CommandTable& table);

}  // namespace linksim
