// Small services the dialogs share: time stamps, project serial numbers, versions, the internet check and the
// in-memory failure trace.
#pragma once

#include "framework/Text.h"

// Local time as "YYYY-MM-DD HH-MM-SS" (no ":" so that it can be part of a file name).
fw::Text TimestampForFileName();

// 16 decimal digits from a generator seeded with the current second: two calls within one second agree.
fw::Text RandomSerial16();

// Dotted versions compared component by component as numbers, up to the shorter one's component count (extra
// components are not compared): 0 equal, 1 when a is newer, 2 when b is newer. A character in a component that is
// no digit counts as the digit 0.
int CompareVersion(fw::TextView a, fw::TextView b);

// The program's own version as "major.minor.build"; "0.0.0" when it cannot be told.
fw::Text GetModuleVersion();

// True unless the machine clearly has no route to the internet; a machine that cannot tell counts as online.
bool IsInternetConnected();

// Appends the text and a line end to the process-wide failure trace kept in memory. flush is not used.
void LogFailure(fw::TextView text, int flush);
fw::Text GetFailureTrace();
