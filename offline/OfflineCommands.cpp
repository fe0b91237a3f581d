#include "offline/OfflineCommands.h"

#include "app/MainWindowCommands.h"

void RegisterOfflineCommands() {}
