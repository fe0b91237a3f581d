#include "framework/host/headless/HeadlessHost.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/Dialog.h"
#include "framework/UiThread.h"
#include "framework/Window.h"

namespace fw {

namespace {

std::string Utf8(TextView text) { return TextToUtf8(text); }

std::string Quote(TextView text) { return "\"" + Utf8(text) + "\""; }

bool HasExtension(TextView path) {
    const size_t slash = path.find_last_of(u"/\\");
    const TextView name = slash == TextView::npos ? path : path.substr(slash + 1);
    return name.find(u'.') != TextView::npos;
}

const char* KindName(FileDialogKind kind) {
    switch (kind) {
        case FileDialogKind::Open:
            return "open";
        case FileDialogKind::Save:
            return "save";
        case FileDialogKind::Folder:
            return "folder";
    }
    return "file";
}

}  // namespace

HeadlessHost::HeadlessHost() : m_uiThread(std::this_thread::get_id()) {
    m_fail = [](const std::string& message) { ADD_FAILURE() << message; };
    InstallHost(this);
}

HeadlessHost::~HeadlessHost() {
    InstallHost(nullptr);
    for (const BoxAnswer& a : m_boxAnswers) {
        Fail("a message box was expected but never shown" + (a.text ? ": " + Quote(*a.text) : std::string()));
    }
    for (const FileAnswer& a : m_fileAnswers) {
        Fail(std::string("a ") + KindName(a.kind) + " dialog was expected but never shown");
    }
}

void HeadlessHost::Fail(const std::string& message) const { m_fail(message); }

void HeadlessHost::SetFailureHandler(std::function<void(const std::string&)> handler) { m_fail = std::move(handler); }

bool HeadlessHost::IsUiThread() const { return std::this_thread::get_id() == m_uiThread; }

void HeadlessHost::ExpectBox(TextView text, int answer) { m_boxAnswers.push_back({Text(text), answer}); }

void HeadlessHost::AnswerNextBox(int answer) { m_boxAnswers.push_back({std::nullopt, answer}); }

std::vector<HeadlessHost::BoxRecord> HeadlessHost::Boxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

int HeadlessHost::ShowMessageBox(const MessageBoxRequest& request) {
    const std::vector<int> buttons = MessageBoxButtons(request.style);
    // Nobody expected it: the answer that does least, and a failed test naming the box.
    int answer = MessageBoxCloseAnswer(request.style);
    if (answer == 0) answer = buttons.back();
    if (m_boxAnswers.empty()) {
        Fail("unexpected message box " + Quote(request.text) + " (caption " + Quote(request.caption) + ")");
    } else {
        BoxAnswer expected = m_boxAnswers.front();
        m_boxAnswers.pop_front();
        if (expected.text && *expected.text != request.text) {
            Fail("message box " + Quote(request.text) + " shown where " + Quote(*expected.text) + " was expected");
        } else if (std::find(buttons.begin(), buttons.end(), expected.answer) == buttons.end()) {
            Fail("message box " + Quote(request.text) + " has no button " + std::to_string(expected.answer));
        } else {
            answer = expected.answer;
        }
    }
    BoxRecord record{request.text,   request.caption, request.style, request.buttonLabels,
                     request.thread, request.thread == m_uiThread, answer};
    std::lock_guard lock(m_mutex);
    m_boxes.push_back(std::move(record));
    return answer;
}

void HeadlessHost::ExpectOpenFile(TextView path) { m_fileAnswers.push_back({FileDialogKind::Open, Text(path)}); }
void HeadlessHost::ExpectSaveFile(TextView path) { m_fileAnswers.push_back({FileDialogKind::Save, Text(path)}); }
void HeadlessHost::ExpectFolder(TextView path) { m_fileAnswers.push_back({FileDialogKind::Folder, Text(path)}); }

void HeadlessHost::CancelNextFileDialog() { m_fileAnswers.push_back({FileDialogKind::Open, std::nullopt}); }

std::vector<FileDialogRequest> HeadlessHost::FileDialogs() const {
    std::lock_guard lock(m_mutex);
    return m_fileDialogs;
}

FileDialogResult HeadlessHost::ShowFileDialog(const FileDialogRequest& request) {
    {
        std::lock_guard lock(m_mutex);
        m_fileDialogs.push_back(request);
    }
    FileDialogResult result;
    result.filterIndex = request.filterIndex;
    if (m_fileAnswers.empty()) {
        Fail(std::string("unexpected ") + KindName(request.kind) + " dialog " + Quote(request.title));
        return result;
    }
    FileAnswer answer = m_fileAnswers.front();
    m_fileAnswers.pop_front();
    if (!answer.path) return result;  // cancelled, whatever kind it was
    if (answer.kind != request.kind) {
        Fail(std::string("a ") + KindName(request.kind) + " dialog was shown where a " + KindName(answer.kind) +
             " dialog was expected");
        return result;
    }
    Text path = *answer.path;
    if (request.kind == FileDialogKind::Save && !request.defaultExtension.empty() && !HasExtension(path)) {
        path += u"." + request.defaultExtension;
    }
    result.accepted = true;
    result.paths.push_back(path);
    return result;
}

void HeadlessHost::OnModal(int templateId, Script script) { m_scripts[templateId] = std::move(script); }

std::vector<int> HeadlessHost::ModalsRun() const {
    std::lock_guard lock(m_mutex);
    return m_modalsRun;
}

void HeadlessHost::CreateWindow(HostedWindow& window) {
    std::lock_guard lock(m_mutex);
    m_windows.push_back(window.Handle());
}

void HeadlessHost::DestroyWindow(WindowHandle window) {
    std::lock_guard lock(m_mutex);
    std::erase(m_windows, window);
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        it = it->first.first == window ? m_timers.erase(it) : std::next(it);
    }
}

std::vector<WindowHandle> HeadlessHost::Windows() const {
    std::lock_guard lock(m_mutex);
    return m_windows;
}

void HeadlessHost::RunModalLoop(HostedWindow& window) {
    const WindowHandle handle = window.Handle();
    const WindowState state = window.State();
    {
        std::lock_guard lock(m_mutex);
        m_modalsRun.push_back(state.templateId);
    }
    m_endedLoops.erase(handle);
    auto* dialog = dynamic_cast<Dialog*>(Window::FromHandle(handle));
    auto script = m_scripts.find(state.templateId);
    if (!dialog || script == m_scripts.end()) {
        Fail("unexpected modal dialog " + std::to_string(state.templateId) + " " + Quote(state.caption));
        if (dialog) dialog->EndDialog(IDCANCEL);
        m_endedLoops.erase(handle);
        return;
    }
    const Script run = script->second;  // the script may register other scripts
    run(*dialog);
    if (!m_endedLoops.count(handle)) {
        if (!PumpUntil([&] { return m_endedLoops.count(handle) > 0; }, m_modalTimeout)) {
            Fail("the script of dialog " + std::to_string(state.templateId) + " left it open");
            if (Window::FromHandle(handle)) dialog->EndDialog(IDCANCEL);
        }
    }
    m_endedLoops.erase(handle);
}

void HeadlessHost::EndModalLoop(WindowHandle window) { m_endedLoops.insert(window); }

void HeadlessHost::StartTimer(WindowHandle window, uintptr_t id, unsigned intervalMs) {
    const unsigned interval = std::max(1u, intervalMs);
    m_timers[{window, id}] = Timer{interval, m_now + std::chrono::milliseconds(interval), m_timerOrder++};
}

void HeadlessHost::StopTimer(WindowHandle window, uintptr_t id) { m_timers.erase({window, id}); }

bool HeadlessHost::TimerRunning(WindowHandle window, uintptr_t id) const { return m_timers.count({window, id}) > 0; }

void HeadlessHost::AdvanceClock(std::chrono::milliseconds by) {
    const std::chrono::milliseconds target = m_now + by;
    for (;;) {
        auto next = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->second.due > target) continue;
            if (next == m_timers.end() || it->second.due < next->second.due ||
                (it->second.due == next->second.due && it->second.order < next->second.order)) {
                next = it;
            }
        }
        if (next == m_timers.end()) break;
        const auto [window, id] = next->first;
        m_now = next->second.due;
        next->second.due += std::chrono::milliseconds(next->second.interval);
        next->second.order = m_timerOrder++;
        DispatchTimer(window, id);
        ServeQueuedWork();
    }
    m_now = target;
}

bool HeadlessHost::PumpUntilIdle(std::chrono::milliseconds timeout, std::chrono::milliseconds settle) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!ServeQueuedWorkFor(settle)) return true;
    }
    return false;
}

bool HeadlessHost::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            Fail("timed out after " + std::to_string(timeout.count()) + " ms pumping for a condition");
            return false;
        }
        ServeQueuedWorkFor(std::chrono::milliseconds(5));
    }
    return true;
}

void HeadlessHost::Changed(const Change& change) {
    std::lock_guard lock(m_mutex);
    m_changes.push_back(change);
    if (change.kind != ChangeKind::LogAppended) return;
    // One record per line; text after the last line break is a line of its own only when it is not empty.
    Text line;
    const Text& text = change.text;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            m_log.push_back({change.window, change.id, line, change.color});
            line.clear();
        } else {
            line += text[i];
        }
    }
    if (!line.empty()) m_log.push_back({change.window, change.id, line, change.color});
}

std::vector<HeadlessHost::LogRecord> HeadlessHost::LogLines() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

std::vector<Text> HeadlessHost::LogTexts() const {
    std::lock_guard lock(m_mutex);
    std::vector<Text> texts;
    for (const LogRecord& r : m_log) texts.push_back(r.text);
    return texts;
}

std::vector<Text> HeadlessHost::PaneTexts(int pane) const {
    std::lock_guard lock(m_mutex);
    std::vector<Text> texts;
    for (const Change& c : m_changes) {
        if (c.kind == ChangeKind::StatusPanes && c.index == pane) texts.push_back(c.text);
    }
    return texts;
}

std::vector<int> HeadlessHost::Positions(int controlId) const {
    std::lock_guard lock(m_mutex);
    std::vector<int> positions;
    for (const Change& c : m_changes) {
        if (c.kind == ChangeKind::Position && c.id == controlId) positions.push_back(c.value);
    }
    return positions;
}

std::vector<Change> HeadlessHost::Changes() const {
    std::lock_guard lock(m_mutex);
    return m_changes;
}

void HeadlessHost::ClearRecords() {
    std::lock_guard lock(m_mutex);
    m_changes.clear();
    m_log.clear();
    m_boxes.clear();
    m_fileDialogs.clear();
    m_modalsRun.clear();
}

}  // namespace fw
