// Every subsystem's main-window commands, added in one call by the program and by tests that drive the whole
// window.
#pragma once

void RegisterProgramCommands();
