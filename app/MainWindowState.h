// Program-wide state of the main window: the eight download channels, the monitor's stop flag, the interface
// language, the device mutex and the window messages by which workers report to the window.
#pragma once

#include <atomic>
#include <cstdint>

#include "app/ChannelSlot.h"
#include "app/DownloadCounters.h"
#include "framework/Messages.h"
#include "framework/Sync.h"
#include "framework/Template.h"

inline constexpr int kChannelCount = 8;

// Entry 0 is also the device of test mode.
extern ChannelSlot g_channels[kChannelCount];
// 1 tells ConnectionMonitorThread to end.
extern std::atomic<int> g_stopMonitor;
// 0 Chinese, 1 English: the language of texts, manual and About box.
extern int g_uiLanguage;
// The device mutex "screen", created by the main window's initialisation and kept for the whole run.
extern fw::NamedMutex* g_hDeviceMutex;

// Full and collapsed window rectangle of production mode, recorded once per process.
struct PanelRects {
    fw::Rect full;
    fw::Rect collapsed;
};
extern PanelRects g_panelRects;

// Sent synchronously by workers to the main window.
inline constexpr unsigned WM_PROGRESS_STEP = fw::WM_USER + 1999;   // wParam the channel's total, lParam ChannelSlot*
inline constexpr unsigned WM_PROGRESS_RANGE = fw::WM_USER + 2000;  // wParam total steps (low 16 bits), lParam slot
inline constexpr unsigned WM_STATUS_TOTAL = fw::WM_USER + 2001;    // wParam const fw::Text* of pane 1
inline constexpr unsigned WM_STATUS_PASS = fw::WM_USER + 2002;     // pane 2
inline constexpr unsigned WM_STATUS_FAIL = fw::WM_USER + 2003;     // pane 3
inline constexpr unsigned WM_START_UPDATER = fw::WM_USER + 1000;
// Posted when the desktop's handler of the user manual ends: wParam 1 when it opened the manual, 0 when it failed.
inline constexpr unsigned WM_MANUAL_OPENED = fw::WM_USER + 1001;

// Timers of the main window.
inline constexpr uintptr_t TIMER_CLOCK = 1;
inline constexpr uintptr_t TIMER_TOOL_UPDATE = 2;
inline constexpr uintptr_t TIMER_FIRMWARE_UPDATE = 3;

// Log colours (COLORREF: 0x00BBGGRR).
inline constexpr uint32_t kLogRed = 0xDC;
inline constexpr uint32_t kLogBlack = 0;
inline constexpr uint32_t kLogGreen = 0x0AC80A;
