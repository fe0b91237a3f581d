// A window that records every WM_RECORD it is sent or posted: its wParam and the thread its handler ran on.
#pragma once

#include <thread>
#include <vector>

#include "framework/MessageMap.h"
#include "framework/Window.h"

namespace fw::testing {

inline constexpr unsigned WM_RECORD = WM_USER + 1;

class RecordingWindow : public Window {
public:
    std::vector<WParam> received;
    std::vector<std::thread::id> threads;

    LResult OnRecord(WParam wParam, LParam lParam) {
        received.push_back(wParam);
        threads.push_back(std::this_thread::get_id());
        return static_cast<LResult>(wParam) + lParam;
    }
    static const MessageMap<RecordingWindow> kMessages;
};

inline const MessageMap<RecordingWindow> RecordingWindow::kMessages{
    fw::OnMessage(WM_RECORD, &RecordingWindow::OnRecord),
};

}  // namespace fw::testing
