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
// Whether the program the downloader runs now serves a command at all; false answers it as unknown.
using CommandGate = std::function<bool(Downloader&, const Request&)>;
// What a factory restore, or switching the downloader on again, does to one concern's state.
using RestoreAction = std::function<void(Downloader&)>;

class CommandTable {
public:
    void Add(uint8_t command, CommandHandler handler) { m_handlers[command] = std::move(handler); }
    const CommandHandler* Find(uint8_t command) const { return m_handlers[command] ? &m_handlers[command] : nullptr; }
    void AddGate(CommandGate gate) { m_gates.push_back(std::move(gate)); }
    bool Admits(Downloader& downloader, const Request& request) const {
        for (const CommandGate& gate : m_gates)
            if (!gate(downloader, request)) return false;
        return true;
    }
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
    std::vector<CommandGate> m_gates;
    std::vector<RestoreAction> m_restore;
    std::vector<RestoreAction> m_powerUp;
};

// The table every simulated downloader serves, built once.
const CommandTable& Commands();

void AddIdentityCommands(CommandTable& table);
void AddParameterCommands(CommandTable& table);
void AddSecurityCommands(CommandTable& table);
void AddProjectStoreCommands(CommandTable& table);
void AddFirmwareUpdateCommands(CommandTable& table);

}  // namespace linksim
