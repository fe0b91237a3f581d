// What a person checks first in a picture of a window: no visible control covers another.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "framework/Host.h"

inline bool RectsOverlap(const fw::Rect& a, const fw::Rect& b) {
    return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

// Visible controls other than frames, groups and status bars, combo boxes by their closed height.
inline void ExpectNoVisibleControlsOverlap(const std::vector<fw::ControlState>& controls) {
    std::vector<const fw::ControlState*> shown;
    for (const auto& c : controls) {
        if (!c.visible || c.kind == fw::ControlKind::GroupBox || c.kind == fw::ControlKind::Frame ||
            c.kind == fw::ControlKind::StatusBar) {
            continue;
        }
        shown.push_back(&c);
    }
    for (size_t i = 0; i < shown.size(); ++i) {
        for (size_t j = i + 1; j < shown.size(); ++j) {
            fw::Rect a = shown[i]->rect;
            fw::Rect b = shown[j]->rect;
            if (shown[i]->kind == fw::ControlKind::ComboBox) a.height = std::min(a.height, 26);
            if (shown[j]->kind == fw::ControlKind::ComboBox) b.height = std::min(b.height, 26);
            EXPECT_FALSE(RectsOverlap(a, b)) << shown[i]->id << " and " << shown[j]->id;
        }
    }
}
