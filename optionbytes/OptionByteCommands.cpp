#include "optionbytes/OptionByteCommands.h"

#include "app/MainWindowCommands.h"

void RegisterOptionByteCommands() {}
