// The project page's own rules that need no window: which option family a series name belongs to, and which of
// the page's controls are usable in which state.
#pragma once

#include "framework/Text.h"

// The chip series code whose option bytes, partitions and keys a series of the page uses, -1 for none. The name is
// upper-cased first and tested against the page's list in order, so the first name it contains decides.
int OptionFamilyOf(fw::TextView seriesName);

struct ProjectPageState {
    bool enable = true;    // false while a command runs on the downloader
    bool editable = true;  // OfflineProjectSettings::projectEditable
    int family = -1;
    bool uartChosen = false;  // the interface list shows "UART"
    bool limitChecked = false;
    bool optionChecked = false;
    bool partitionChecked = false;
    bool snChecked = false;
};

struct ProjectPageControls {
    bool projectCommands = false;  // new, delete, activate, open, save, save to the downloader, start download
    bool composing = false;        // add and delete file, name, model, series, erase and reset lists, limit box
    bool touchLimitEdit = false;   // the limit edit is set only while its box is checked
    bool limitEdit = false;
    bool forceSwd = false;  // the interface list is set to "SWD"
    bool interfaceList = false;
    bool optionBox = false;
    bool snBox = false;
    bool partitionBox = false;
    bool chipKeyBox = false;
};

// In the editable state a configured item is locked; in the read-only state only configured items can be opened
// for viewing. Partitions and chip keys need "UART" on a family that has them.
ProjectPageControls ProjectPageControlsOf(const ProjectPageState& state);

// Whether a family's chips have a chip-key update and partitions the page can configure.
bool FamilyHasPartitions(int family);
bool FamilyHasChipKeys(int family);
