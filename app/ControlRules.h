// Which download controls a chip series, a download area and a running job leave usable.
#pragma once

#include <optional>
#include <vector>

#include "app/ChipSeries.h"
#include "framework/Text.h"

struct ControlAction {
    int id = 0;
    bool enabled = false;
    bool untick = false;  // also clear the check box
};

// The erase and protection boxes after a chip's information was applied.
struct ChipControlRules {
    std::vector<ControlAction> actions;
    std::optional<int> eraseModeSelection;  // the erase-mode combo is forced to this entry
};
ChipControlRules ChipInfoControlRules(ChipSeriesCode series, int downloadArea, bool bootSubVersionIsV10);

struct JobControlInput {
    bool enable = false;  // true when the last worker ended, false when a job starts
    ChipSeriesCode series = 0;
    int downloadArea = 0;
    int eraseMode = 0;
    int fileAreaCount = 1;
    bool bootSubVersionIsV10 = false;
    fw::Text fileExt;
    bool productionMode = false;
    bool firmwareFileTicked = false;
    bool safeModuleTicked = false;
    bool jtagModeTicked = false;
    int infoPackMode = 2;
};

// The controls a job start disables and its end gives back, in the order they are to be applied.
std::vector<ControlAction> JobControlActions(const JobControlInput& in);
