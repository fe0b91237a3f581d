// The dialogs the project page opens from its boxes and its build: partitions, chip keys, serial numbers and the
// project setup. Each runs modally over the page, reads and writes the shared project settings, and answers true
// on OK. A dialog that is not part of the program yet is marked here; the page never offers what opens it.
#pragma once

namespace fw {
class Window;
}

inline constexpr bool kPartitionDialogAvailable = false;
inline constexpr bool kChipKeyDialogAvailable = false;
inline constexpr bool kSerialNumberDialogAvailable = false;
inline constexpr bool kProjectSetupDialogAvailable = false;

bool RunPartitionDialog(fw::Window* owner);
bool RunChipKeyDialog(fw::Window* owner);
bool RunSerialNumberDialog(fw::Window* owner);
bool RunProjectSetupDialog(fw::Window* owner);
