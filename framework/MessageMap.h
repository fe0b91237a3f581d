// Message maps: which member function handles which command, control notification, message or timer. A class
// declares its map next to its handlers and the window finds it by the class's type:
//
//   class CExampleDlg : public fw::Dialog {
//       void OnBnClickedApply();
//       LResult OnProgressStep(fw::WParam, fw::LParam);
//       static const fw::MessageMap<CExampleDlg> kMessages;
//   };
//   const fw::MessageMap<CExampleDlg> CExampleDlg::kMessages{
//       fw::OnClick(IDC_APPLY, &CExampleDlg::OnBnClickedApply),
//       fw::OnMessage(WM_PROGRESS_STEP, &CExampleDlg::OnProgressStep),
//   };
//
// A class derived from a class with a map, and without a map of its own, overrides GetMessageMap to answer its
// base's map; a map can name its base map to inherit its entries: MessageMap<D>({...}, &B::kMessages).
#pragma once

#include <functional>
#include <initializer_list>
#include <typeindex>
#include <vector>

#include "framework/Control.h"
#include "framework/DeviceNotification.h"
#include "framework/Messages.h"

namespace fw {

class Window;

struct NotifyInfo {
    int id = 0;
    Notification code = Notification::Click;
    int item = -1;      // list items, -1 when none
    int position = 0;   // sliders
    bool checked = false;
    bool selected = false;
    Control control;
};

struct Event {
    enum class Type { Command, Notify, Message, Timer, Close, SysCommand, DeviceChange, Destroy };
    Type type = Type::Message;
    int id = 0;  // command or control id
    Notification code = Notification::Click;
    unsigned message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    const NotifyInfo* info = nullptr;
};

struct MessageEntry {
    Event::Type type = Event::Type::Message;
    int id = 0;
    int idLast = 0;  // ranges of commands
    Notification code = Notification::Click;
    unsigned message = 0;
    std::function<LResult(Window&, const Event&)> call;

    bool Matches(const Event& e) const;
};

class MessageMapBase {
public:
    MessageMapBase(std::vector<MessageEntry> entries, const MessageMapBase* base)
        : m_entries(std::move(entries)), m_base(base) {}
    MessageMapBase(const MessageMapBase&) = delete;
    MessageMapBase& operator=(const MessageMapBase&) = delete;

    // The first entry that takes the event, this map first, then its base maps.
    const MessageEntry* Find(const Event& e) const;

    // The map registered for a class, nullptr when the class has none.
    static const MessageMapBase* ForType(std::type_index type);

protected:
    void Register(std::type_index type);
    void Unregister(std::type_index type);

private:
    std::vector<MessageEntry> m_entries;
    const MessageMapBase* m_base;
};

template <class T>
class MessageMap : public MessageMapBase {
public:
    MessageMap(std::initializer_list<MessageEntry> entries, const MessageMapBase* base = nullptr)
        : MessageMapBase(std::vector<MessageEntry>(entries), base) {
        Register(typeid(T));
    }
    ~MessageMap() { Unregister(typeid(T)); }
};

namespace message_detail {

template <class T>
T& As(Window& w) {
    return static_cast<T&>(w);
}

// Notification handlers take nothing or the notification's details.
template <class T, class H>
std::function<LResult(Window&, const Event&)> NotifyCall(H handler) {
    return [handler](Window& w, const Event& e) -> LResult {
        if constexpr (std::is_invocable_v<H, T&, const NotifyInfo&>) {
            static const NotifyInfo kNone;
            (As<T>(w).*handler)(e.info ? *e.info : kNone);
        } else {
            (As<T>(w).*handler)();
        }
        return 0;
    };
}

}  // namespace message_detail

// A menu command or a click of the button with that id (both are the same command).
template <class T>
MessageEntry OnCommand(int id, void (T::*handler)()) {
    return {Event::Type::Command, id, id, Notification::Click, 0, message_detail::NotifyCall<T>(handler)};
}
template <class T>
MessageEntry OnClick(int id, void (T::*handler)()) {
    return OnCommand(id, handler);
}
template <class T>
MessageEntry OnCommandRange(int first, int last, void (T::*handler)(int id)) {
    return {Event::Type::Command, first, last, Notification::Click, 0,
            [handler](Window& w, const Event& e) -> LResult {
                (message_detail::As<T>(w).*handler)(e.id);
                return 0;
            }};
}

// A notification of the control `id`; the handler takes nothing or a const NotifyInfo&.
template <class T, class... A>
MessageEntry OnNotify(int id, Notification code, void (T::*handler)(A...)) {
    static_assert(sizeof...(A) == 0 || std::is_invocable_v<void (T::*)(A...), T&, const NotifyInfo&>,
                  "a notification handler takes nothing or a const NotifyInfo&");
    return {Event::Type::Notify, id, id, code, 0, message_detail::NotifyCall<T>(handler)};
}
template <class T, class... A>
MessageEntry OnSelChange(int id, void (T::*handler)(A...)) {
    return OnNotify(id, Notification::SelChange, handler);
}
template <class T, class... A>
MessageEntry OnEditChange(int id, void (T::*handler)(A...)) {
    return OnNotify(id, Notification::EditChange, handler);
}
template <class T, class... A>
MessageEntry OnKillFocus(int id, void (T::*handler)(A...)) {
    return OnNotify(id, Notification::KillFocus, handler);
}
template <class T, class... A>
MessageEntry OnDoubleClick(int id, void (T::*handler)(A...)) {
    return OnNotify(id, Notification::DoubleClick, handler);
}
template <class T, class... A>
MessageEntry OnItemChanged(int id, void (T::*handler)(A...)) {
    return OnNotify(id, Notification::ItemChanged, handler);
}
template <class T, class... A>
MessageEntry OnScroll(int id, void (T::*handler)(A...)) {
    return OnNotify(id, Notification::Scroll, handler);
}

// A window message with its two parameters (user messages, WM_HSCROLL ...).
template <class T>
MessageEntry OnMessage(unsigned message, LResult (T::*handler)(WParam, LParam)) {
    return {Event::Type::Message, 0, 0, Notification::Click, message,
            [handler](Window& w, const Event& e) { return (message_detail::As<T>(w).*handler)(e.wParam, e.lParam); }};
}

template <class T>
MessageEntry OnTimer(void (T::*handler)(uintptr_t id)) {
    return {Event::Type::Timer, 0, 0, Notification::Click, WM_TIMER,
            [handler](Window& w, const Event& e) -> LResult {
                (message_detail::As<T>(w).*handler)(e.wParam);
                return 0;
            }};
}

template <class T>
MessageEntry OnClose(void (T::*handler)()) {
    return {Event::Type::Close, 0, 0, Notification::Click, WM_CLOSE, [handler](Window& w, const Event&) -> LResult {
                (message_detail::As<T>(w).*handler)();
                return 0;
            }};
}

template <class T>
MessageEntry OnDestroy(void (T::*handler)()) {
    return {Event::Type::Destroy, 0, 0, Notification::Click, WM_DESTROY, [handler](Window& w, const Event&) -> LResult {
                (message_detail::As<T>(w).*handler)();
                return 0;
            }};
}

template <class T>
MessageEntry OnSysCommand(void (T::*handler)(unsigned command, LParam)) {
    return {Event::Type::SysCommand, 0, 0, Notification::Click, WM_SYSCOMMAND,
            [handler](Window& w, const Event& e) -> LResult {
                (message_detail::As<T>(w).*handler)(static_cast<unsigned>(e.wParam), e.lParam);
                return 0;
            }};
}

// The device-change event (WM_DEVICECHANGE) of the kinds the window registered for: DBT_DEVICEARRIVAL or
// DBT_DEVICEREMOVECOMPLETE and the device. The handler's answer is the message's result.
template <class T>
MessageEntry OnDeviceChange(bool (T::*handler)(unsigned event, const DeviceChange& change)) {
    return {Event::Type::DeviceChange, 0, 0, Notification::Click, WM_DEVICECHANGE,
            [handler](Window& w, const Event& e) -> LResult {
                static const DeviceChange kNone;
                const auto* change = reinterpret_cast<const DeviceChange*>(e.lParam);
                return (message_detail::As<T>(w).*handler)(static_cast<unsigned>(e.wParam), change ? *change : kNone);
            }};
}

}  // namespace fw
