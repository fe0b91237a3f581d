#include "app/program/ProgramCommands.h"

#include "offline/OfflineCommands.h"
#include "optionbytes/OptionByteCommands.h"
#include "tools/ToolCommands.h"

void RegisterProgramCommands() {
    RegisterOptionByteCommands();
    RegisterToolCommands();
    RegisterOfflineCommands();
}
