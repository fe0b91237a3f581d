// Adds this subsystem's handlers of main-window commands (menu items and buttons) to the window's command table.
#pragma once

void RegisterOfflineCommands();
