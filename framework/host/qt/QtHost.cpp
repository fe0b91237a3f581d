#include "framework/host/qt/QtHost.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include "framework/Resources.h"
#include "framework/host/qt/DialogFont.h"
#include "framework/host/qt/FileDialogs.h"
#include "framework/host/qt/MessageBoxDialog.h"
#include "framework/host/qt/QtText.h"
#include "framework/host/qt/QtTranslations.h"
#include "framework/host/qt/WindowImage.h"
#include "framework/host/qt/WindowView.h"

namespace fw::qt {

QtHost::QtHost() : context_(new QObject()) { InstallHost(this); }

QtHost::~QtHost() {
    if (CurrentHost() == this) InstallHost(nullptr);
    for (auto& [key, timer] : timers_)
        delete timer;
    timers_.clear();
    // Frames go at once: their widgets' signals name this host.
    for (auto& [handle, view] : views_)
        delete view->Frame();
    views_.clear();
    delete context_;
}

bool QtHost::IsUiThread() const { return QThread::currentThread() == context_->thread(); }

void QtHost::WakeUi() {
    if (wakePosted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        context_,
        [this] {
            // Cleared before serving: a request queued while we serve posts a new wake-up.
            wakePosted_ = false;
            ServeQueuedWork();
        },
        Qt::QueuedConnection);
}

Size QtHost::DialogBaseUnits(const FontSpec& font) {
    const auto key = std::make_pair(font.face, font.pointSize);
    const auto it = baseUnits_.find(key);
    if (it != baseUnits_.end()) return it->second;
    const fw::qt::DialogBaseUnits units = BaseUnitsOf(DialogFont(ToQString(font.face), font.pointSize));
    const Size size{units.x, units.y};
    baseUnits_[key] = size;
    return size;
}

Size QtHost::ScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return Size{1024, 768};
    const QSize size = screen->geometry().size();
    return Size{size.width(), size.height()};
}

WindowView* QtHost::View(WindowHandle window) const {
    const auto it = views_.find(window);
    return it != views_.end() ? it->second.get() : nullptr;
}

QWidget* QtHost::OwnerWidget(WindowHandle owner) const {
    const WindowView* view = View(owner);
    return view != nullptr ? view->Frame() : nullptr;
}

void QtHost::CreateWindow(HostedWindow& window) {
    UseQtTranslations(ResourceLanguage());
    const WindowState state = window.State();
    QWidget* parent = nullptr;
    QWidget* owner = nullptr;
    if (state.child) {
        // A page placed on a control (a tab) is positioned relative to that control and drawn inside it, above
        // the control's own frame.
        const WindowView* parentView = View(state.parent);
        WindowFrame* parentFrame = parentView != nullptr ? parentView->Frame() : nullptr;
        if (parentFrame != nullptr) parent = parentFrame->ClientWidget();
        if (QWidget* control = parentView != nullptr ? parentView->Control(state.parentControl) : nullptr) {
            parent = control;
        }
    } else {
        owner = OwnerWidget(state.owner);
    }
    views_[state.handle] = std::make_unique<WindowView>(*this, window, parent, owner);
    PostApply();
}

void QtHost::DestroyWindow(WindowHandle window) {
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->first.first == window) {
            delete it->second;
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
    endedBeforeLoop_.erase(window);
    if (const auto loop = loops_.find(window); loop != loops_.end() && loop->second) loop->second->quit();
    views_.erase(window);
}

void QtHost::Changed(const Change& change) {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    pending_.push_back(change);
    if (applyPosted_) return;
    applyPosted_ = true;
    QMetaObject::invokeMethod(
        context_, [this] { ApplyPendingChanges(); }, Qt::QueuedConnection);
}

void QtHost::PostApply() {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    if (applyPosted_) return;
    applyPosted_ = true;
    QMetaObject::invokeMethod(
        context_, [this] { ApplyPendingChanges(); }, Qt::QueuedConnection);
}

void QtHost::ApplyPendingChanges() {
    std::vector<Change> batch;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        batch.swap(pending_);
        applyPosted_ = false;
    }
    for (const Change& change : batch) {
        if (WindowView* view = View(change.window)) view->Note(change);
    }
    // Windows are drawn in the order they were created, so a tab page finds its parent already in place.
    for (auto& [handle, view] : views_) {
        if (view->HasWork()) view->Redraw();
    }
}

void QtHost::RunModalLoop(HostedWindow& window) {
    const WindowHandle handle = window.Handle();
    if (endedBeforeLoop_.erase(handle) != 0) return;
    ApplyPendingChanges();
    QEventLoop loop;
    loops_[handle] = &loop;
    loop.exec(QEventLoop::DialogExec);
    loops_.erase(handle);
    ApplyPendingChanges();
}

void QtHost::EndModalLoop(WindowHandle window) {
    const auto it = loops_.find(window);
    if (it != loops_.end() && it->second) {
        it->second->quit();
    } else {
        // EndDialog from OnInitDialog: the loop ends before it starts.
        endedBeforeLoop_.insert(window);
    }
}

void QtHost::Pump() {
    ApplyPendingChanges();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    ApplyPendingChanges();
}

int QtHost::ShowMessageBox(const MessageBoxRequest& request) {
    ApplyPendingChanges();
    UseQtTranslations(ResourceLanguage());
    return RunMessageBox(request, OwnerWidget(request.owner), ResourceLanguage() == kLangEnglish);
}

FileDialogResult QtHost::ShowFileDialog(const FileDialogRequest& request) {
    ApplyPendingChanges();
    UseQtTranslations(ResourceLanguage());
    return RunFileDialog(request, OwnerWidget(request.owner));
}

void QtHost::StartTimer(WindowHandle window, uintptr_t id, unsigned intervalMs) {
    QTimer*& timer = timers_[{window, id}];
    if (timer == nullptr) {
        timer = new QTimer();
        QObject::connect(timer, &QTimer::timeout, context_, [window, id] { DispatchTimer(window, id); });
    }
    timer->start(static_cast<int>(std::min<unsigned>(intervalMs, 0x7FFFFFFF)));
}

void QtHost::StopTimer(WindowHandle window, uintptr_t id) {
    const auto it = timers_.find({window, id});
    if (it == timers_.end()) return;
    // The timer may be the one whose timeout is being delivered right now.
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

QWidget* QtHost::WindowWidget(WindowHandle window) const {
    const WindowView* view = View(window);
    return view != nullptr ? view->Frame() : nullptr;
}

QWidget* QtHost::ControlWidget(WindowHandle window, int controlIndex) const {
    const WindowView* view = View(window);
    return view != nullptr ? view->Control(controlIndex) : nullptr;
}

bool QtHost::SaveWindowPng(WindowHandle window, const QString& path) {
    ApplyPendingChanges();
    QWidget* widget = WindowWidget(window);
    return widget != nullptr && fw::qt::SaveWindowPng(*widget, path);
}

}  // namespace fw::qt
