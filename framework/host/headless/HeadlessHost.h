// The scripted host for tests. It draws nothing: it answers message boxes and file dialogs from queues, runs a
// script registered per template id when a dialog goes modal, fires timers on a virtual clock, and records what
// the model shows (boxes, log lines, status panes, progress positions, every change). Whatever nobody expected
// - a message box, a file dialog, a modal dialog without a script - fails the running test with its text.
//
//   fw::HeadlessHost host;                         // installs itself; this thread is the UI thread
//   host.OnModal(IDD_CHILD, [](fw::Dialog& d) { d.EnterText(IDC_VALUE, u"7"); d.Click(fw::IDOK); });
//   host.ExpectBox(u"保存成功！", fw::IDOK);
//   dialog.Click(IDC_SAVE);
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "framework/Host.h"

namespace fw {

class Dialog;
class Window;

class HeadlessHost : public Host {
public:
    HeadlessHost();
    ~HeadlessHost() override;  // fails the test for answers that were never asked for
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    // Message boxes, answered in the order they were queued.
    void ExpectBox(TextView text, int answer);  // the next box must show exactly this text
    void AnswerNextBox(int answer);             // the next box, whatever it shows
    struct BoxRecord {
        Text text;
        Text caption;
        uint32_t style = 0;
        std::vector<std::pair<int, Text>> labels;
        std::thread::id thread;
        bool fromUiThread = true;
        int answer = 0;
    };
    std::vector<BoxRecord> Boxes() const;

    // File dialogs, answered in order: a path chosen, or cancelled.
    void ExpectOpenFile(TextView path);
    void ExpectSaveFile(TextView path);  // the default extension is added when the name has none
    void ExpectFolder(TextView path);
    void CancelNextFileDialog();
    std::vector<FileDialogRequest> FileDialogs() const;

    // Modal dialogs: the script runs when a dialog of the template goes modal, every time; it should end the
    // dialog (OK, Cancel ...). A dialog the script leaves open fails the test after the pump timeout.
    using Script = std::function<void(Dialog&)>;
    void OnModal(int templateId, Script script);
    void SetModalTimeout(std::chrono::milliseconds timeout) { m_modalTimeout = timeout; }
    std::vector<int> ModalsRun() const;  // template ids, in the order they went modal

    // The virtual clock: timers fire only when the clock is advanced, in time order.
    void AdvanceClock(std::chrono::milliseconds by);
    std::chrono::milliseconds Now() const { return m_now; }
    bool TimerRunning(WindowHandle window, uintptr_t id) const;

    // Serves what workers queued for the UI thread. Idle: nothing arrived for `settle`. False on timeout.
    bool PumpUntilIdle(std::chrono::milliseconds timeout = std::chrono::seconds(5),
                       std::chrono::milliseconds settle = std::chrono::milliseconds(20));
    // Serves queued work until `done` answers true; false (and a failed test) on timeout.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Records.
    struct LogRecord {
        WindowHandle window = 0;
        int id = 0;
        Text text;  // one line, without its line break
        Color color;
    };
    std::vector<LogRecord> LogLines() const;
    std::vector<Text> LogTexts() const;
    std::vector<Text> PaneTexts(int pane) const;        // every text a status pane was given, in order
    std::vector<int> Positions(int controlId) const;    // every position a progress bar or slider took
    std::vector<Change> Changes() const;
    void ClearRecords();
    std::vector<WindowHandle> Windows() const;           // windows that exist, in creation order

    // What happens to something unexpected (default: a gtest failure).
    void SetFailureHandler(std::function<void(const std::string&)> handler);

    // Host.
    bool IsUiThread() const override;
    void WakeUi() override {}
    Size DialogBaseUnits(const FontSpec&) override { return Size{8, 16}; }
    Size ScreenSize() override { return Size{1920, 1080}; }
    void CreateWindow(HostedWindow& window) override;
    void DestroyWindow(WindowHandle window) override;
    void Changed(const Change& change) override;
    void RunModalLoop(HostedWindow& window) override;
    void EndModalLoop(WindowHandle window) override;
    void Pump() override {}
    int ShowMessageBox(const MessageBoxRequest& request) override;
    FileDialogResult ShowFileDialog(const FileDialogRequest& request) override;
    void StartTimer(WindowHandle window, uintptr_t id, unsigned intervalMs) override;
    void StopTimer(WindowHandle window, uintptr_t id) override;

private:
    struct BoxAnswer {
        std::optional<Text> text;
        int answer = 0;
    };
    struct FileAnswer {
        FileDialogKind kind = FileDialogKind::Open;
        std::optional<Text> path;  // nullopt: cancelled
    };
    struct Timer {
        unsigned interval = 0;
        std::chrono::milliseconds due{0};
        uint64_t order = 0;
    };

    void Fail(const std::string& message) const;

    std::thread::id m_uiThread;
    mutable std::mutex m_mutex;  // records, written by Changed from any thread
    std::deque<BoxAnswer> m_boxAnswers;
    std::vector<BoxRecord> m_boxes;
    std::deque<FileAnswer> m_fileAnswers;
    std::vector<FileDialogRequest> m_fileDialogs;
    std::map<int, Script> m_scripts;
    std::vector<int> m_modalsRun;
    std::set<WindowHandle> m_endedLoops;
    std::vector<WindowHandle> m_windows;
    std::map<std::pair<WindowHandle, uintptr_t>, Timer> m_timers;
    uint64_t m_timerOrder = 0;
    std::chrono::milliseconds m_now{0};
    std::chrono::milliseconds m_modalTimeout{std::chrono::seconds(5)};
    std::vector<Change> m_changes;
    std::vector<LogRecord> m_log;
    std::function<void(const std::string&)> m_fail;
};

}  // namespace fw
