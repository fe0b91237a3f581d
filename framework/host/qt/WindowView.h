// The host's side of one model window: its frame, one widget per control, and what the next redraw must touch.
#pragma once

#include <QPointer>
#include <QWidget>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "framework/Host.h"
#include "framework/host/qt/WindowFrame.h"

namespace fw::qt {

class QtHost;

class WindowView {
public:
    // Child windows are drawn inside `parentWidget`; top-level ones stay above `owner` (either may be null).
    WindowView(QtHost& host, HostedWindow& window, QWidget* parentWidget, QWidget* owner);
    ~WindowView();
    WindowView(const WindowView&) = delete;
    WindowView& operator=(const WindowView&) = delete;

    WindowHandle Handle() const { return handle_; }
    WindowFrame* Frame() const { return frame_; }
    QWidget* Control(int index) const;

    // Remembers what a change touched; Redraw draws it from the model's current state.
    void Note(const Change& change);
    void Redraw();
    bool HasWork() const;

    // Hides the frame now and deletes it once control is back in the event loop (a handler of one of its widgets
    // may still be running).
    void Retire();

private:
    struct Binding {
        QPointer<QWidget> widget;
        std::optional<ControlState> applied;
        uint64_t logGeneration = 0;
    };

    HostedWindow* Model() const;
    void ApplyWindow(const HostedWindow& model, bool first);
    void AddControl(const HostedWindow& model, int index);
    void RemoveControl(int index);
    void ApplyControl(const ControlState& state);
    void RedrawLog(const HostedWindow& model, int index, int from);
    void RedrawListRows(const HostedWindow& model, int index, int from);
    void RedrawMenu(const HostedWindow& model);
    void Connect(QWidget& widget, const ControlState& state);
    ControlState Placed(ControlState state) const;

    QtHost& host_;
    WindowHandle handle_;
    bool child_;
    QPointer<WindowFrame> frame_;
    QObject* inputFilter_ = nullptr;  // owned by the frame
    std::map<int, Binding> controls_;
    std::optional<WindowState> applied_;

    std::set<int> dirtyControls_;
    std::map<int, int> logFrom_;
    std::map<int, int> rowsFrom_;  // list views whose rows changed from that row on, and nothing else
    std::map<int, int> logScroll_;
    bool dirtyWindow_ = false;
    bool dirtyMenu_ = false;
    bool dirtySystemMenu_ = false;
    bool dirtyFocus_ = false;
    bool wantForeground_ = false;
};

}  // namespace fw::qt
