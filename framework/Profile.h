// The per-user settings store (section "Settings" and any other the program names), kept as one INI file in
// $XDG_CONFIG_HOME/QXDownloadTool/ (~/.config/QXDownloadTool/ without it). The file name does not depend on the
// interface language, so the user's keys survive a language switch.
#pragma once

#include "framework/Text.h"

namespace fw {

inline constexpr char16_t kProfileFileName[] = u"QXDownloadTool.ini";

// Tests point the store at their own folder; an empty folder goes back to the per-user default.
void SetProfileFolder(TextView folder);
Text GetProfileFolder();
Text GetProfilePath();

Text GetProfileString(TextView section, TextView key, TextView defaultValue = {});
int GetProfileInt(TextView section, TextView key, int defaultValue);
// The folder is created when missing; false when the value could not be stored.
bool WriteProfileString(TextView section, TextView key, TextView value);
bool WriteProfileInt(TextView section, TextView key, int value);

}  // namespace fw
