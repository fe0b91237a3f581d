// What the offline project page hands the project builder: its controls' choices, taken as they stand when the
// user saves or sends the project.
#pragma once

#include <vector>

#include "framework/Text.h"

struct ProjectPageChoices {
    bool seriesSelected = false;  // the MCU type list has a selection
    fw::Text seriesText;          // its text (a CLASS of the chip series table)
    bool modelSelected = false;
    fw::Text modelText;                        // a CHIPMARK of that series
    fw::Text nameText;                         // the project name as typed, blanks included
    std::vector<fw::Text> storedProjectNames;  // the entries of the stored-project list
    int interfaceIndex = 0;                    // 0 SWD, 1 UART
    int eraseIndex = 0;                        // 0 none, 1 whole chip, 2 by file size
    int resetIndex = 0;                        // 0 no reset, 1 reset after the download
    bool limitChecked = false;
    fw::Text limitText;  // decimal
    bool partitionsChecked = false;
    bool optionBytesChecked = false;
    bool chipKeyUpdateChecked = false;
    bool writeSnChecked = false;
    int optionFamily = -1;         // the series' option family, -1 for none
    fw::Text optionItemText;       // family 10: the option-item block as hex text
    fw::Text linkFirmwareVersion;  // of the connected downloader; empty when none was read
};
