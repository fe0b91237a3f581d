// Window messages, control notifications and show commands of the dialog model.
#pragma once

#include <cstdint>

namespace fw {

using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;

inline constexpr unsigned WM_DESTROY = 0x0002;
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_COMMAND = 0x0111;
inline constexpr unsigned WM_SYSCOMMAND = 0x0112;
inline constexpr unsigned WM_TIMER = 0x0113;
inline constexpr unsigned WM_HSCROLL = 0x0114;
inline constexpr unsigned WM_VSCROLL = 0x0115;
inline constexpr unsigned WM_DEVICECHANGE = 0x0219;
inline constexpr unsigned WM_USER = 0x0400;
inline constexpr unsigned WM_APP = 0x8000;

// WM_COMMAND carries the id in the low word of wParam and the notification code in the high word; code 0 is a
// menu command or a button click, 1 an accelerator.
constexpr WParam MakeCommandParam(int id, unsigned code = 0) {
    return (static_cast<WParam>(code & 0xFFFF) << 16) | (static_cast<WParam>(id) & 0xFFFF);
}

// WM_DEVICECHANGE events; lParam points at the fw::DeviceChange while the handler runs.
inline constexpr unsigned DBT_DEVICEARRIVAL = 0x8000;
inline constexpr unsigned DBT_DEVICEREMOVECOMPLETE = 0x8004;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;

// Control notifications a message map can route.
enum class Notification {
    Click,        // button, check box, radio, static with SS_NOTIFY; also a list-view click on an item
    DoubleClick,  // list box, list view, static
    SelChange,    // combo box, list box, tab
    EditChange,   // edit text changed (also when the program sets it), editable combo text typed
    SetFocus,
    KillFocus,
    ItemChanged,  // list view: an item's check box or selection changed
    Scroll,       // slider moved
};

}  // namespace fw
