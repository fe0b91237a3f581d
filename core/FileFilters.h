// Filters of the file dialogs, the type chosen last first ("Text|pattern|" entries and a final "|").
#pragma once

#include "framework/Text.h"

// bin, hex and enc files.
fw::Text BuildFileFilter(fw::TextView lastExtension);
// bin, hex, enc and project files.
fw::Text BuildProjectFileFilter(fw::TextView lastExtension);
