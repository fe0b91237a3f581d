#include "tools/ToolCommands.h"

#include "app/MainWindowCommands.h"

void RegisterToolCommands() {}
