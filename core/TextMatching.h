// Small text checks and clean-ups that file choices and typed keys share.
#pragma once

#include "framework/Text.h"

// True when s ends in ending, without regard to ASCII case ("DUMP.BIN" ends in ".bin").
inline bool EndsWithNoCase(fw::TextView s, fw::TextView ending) {
    return s.size() >= ending.size() && fw::EqualsNoCase(s.substr(s.size() - ending.size()), ending);
}

// The text without its blanks and tabs: hex digits typed in groups.
inline fw::Text WithoutBlanks(fw::TextView s) {
    fw::Text out;
    out.reserve(s.size());
    for (char16_t c : s) {
        if (c != u' ' && c != u'\t') out.push_back(c);
    }
    return out;
}
