// The state of one window shared by the window object, its control handles and its menus. Private to the
// dialog model: everything here is read and written under `mutex`, and changes reach the host from inside the
// lock so that they arrive in the order they were made.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "framework/Host.h"
#include "framework/Messages.h"

namespace fw {

struct ControlData {
    ControlState s;
    std::vector<LogLine> log;  // rich log paragraphs; the last one is the line being written
};

struct WindowCore {
    mutable std::mutex mutex;
    WindowHandle handle = 0;
    WindowState state;
    std::vector<std::unique_ptr<ControlData>> controls;
    std::vector<MenuItem> menuBar;
    std::vector<MenuItem> systemMenu;
    bool alive = false;  // the host knows the window
    Host* host = nullptr;
    Size baseUnits{8, 16};

    // With `mutex` held.
    void Emit(Change change) const {
        change.window = handle;
        if (alive && host) host->Changed(change);
    }
    void EmitWindow(ChangeKind kind, int value = 0, Text text = {}) const {
        Change change;
        change.kind = kind;
        change.value = value;
        change.text = std::move(text);
        Emit(std::move(change));
    }
    void EmitControl(ChangeKind kind, const ControlData& c, int value = 0, int index = -1, Text text = {},
                     Color color = {}) const {
        Change change;
        change.kind = kind;
        change.control = c.s.index;
        change.id = c.s.id;
        change.value = value;
        change.index = index;
        change.text = std::move(text);
        change.color = color;
        Emit(std::move(change));
    }
    ControlData* At(int index) const {
        if (index < 0 || index >= static_cast<int>(controls.size())) return nullptr;
        return controls[static_cast<size_t>(index)].get();
    }

    // The edges are mapped, each rounded to the nearest pixel, so that controls that touch in dialog units
    // touch in pixels too.
    Rect DialogUnitsToPixels(const Rect& du) const {
        auto scale = [](int v, int base, int div) {
            const long long n = static_cast<long long>(v) * base;
            return static_cast<int>(n >= 0 ? (n + div / 2) / div : -((-n + div / 2) / div));
        };
        const int left = scale(du.x, baseUnits.width, 4);
        const int top = scale(du.y, baseUnits.height, 8);
        const int right = scale(du.x + du.width, baseUnits.width, 4);
        const int bottom = scale(du.y + du.height, baseUnits.height, 8);
        return Rect{left, top, right - left, bottom - top};
    }
};

// Runs the message map of the window for a notification of one of its controls: at once on the UI thread, else
// queued there. Does nothing when the window is gone.
void NotifyFromControl(WindowHandle window, int controlIndex, Notification code, int item = -1);

}  // namespace fw
