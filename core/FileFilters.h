// Filters of the file dialogs: "text|patterns|" entries followed by a final "|". The texts are the user's language.
#pragma once

#include "framework/Text.h"

// One entry each.
fw::Text BinFilesEntry();
fw::Text HexFilesEntry();
fw::Text EncFilesEntry();
fw::Text BinOrEncFilesEntry();
fw::Text DownloadProjectFilesEntry();  // *.dlpf
fw::Text LinkProjectFilesEntry();      // *.ovpf

// bin, hex and enc files, the type chosen last first.
fw::Text BuildFileFilter(fw::TextView lastExtension);
// bin, hex, enc and project files, the type chosen last first.
fw::Text BuildProjectFileFilter(fw::TextView lastExtension);
