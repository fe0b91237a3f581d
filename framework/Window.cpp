#include "framework/Window.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>

#include "framework/Resources.h"
#include "framework/UiThread.h"
#include "framework/WindowCore.h"

namespace fw {

namespace {

struct WindowRegistry {
    std::mutex mutex;
    std::unordered_map<WindowHandle, Window*> windows;
};

// Never destroyed: a detached thread that posts to a window may still look it up while the process exits.
WindowRegistry& Registry() {
    static WindowRegistry& registry = *new WindowRegistry;
    return registry;
}

std::atomic<WindowHandle> g_nextHandle{1};

bool IsAutoCheck(uint32_t style) {
    const uint32_t type = style & BS_TYPEMASK;
    return type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE;
}

ControlData MakeControl(const ControlTemplate& t, int index, const WindowCore& core) {
    ControlData c;
    ControlState& s = c.s;
    s.index = index;
    s.id = t.id;
    s.kind = t.kind;
    s.windowClass = t.windowClass;
    s.style = t.style;
    s.exStyle = t.exStyle;
    s.rect = core.DialogUnitsToPixels(t.rect);
    s.text = t.text;
    s.iconId = t.iconId;
    s.visible = t.style & WS_VISIBLE;
    s.enabled = !(t.style & WS_DISABLED);
    switch (t.kind) {
        case ControlKind::Edit:
            s.readOnly = t.style & ES_READONLY;
            s.passwordChar = (t.style & ES_PASSWORD) ? u'*' : 0;
            break;
        case ControlKind::RichEdit:
            s.readOnly = t.style & ES_READONLY;
            s.text.clear();
            c.log.push_back(LogLine{});
            s.logParagraphs = 1;
            break;
        case ControlKind::PushButton:
            s.isDefault = (t.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            break;
        case ControlKind::Slider:
            s.pageSize = 20;
            s.tickFrequency = 1;
            break;
        case ControlKind::Icon:
            if (s.rect.width == 0 && s.rect.height == 0) s.rect = Rect{s.rect.x, s.rect.y, 32, 32};
            break;
        default:
            break;
    }
    return c;
}

// With the core's lock held, after the client area changed size: a status bar keeps lying along the bottom edge
// across the whole width, as the platform's does, so a window made narrower does not cut off its right-hand panes.
void DockStatusBars(WindowCore& core) {
    for (const auto& c : core.controls) {
        if (c->s.kind != ControlKind::StatusBar) continue;
        const int height = c->s.rect.height;
        const Rect docked{0, core.state.rect.height - height, core.state.rect.width, height};
        if (c->s.rect == docked) continue;
        c->s.rect = docked;
        core.EmitControl(ChangeKind::ControlRect, *c);
    }
}

}  // namespace

void NotifyFromControl(WindowHandle window, int controlIndex, Notification code, int item) {
    if (window == 0) return;
    auto deliver = [window, controlIndex, code, item] {
        if (Window* w = Window::FromHandle(window)) w->NotifyControl(controlIndex, code, item);
    };
    if (IsUiThread()) {
        deliver();
    } else {
        PostToUi(deliver);
    }
}

bool MessageEntry::Matches(const Event& e) const {
    if (type == Event::Type::Message) return message == e.message;
    switch (e.type) {
        case Event::Type::Command:
            // A command and a button click of the same id are one thing.
            return (type == Event::Type::Command || (type == Event::Type::Notify && code == Notification::Click)) &&
                   e.id >= id && e.id <= idLast;
        case Event::Type::Notify:
            if (type == Event::Type::Notify) return e.id == id && e.code == code;
            return type == Event::Type::Command && e.code == Notification::Click && e.id >= id && e.id <= idLast;
        default:
            return type == e.type;
    }
}

const MessageEntry* MessageMapBase::Find(const Event& e) const {
    for (const MessageMapBase* map = this; map; map = map->m_base) {
        for (const MessageEntry& entry : map->m_entries) {
            if (entry.Matches(e)) return &entry;
        }
    }
    return nullptr;
}

namespace {

struct MapRegistry {
    std::mutex mutex;
    std::unordered_map<std::type_index, const MessageMapBase*> maps;
};

MapRegistry& Maps() {
    static MapRegistry registry;
    return registry;
}

}  // namespace

const MessageMapBase* MessageMapBase::ForType(std::type_index type) {
    std::lock_guard lock(Maps().mutex);
    auto it = Maps().maps.find(type);
    return it == Maps().maps.end() ? nullptr : it->second;
}

void MessageMapBase::Register(std::type_index type) {
    std::lock_guard lock(Maps().mutex);
    Maps().maps[type] = this;
}

void MessageMapBase::Unregister(std::type_index type) {
    std::lock_guard lock(Maps().mutex);
    auto it = Maps().maps.find(type);
    if (it != Maps().maps.end() && it->second == this) Maps().maps.erase(it);
}

// ---------------------------------------------------------------------------------------------------------------

Window::Window() : m_core(std::make_shared<WindowCore>()) {}

namespace {

std::atomic<Window*> g_mainWindow{nullptr};

}  // namespace

void SetMainWindow(Window* window) { g_mainWindow = window; }

Window* MainWindow() { return g_mainWindow.load(); }

Window::~Window() {
    Window* self = this;
    g_mainWindow.compare_exchange_strong(self, nullptr);
    m_inDestructor = true;
    DestroyWindow();
}

WindowHandle Window::Handle() const { return m_created ? m_core->handle : 0; }

Window* Window::GetTopLevel() {
    Window* w = this;
    while (w->m_parent) w = w->m_parent;
    return w;
}

Window* Window::FromHandle(WindowHandle handle) {
    std::lock_guard lock(Registry().mutex);
    auto it = Registry().windows.find(handle);
    return it == Registry().windows.end() ? nullptr : it->second;
}

const MessageMapBase* Window::GetMessageMap() const {
    if (!m_mapLooked) {
        m_map = MessageMapBase::ForType(typeid(*this));
        m_mapLooked = true;
    }
    return m_map;
}

bool Window::CreateEx(Window* owner, TextView caption, uint32_t style, uint32_t exStyle, const Rect& rect) {
    if (m_created) return false;
    m_core = std::make_shared<WindowCore>();
    Host* host = CurrentHost();
    m_core->host = host;
    if (host) m_core->baseUnits = host->DialogBaseUnits(FontSpec{});
    WindowState& s = m_core->state;
    s.caption = Text(caption);
    s.style = style;
    s.exStyle = exStyle;
    s.rect = rect;
    s.owner = owner ? owner->Handle() : 0;
    return FinishCreate(owner, nullptr);
}

bool Window::CreateFromTemplate(const DialogTemplate& t, const CreateParams& params) {
    if (m_created) return false;
    m_core = std::make_shared<WindowCore>();
    Host* host = CurrentHost();
    m_core->host = host;
    if (host) {
        Size base = host->DialogBaseUnits(t.font);
        if (base.width > 0 && base.height > 0) m_core->baseUnits = base;
    }
    WindowState& s = m_core->state;
    s.templateId = t.id;
    s.caption = t.caption;
    s.style = t.style;
    s.exStyle = t.exStyle;
    s.font = t.font;
    s.child = (t.style & WS_CHILD) && params.parent;
    s.modal = params.modal;
    s.owner = params.owner ? params.owner->Handle() : 0;
    s.parent = s.child ? params.parent->Handle() : 0;
    s.parentControl = s.child ? params.parentControl : -1;
    const Rect px = m_core->DialogUnitsToPixels(t.rect);
    if (s.child) {
        s.rect = px;
    } else {
        // Top-level dialogs open centred on their owner, or on the screen.
        Rect around{0, 0, 1024, 768};
        if (host) {
            Size screen = host->ScreenSize();
            around = Rect{0, 0, screen.width, screen.height};
        }
        if (params.owner && params.owner->IsWindow() && params.owner->IsWindowVisible()) {
            around = params.owner->GetTopLevel()->GetWindowRect();
        }
        s.rect = Rect{around.x + (around.width - px.width) / 2, around.y + (around.height - px.height) / 2, px.width,
                      px.height};
        s.rect.x = std::max(0, s.rect.x);
        s.rect.y = std::max(0, s.rect.y);
    }
    int index = 0;
    for (const ControlTemplate& c : t.controls) {
        m_core->controls.push_back(std::make_unique<ControlData>(MakeControl(c, index++, *m_core)));
    }
    if (t.menuId) {
        if (const MenuTemplate* menu = FindMenuTemplate(t.menuId)) m_core->menuBar = MenuItemsFromTemplate(menu->items);
    }
    return FinishCreate(params.owner, s.child ? params.parent : nullptr);
}

bool Window::FinishCreate(Window* owner, Window* parent) {
    m_owner = owner;
    m_parent = parent;
    if (parent) parent->m_children.push_back(this);
    m_map = nullptr;
    m_mapLooked = false;
    {
        std::lock_guard lock(m_core->mutex);
        m_core->handle = g_nextHandle++;
        m_core->alive = true;
    }
    {
        std::lock_guard lock(Registry().mutex);
        Registry().windows[m_core->handle] = this;
    }
    m_created = true;
    if (m_core->host) m_core->host->CreateWindow(*this);
    return true;
}

Control Window::AddControl(ControlKind kind, int id, TextView text, uint32_t style, const Rect& rect,
                           std::string windowClass) {
    if (!m_created) return Control();
    ControlTemplate t;
    t.kind = kind;
    t.id = id;
    t.text = Text(text);
    t.style = style;
    t.windowClass = std::move(windowClass);
    int index = 0;
    {
        std::lock_guard lock(m_core->mutex);
        index = static_cast<int>(m_core->controls.size());
        ControlData c = MakeControl(t, index, *m_core);
        c.s.rect = rect;  // already pixels
        if (kind == ControlKind::Icon && rect.width == 0 && rect.height == 0) c.s.rect = Rect{rect.x, rect.y, 32, 32};
        m_core->controls.push_back(std::make_unique<ControlData>(std::move(c)));
        m_core->EmitControl(ChangeKind::ControlAdded, *m_core->controls.back());
    }
    return Control(m_core, index);
}

Control Window::CreateStatusBar(int id) {
    const Rect client = GetClientRect();
    const int height = m_core->baseUnits.height + 6;
    return AddControl(ControlKind::StatusBar, id, {}, WS_CHILD | WS_VISIBLE,
                      Rect{0, client.height - height, client.width, height}, "msctls_statusbar32");
}

void Window::DestroyWindow() {
    if (!m_created) return;
    if (!m_inDestructor) Dispatch(WM_DESTROY);
    if (!m_created) return;  // a WM_DESTROY handler destroyed it already
    for (Window* child : std::vector<Window*>(m_children)) child->DestroyWindow();
    Host* host = m_core->host;
    const WindowHandle handle = m_core->handle;
    if (host) {
        for (uintptr_t id : m_timers) host->StopTimer(handle, id);
        if (m_modalDepth > 0) host->EndModalLoop(handle);
    }
    m_timers.clear();
    for (DeviceRegistration registration : m_deviceRegistrations) UnregisterDeviceChange(registration);
    m_deviceRegistrations.clear();
    {
        std::lock_guard lock(m_core->mutex);
        m_core->alive = false;
    }
    {
        std::lock_guard lock(Registry().mutex);
        Registry().windows.erase(handle);
    }
    if (m_parent) std::erase(m_parent->m_children, this);
    m_parent = nullptr;
    m_created = false;
    if (host) host->DestroyWindow(handle);
}

int Window::IndexOf(int id) const {
    std::lock_guard lock(m_core->mutex);
    for (const auto& c : m_core->controls) {
        if (c->s.id == id) return c->s.index;
    }
    return -1;
}

Control Window::GetDlgItem(int id) const {
    const int index = IndexOf(id);
    return index < 0 ? Control() : Control(m_core, index);
}

Control Window::GetControl(int index) const {
    std::lock_guard lock(m_core->mutex);
    return m_core->At(index) ? Control(m_core, index) : Control();
}

void Window::SetDlgItemText(int id, TextView text) { GetDlgItem(id).SetWindowText(text); }
Text Window::GetDlgItemText(int id) const { return GetDlgItem(id).GetWindowText(); }
void Window::CheckDlgButton(int id, int state) { GetDlgItem(id).SetCheck(state); }
int Window::IsDlgButtonChecked(int id) const { return GetDlgItem(id).GetCheck(); }

void Window::CheckRadioButton(int firstId, int lastId, int checkId) {
    for (int id = firstId; id <= lastId; ++id) {
        Control c = GetDlgItem(id);
        if (c.IsValid()) c.SetCheck(id == checkId ? 1 : 0);
    }
}

int Window::GetCheckedRadioButton(int firstId, int lastId) const {
    for (int id = firstId; id <= lastId; ++id) {
        if (GetDlgItem(id).GetCheck() == 1) return id;
    }
    return 0;
}

void Window::SetWindowText(TextView caption) {
    std::lock_guard lock(m_core->mutex);
    m_core->state.caption = Text(caption);
    m_core->EmitWindow(ChangeKind::WindowCaption, 0, Text(caption));
}

Text Window::GetWindowText() const {
    std::lock_guard lock(m_core->mutex);
    return m_core->state.caption;
}

void Window::ShowWindow(int command) {
    const bool visible = command != SW_HIDE;
    std::lock_guard lock(m_core->mutex);
    if (m_core->state.visible == visible) return;
    m_core->state.visible = visible;
    m_core->EmitWindow(ChangeKind::WindowVisible, visible);
}

bool Window::IsWindowVisible() const {
    std::lock_guard lock(m_core->mutex);
    return m_core->state.visible;
}

void Window::EnableWindow(bool enable) {
    std::lock_guard lock(m_core->mutex);
    if (m_core->state.enabled == enable) return;
    m_core->state.enabled = enable;
    m_core->EmitWindow(ChangeKind::WindowEnabled, enable);
}

bool Window::IsWindowEnabled() const {
    std::lock_guard lock(m_core->mutex);
    return m_core->state.enabled;
}

void Window::SetBackgroundColor(Color color) {
    std::lock_guard lock(m_core->mutex);
    m_core->state.ownBackground = true;
    m_core->state.background = color;
    m_core->EmitWindow(ChangeKind::WindowLook);
}

void Window::SetCursor(Cursor cursor) {
    std::lock_guard lock(m_core->mutex);
    m_core->state.cursor = cursor;
    m_core->EmitWindow(ChangeKind::WindowLook);
}

void Window::SetIcon(int iconId) {
    std::lock_guard lock(m_core->mutex);
    m_core->state.iconId = iconId;
    m_core->EmitWindow(ChangeKind::WindowIcon, iconId);
}

Rect Window::GetWindowRect() const {
    std::lock_guard lock(m_core->mutex);
    return m_core->state.rect;
}

Rect Window::GetClientRect() const {
    std::lock_guard lock(m_core->mutex);
    return Rect{0, 0, m_core->state.rect.width, m_core->state.rect.height};
}

void Window::MoveWindow(const Rect& rect) {
    std::lock_guard lock(m_core->mutex);
    if (m_core->state.rect == rect) return;
    const bool resized = m_core->state.rect.width != rect.width || m_core->state.rect.height != rect.height;
    m_core->state.rect = rect;
    m_core->EmitWindow(ChangeKind::WindowRect);
    if (resized) DockStatusBars(*m_core);
}

void Window::CenterWindow() {
    Rect around{0, 0, 1024, 768};
    if (Host* host = m_core->host) {
        Size screen = host->ScreenSize();
        around = Rect{0, 0, screen.width, screen.height};
    }
    if (m_owner && m_owner->IsWindow() && m_owner->IsWindowVisible()) around = m_owner->GetTopLevel()->GetWindowRect();
    Rect r = GetWindowRect();
    MoveWindow(Rect{std::max(0, around.x + (around.width - r.width) / 2),
                    std::max(0, around.y + (around.height - r.height) / 2), r.width, r.height});
}

void Window::SetForegroundWindow() {
    std::lock_guard lock(m_core->mutex);
    m_core->EmitWindow(ChangeKind::WindowForeground);
}

Rect Window::MapDialogRect(const Rect& dialogUnits) const {
    std::lock_guard lock(m_core->mutex);
    return m_core->DialogUnitsToPixels(dialogUnits);
}

Rect Window::ControlScreenRect(int id) const {
    const Rect window = GetWindowRect();
    const Rect control = GetDlgItem(id).GetRect();
    return Rect{window.x + control.x, window.y + control.y, control.width, control.height};
}

Menu Window::GetMenu() const { return Menu(m_core, Menu::Which::Bar, {}); }
Menu Window::GetSystemMenu() const { return Menu(m_core, Menu::Which::System, {}); }

bool Window::SetMenu(int menuResourceId) {
    const MenuTemplate* menu = FindMenuTemplate(menuResourceId);
    if (!menu) return false;
    std::lock_guard lock(m_core->mutex);
    m_core->menuBar = MenuItemsFromTemplate(menu->items);
    m_core->EmitWindow(ChangeKind::MenuBar);
    return true;
}

LResult Window::SendMessage(unsigned message, WParam wParam, LParam lParam) {
    const WindowHandle handle = Handle();
    if (handle == 0) return 0;
    if (IsUiThread()) return Dispatch(message, wParam, lParam);
    LResult result = 0;
    RunOnUi([&] {
        if (Window* w = FromHandle(handle)) result = w->Dispatch(message, wParam, lParam);
    });
    return result;
}

bool Window::PostMessage(unsigned message, WParam wParam, LParam lParam) {
    return PostToWindow(Handle(), message, wParam, lParam);
}

bool Window::PostToWindow(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
    if (window == 0) return false;
    PostToUi([window, message, wParam, lParam] {
        if (Window* w = FromHandle(window)) w->Dispatch(message, wParam, lParam);
    });
    return true;
}

uintptr_t Window::SetTimer(uintptr_t id, unsigned intervalMs) {
    const WindowHandle handle = Handle();
    if (handle == 0) return 0;
    RunOnUi([&] {
        m_timers.insert(id);
        if (Host* host = CurrentHost()) host->StartTimer(handle, id, intervalMs);
    });
    return id;
}

bool Window::KillTimer(uintptr_t id) {
    const WindowHandle handle = Handle();
    if (handle == 0) return false;
    bool had = false;
    RunOnUi([&] {
        had = m_timers.erase(id) > 0;
        if (had) {
            if (Host* host = CurrentHost()) host->StopTimer(handle, id);
        }
    });
    return had;
}

bool Window::RegisterDeviceChange(DeviceKind kind) {
    const WindowHandle handle = Handle();
    if (handle == 0) return false;
    // The event comes on the monitor's thread; it is posted, never sent, so the monitor never waits for the UI
    // thread (which may itself be waiting to unregister).
    const DeviceRegistration registration = fw::RegisterDeviceChange(kind, [handle](const DeviceChange& change) {
        PostToUi([handle, change] {
            if (Window* w = FromHandle(handle)) {
                w->Dispatch(WM_DEVICECHANGE, change.arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                            reinterpret_cast<LParam>(&change));
            }
        });
    });
    if (registration == 0) return false;
    m_deviceRegistrations.push_back(registration);
    return true;
}

void DispatchTimer(WindowHandle window, uintptr_t id) {
    if (Window* w = Window::FromHandle(window)) w->Dispatch(WM_TIMER, id, 0);
}

HostedWindow* FindHostedWindow(WindowHandle window) { return Window::FromHandle(window); }

// ---------------------------------------------------------------------------------------------------------------
// Dispatch.

bool Window::RunEntry(const Event& e, LResult& result) {
    const MessageMapBase* map = GetMessageMap();
    const MessageEntry* entry = map ? map->Find(e) : nullptr;
    if (!entry) return false;
    result = entry->call(*this, e);
    return true;
}

LResult Window::Dispatch(unsigned message, WParam wParam, LParam lParam) {
    Event e;
    e.message = message;
    e.wParam = wParam;
    e.lParam = lParam;
    LResult result = 0;
    switch (message) {
        case WM_COMMAND:
            e.type = Event::Type::Command;
            e.id = static_cast<int>(wParam & 0xFFFF);
            if (!RunEntry(e, result)) OnDefaultCommand(e.id);
            return result;
        case WM_TIMER:
            e.type = Event::Type::Timer;
            RunEntry(e, result);
            return result;
        case WM_CLOSE:
            e.type = Event::Type::Close;
            if (!RunEntry(e, result)) OnDefaultClose();
            return result;
        case WM_SYSCOMMAND:
            e.type = Event::Type::SysCommand;
            if (!RunEntry(e, result)) DefaultSysCommand(static_cast<unsigned>(wParam), lParam);
            return result;
        case WM_DEVICECHANGE:
            e.type = Event::Type::DeviceChange;
            if (!RunEntry(e, result)) result = 1;  // accepted, as the default handling answers
            return result;
        case WM_DESTROY:
            e.type = Event::Type::Destroy;
            RunEntry(e, result);
            return result;
        default:
            e.type = Event::Type::Message;
            RunEntry(e, result);
            return result;
    }
}

void Window::DefaultSysCommand(unsigned command, LParam) {
    if ((command & 0xFFF0) == SC_CLOSE) Dispatch(WM_CLOSE);
}

void Window::NotifyControl(int index, Notification code, int item) {
    NotifyInfo info;
    info.code = code;
    info.item = item;
    {
        std::lock_guard lock(m_core->mutex);
        const ControlData* c = m_core->At(index);
        if (!c) return;
        info.id = c->s.id;
        info.position = c->s.position;
        if (item >= 0 && item < static_cast<int>(c->s.rows.size())) {
            info.checked = c->s.rows[static_cast<size_t>(item)].checked;
            info.selected = c->s.rows[static_cast<size_t>(item)].selected;
        }
    }
    info.control = Control(m_core, index);
    Event e;
    e.type = Event::Type::Notify;
    e.id = info.id;
    e.code = code;
    e.message = WM_COMMAND;
    e.wParam = MakeCommandParam(info.id);
    e.info = &info;
    LResult ignored = 0;
    if (!RunEntry(e, ignored) && code == Notification::Click) OnDefaultCommand(info.id);
}

// ---------------------------------------------------------------------------------------------------------------
// What a user does.

bool Window::UserCanReach(int index) const {
    if (!m_created) return false;
    const Window* top = this;
    while (top->m_parent) {
        if (!top->IsWindowEnabled()) return false;
        top = top->m_parent;
    }
    if (!top->IsWindowEnabled()) return false;
    std::lock_guard lock(m_core->mutex);
    const ControlData* c = m_core->At(index);
    return c && c->s.visible && c->s.enabled;
}

void Window::ClickIndex(int index) {
    {
        std::lock_guard lock(m_core->mutex);
        ControlData* c = m_core->At(index);
        if (!c) return;
        if (c->s.kind == ControlKind::CheckBox && IsAutoCheck(c->s.style)) {
            const int states = (c->s.style & BS_TYPEMASK) == BS_AUTO3STATE ? 3 : 2;
            c->s.check = (c->s.check + 1) % states;
            m_core->EmitControl(ChangeKind::Check, *c, c->s.check);
        } else if (c->s.kind == ControlKind::RadioButton && (c->s.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON) {
            // The group runs from the last control with WS_GROUP up to the next one.
            int first = index;
            while (first > 0 && !(m_core->controls[static_cast<size_t>(first)]->s.style & WS_GROUP)) --first;
            int last = index + 1;
            while (last < static_cast<int>(m_core->controls.size()) &&
                   !(m_core->controls[static_cast<size_t>(last)]->s.style & WS_GROUP)) {
                ++last;
            }
            for (int i = first; i < last; ++i) {
                ControlData& other = *m_core->controls[static_cast<size_t>(i)];
                if (other.s.kind != ControlKind::RadioButton) continue;
                const int want = i == index ? 1 : 0;
                if (other.s.check != want) {
                    other.s.check = want;
                    m_core->EmitControl(ChangeKind::Check, other, want);
                }
            }
        }
    }
    NotifyControl(index, Notification::Click);
}

void Window::UserClick(int index) {
    if (UserCanReach(index)) ClickIndex(index);
}

bool Window::Click(int id) {
    const int index = IndexOf(id);
    if (index < 0 || !UserCanReach(index)) return false;
    ClickIndex(index);
    return true;
}

void Window::UserEditText(int index, const Text& text) {
    if (!UserCanReach(index)) return;
    bool changed = false;
    {
        std::lock_guard lock(m_core->mutex);
        ControlData* c = m_core->At(index);
        const bool typable = c && ((c->s.kind == ControlKind::Edit && !c->s.readOnly) ||
                                   (c->s.kind == ControlKind::ComboBox &&
                                    (c->s.style & CBS_TYPEMASK) != CBS_DROPDOWNLIST));
        if (!typable) return;
        Text value = text;
        if (c->s.kind == ControlKind::Edit && (c->s.style & ES_NUMBER) &&
            !std::all_of(value.begin(), value.end(), [](char16_t ch) { return ch >= u'0' && ch <= u'9'; })) {
            return;  // a digits-only edit refuses anything else
        }
        if (c->s.style & ES_UPPERCASE) MakeUpper(value);
        if (c->s.style & ES_LOWERCASE) MakeLower(value);
        if (c->s.textLimit > 0 && static_cast<int>(value.size()) > c->s.textLimit) {
            value.resize(static_cast<size_t>(c->s.textLimit));
        }
        c->s.text = value;
        m_core->EmitControl(ChangeKind::ControlText, *c, 0, -1, value);
        changed = true;
    }
    if (changed) NotifyControl(index, Notification::EditChange);
}

bool Window::EnterText(int id, TextView text) {
    const int index = IndexOf(id);
    if (index < 0 || !UserCanReach(index)) return false;
    const Control c(m_core, index);
    const Text before = c.GetWindowText();
    const ControlKind kind = c.Kind();
    if (kind == ControlKind::Edit && c.IsReadOnly()) return false;
    if (kind != ControlKind::Edit && kind != ControlKind::ComboBox) return false;
    if (kind == ControlKind::ComboBox && (c.GetStyle() & CBS_TYPEMASK) == CBS_DROPDOWNLIST) return false;
    if (kind == ControlKind::Edit && (c.GetStyle() & ES_NUMBER) &&
        !std::all_of(text.begin(), text.end(), [](char16_t ch) { return ch >= u'0' && ch <= u'9'; })) {
        return false;
    }
    UserEditText(index, Text(text));
    return true;
}

void Window::UserSelect(int index, int item) {
    if (!UserCanReach(index)) return;
    Control c(m_core, index);
    switch (c.Kind()) {
        case ControlKind::ComboBox:
        case ControlKind::ListBox:
        case ControlKind::Tab:
            if (item < 0 || item >= c.GetCount()) return;
            c.SetCurSel(item);
            NotifyControl(index, Notification::SelChange);
            break;
        case ControlKind::ListView:
            SelectListViewItems(index, {item});
            break;
        default:
            break;
    }
}

bool Window::Select(int id, int index) {
    const int at = IndexOf(id);
    if (at < 0 || !UserCanReach(at)) return false;
    const Control c(m_core, at);
    const int count = c.Kind() == ControlKind::ListView ? c.GetItemCount() : c.GetCount();
    if (index < 0 || index >= count) return false;
    UserSelect(at, index);
    return true;
}

bool Window::SelectText(int id, TextView text) {
    const Control c = GetDlgItem(id);
    const int index = c.FindStringExact(-1, text);
    return index >= 0 && Select(id, index);
}

bool Window::Tick(int id, bool checked) {
    const Control c = GetDlgItem(id);
    if (!c.IsValid()) return false;
    if ((c.GetCheck() == 1) == checked) return UserCanReach(c.Index());
    return Click(id);
}

bool Window::SelectListViewItems(int index, const std::vector<int>& items) {
    Control c(m_core, index);
    const int count = c.GetItemCount();
    for (int item : items) {
        if (item < 0 || item >= count) return false;
    }
    for (int i = 0; i < count; ++i) {
        if (std::find(items.begin(), items.end(), i) == items.end() && c.IsItemSelected(i)) c.SetItemSelected(i, false);
    }
    for (int item : items) c.SetItemSelected(item, true);
    return true;
}

void Window::UserSelectItems(int index, const std::vector<int>& items) {
    if (!UserCanReach(index)) return;
    Control c(m_core, index);
    if (c.Kind() == ControlKind::ListView) {
        SelectListViewItems(index, items);
    } else if (c.Kind() == ControlKind::ListBox) {
        c.SetSel(-1, false);
        for (int item : items) c.SetSel(item, true);
        NotifyControl(index, Notification::SelChange);
    }
}

bool Window::SelectItems(int id, const std::vector<int>& items) {
    const int index = IndexOf(id);
    if (index < 0 || !UserCanReach(index)) return false;
    const Control c(m_core, index);
    const int count = c.Kind() == ControlKind::ListView ? c.GetItemCount() : c.GetCount();
    for (int item : items) {
        if (item < 0 || item >= count) return false;
    }
    UserSelectItems(index, items);
    return true;
}

void Window::UserCheckItem(int index, int item, bool checked) {
    if (!UserCanReach(index)) return;
    Control c(m_core, index);
    if (c.Kind() == ControlKind::ListView && (c.GetExtendedStyle() & LVS_EX_CHECKBOXES)) c.SetCheck(item, checked);
}

bool Window::CheckItem(int id, int item, bool checked) {
    const int index = IndexOf(id);
    if (index < 0 || !UserCanReach(index)) return false;
    const Control c(m_core, index);
    if (c.Kind() != ControlKind::ListView || !(c.GetExtendedStyle() & LVS_EX_CHECKBOXES)) return false;
    if (item < 0 || item >= c.GetItemCount()) return false;
    UserCheckItem(index, item, checked);
    return true;
}

void Window::UserDoubleClick(int index, int item) {
    if (UserCanReach(index)) NotifyControl(index, Notification::DoubleClick, item);
}

bool Window::DoubleClick(int id, int item) {
    const int index = IndexOf(id);
    if (index < 0 || !UserCanReach(index)) return false;
    UserDoubleClick(index, item);
    return true;
}

void Window::UserScroll(int index, int position) {
    if (!UserCanReach(index)) return;
    Control c(m_core, index);
    if (c.Kind() != ControlKind::Slider) return;
    c.SetPos(position);
    NotifyControl(index, Notification::Scroll);
}

bool Window::MoveSlider(int id, int position) {
    const int index = IndexOf(id);
    if (index < 0 || !UserCanReach(index) || GetDlgItem(id).Kind() != ControlKind::Slider) return false;
    UserScroll(index, position);
    return true;
}

void Window::UserFocus(int index) {
    int previous = -1;
    {
        std::lock_guard lock(m_core->mutex);
        if (!m_core->At(index)) return;
        previous = m_core->state.focusControl;
        if (previous == index) return;
        m_core->state.focusControl = index;
    }
    if (previous >= 0) NotifyControl(previous, Notification::KillFocus);
    NotifyControl(index, Notification::SetFocus);
}

void Window::UserCommand(int commandId) {
    if (!m_created || !GetTopLevel()->IsWindowEnabled()) return;
    const Menu menu = GetMenu();
    if (menu.Exists(static_cast<unsigned>(commandId)) && !menu.IsEnabled(static_cast<unsigned>(commandId))) return;
    Dispatch(WM_COMMAND, MakeCommandParam(commandId));
}

bool Window::ChooseMenu(int commandId) {
    const Menu menu = GetMenu();
    if (!m_created || !menu.IsEnabled(static_cast<unsigned>(commandId)) || !GetTopLevel()->IsWindowEnabled()) {
        return false;
    }
    Dispatch(WM_COMMAND, MakeCommandParam(commandId));
    return true;
}

void Window::SendCommand(int commandId) {
    if (m_created) Dispatch(WM_COMMAND, MakeCommandParam(commandId));
}

void Window::UserSysCommand(unsigned command) {
    if (m_created) Dispatch(WM_SYSCOMMAND, command);
}

void Window::UserKey(Key key) {
    if (!m_created || PreTranslateKey(key)) return;
    // Keys pressed in a page belong to the dialog the page sits in.
    if (m_parent) {
        m_parent->UserKey(key);
        return;
    }
    if (!IsWindowEnabled()) return;
    OnDialogKey(key);
}

void Window::UserMoved(const Rect& rect) {
    std::lock_guard lock(m_core->mutex);
    const bool resized = m_core->state.rect.width != rect.width || m_core->state.rect.height != rect.height;
    m_core->state.rect = rect;
    if (resized) DockStatusBars(*m_core);
}

// ---------------------------------------------------------------------------------------------------------------
// HostedWindow snapshots.

WindowState Window::State() const {
    std::lock_guard lock(m_core->mutex);
    WindowState s = m_core->state;
    s.handle = m_core->handle;
    return s;
}

std::vector<ControlState> Window::Controls() const {
    std::lock_guard lock(m_core->mutex);
    std::vector<ControlState> out;
    out.reserve(m_core->controls.size());
    for (const auto& c : m_core->controls) out.push_back(c->s);
    return out;
}

std::optional<ControlState> Window::ControlAt(int index) const {
    std::lock_guard lock(m_core->mutex);
    const ControlData* c = m_core->At(index);
    if (!c) return std::nullopt;
    return c->s;
}

std::vector<LogLine> Window::LogLines(int index, int first, int count) const {
    std::lock_guard lock(m_core->mutex);
    const ControlData* c = m_core->At(index);
    if (!c || first < 0 || count <= 0 || first >= static_cast<int>(c->log.size())) return {};
    const size_t from = static_cast<size_t>(first);
    const size_t to = std::min(c->log.size(), from + static_cast<size_t>(count));
    return std::vector<LogLine>(c->log.begin() + static_cast<long>(from), c->log.begin() + static_cast<long>(to));
}

int Window::ListRowsFrom(int index, int first, std::vector<ListRow>& rows) const {
    std::lock_guard lock(m_core->mutex);
    rows.clear();
    const ControlData* c = m_core->At(index);
    if (!c) return 0;
    const auto total = static_cast<int>(c->s.rows.size());
    if (first >= 0 && first < total) rows.assign(c->s.rows.begin() + first, c->s.rows.end());
    return total;
}

std::vector<MenuItem> Window::MenuBar() const {
    std::lock_guard lock(m_core->mutex);
    return m_core->menuBar;
}

std::vector<MenuItem> Window::SystemMenuItems() const {
    std::lock_guard lock(m_core->mutex);
    return m_core->systemMenu;
}

void Window::RunModalLoop() {
    Host* host = m_core->host;
    if (!host) return;
    ++m_modalDepth;
    host->RunModalLoop(*this);
    --m_modalDepth;
}

void Window::EndModalLoop() {
    if (m_modalDepth > 0 && m_core->host) m_core->host->EndModalLoop(m_core->handle);
}

}  // namespace fw
