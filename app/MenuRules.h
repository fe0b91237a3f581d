// Which items of the main menu a chip series and an interface allow.
#pragma once

#include <utility>
#include <vector>

#include "app/ChipSeries.h"
#include "app/InterfaceSpeeds.h"

struct MenuContext {
    ChipSeriesCode series = 0;
    InterfaceIndex iface = 0;
    bool productionMode = false;
    bool bootSubVersionIsV10 = false;
};

struct MenuStates {
    std::vector<std::pair<int, bool>> items;  // command id, enabled (false: disabled and grey)
    // The "Read Flash" popup (position 23 of the operations popup); in production mode it keeps its state.
    bool readFlashRuleApplies = false;
    bool readFlashEnabled = false;
};

// The states every refresh sets. Items that no rule names (external flash key, external API, external option
// bytes, About, the manual, the tool update check) keep what the menu holds.
MenuStates ComputeMenuStates(const MenuContext& ctx);
