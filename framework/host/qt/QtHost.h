// The Qt6 Widgets host: draws the model's windows with Qt widgets, mirrors every change of the model on the GUI
// thread, forwards the user's input to the model, and runs modal loops, message boxes, file dialogs and timers.
//
// Changes may come from any thread. They are queued and drawn together on the GUI thread the next time its event
// loop runs (or at once by ApplyPendingChanges), so a worker writing thousands of log lines costs one redraw per
// batch, not one per line. The host draws from the model's current state, never from the change's copy, so a
// batch that arrives late still ends with what the model holds now.
#pragma once

#include <QPointer>
#include <QString>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "framework/Host.h"

class QEventLoop;
class QObject;
class QTimer;
class QWidget;

namespace fw::qt {

class WindowView;

class QtHost final : public Host {
public:
    // Needs a QApplication; the thread that creates the host is the user-interface thread. The host installs
    // itself as the model's host for its lifetime.
    QtHost();
    ~QtHost() override;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    bool IsUiThread() const override;
    void WakeUi() override;
    Size DialogBaseUnits(const FontSpec& font) override;
    Size ScreenSize() override;
    void CreateWindow(HostedWindow& window) override;
    void DestroyWindow(WindowHandle window) override;
    void Changed(const Change& change) override;
    void RunModalLoop(HostedWindow& window) override;
    void EndModalLoop(WindowHandle window) override;
    void Pump() override;
    int ShowMessageBox(const MessageBoxRequest& request) override;
    FileDialogResult ShowFileDialog(const FileDialogRequest& request) override;
    void StartTimer(WindowHandle window, uintptr_t id, unsigned intervalMs) override;
    void StopTimer(WindowHandle window, uintptr_t id) override;

    // GUI thread: draws every queued change now.
    void ApplyPendingChanges();

    // GUI thread: the widget of a window (nullptr when unknown) and of one of its controls by index.
    QWidget* WindowWidget(WindowHandle window) const;
    QWidget* ControlWidget(WindowHandle window, int controlIndex) const;
    // GUI thread: draws pending changes, then saves the window's client area (menu bar included) as PNG.
    bool SaveWindowPng(WindowHandle window, const QString& path);

    // True while the host draws the model's state: widget signals raised by that are not user input.
    bool Drawing() const { return applying_ > 0; }

private:
    friend class WindowView;

    WindowView* View(WindowHandle window) const;
    QWidget* OwnerWidget(WindowHandle owner) const;
    void PostApply();

    int applying_ = 0;
    QObject* context_;  // receives the queued calls on the GUI thread; owned
    std::map<WindowHandle, std::unique_ptr<WindowView>> views_;
    std::map<WindowHandle, QPointer<QEventLoop>> loops_;
    std::set<WindowHandle> endedBeforeLoop_;
    std::map<std::pair<WindowHandle, uintptr_t>, QTimer*> timers_;
    std::map<std::pair<std::u16string, int>, Size> baseUnits_;

    std::mutex pendingMutex_;
    std::vector<Change> pending_;
    bool applyPosted_ = false;
    std::atomic<bool> wakePosted_{false};
};

}  // namespace fw::qt
