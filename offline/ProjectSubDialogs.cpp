#include "offline/ProjectSubDialogs.h"

// Not offered while their dialogs are missing (see the flags); no caller reaches these then.
bool RunPartitionDialog(fw::Window*) { return false; }
bool RunChipKeyDialog(fw::Window*) { return false; }
bool RunSerialNumberDialog(fw::Window*) { return false; }
bool RunProjectSetupDialog(fw::Window*) { return false; }
