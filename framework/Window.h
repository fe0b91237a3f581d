// A window of the dialog model: its controls by id, menus, messages and timers. The window's state lives in the
// model (WindowCore) and any thread may read or change it through Control and Menu handles; handlers of the
// message map run on the user-interface thread. fw::Dialog adds templates, modal loops and data exchange.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/Control.h"
#include "framework/DeviceNotification.h"
#include "framework/Host.h"
#include "framework/Menu.h"
#include "framework/MessageMap.h"
#include "framework/Messages.h"
#include "framework/Text.h"

namespace fw {

struct WindowCore;

class Window : public HostedWindow {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // A window built in code rather than from a template: a top-level window owned by `owner` (may be null),
    // placed at `rect` (pixels, client area on the screen). Controls are added afterwards.
    bool CreateEx(Window* owner, TextView caption, uint32_t style, uint32_t exStyle, const Rect& rect);
    Control AddControl(ControlKind kind, int id, TextView text, uint32_t style, const Rect& rect,
                       std::string windowClass = {});
    // A status bar along the bottom edge, above everything else; fill it with Control::SetPanes.
    Control CreateStatusBar(int id = 0xE801);
    void DestroyWindow();
    bool IsWindow() const { return m_created; }
    WindowHandle Handle() const override;
    Window* GetOwner() const { return m_owner; }
    Window* GetParent() const { return m_parent; }
    Window* GetTopLevel();
    static Window* FromHandle(WindowHandle handle);  // UI thread

    // Controls by id (the first control with the id; IDC_STATIC controls are not told apart).
    Control GetDlgItem(int id) const;
    Control GetControl(int index) const;  // by position in the window, for controls that share an id
    void SetDlgItemText(int id, TextView text);
    Text GetDlgItemText(int id) const;
    void CheckDlgButton(int id, int state);
    int IsDlgButtonChecked(int id) const;
    // Checks checkId and clears the other radio buttons with ids firstId..lastId.
    void CheckRadioButton(int firstId, int lastId, int checkId);
    int GetCheckedRadioButton(int firstId, int lastId) const;  // 0 when none is checked

    // The window itself.
    void SetWindowText(TextView caption);
    Text GetWindowText() const;
    void ShowWindow(int command);
    bool IsWindowVisible() const;
    void EnableWindow(bool enable = true);
    bool IsWindowEnabled() const;
    void SetIcon(int iconId);
    void SetBackgroundColor(Color color);  // fills the client area instead of the dialog colour
    void SetCursor(Cursor cursor);
    Rect GetWindowRect() const;  // pixels: the client area on the screen (in the parent for child windows)
    Rect GetClientRect() const;  // origin 0, 0
    void MoveWindow(const Rect& rect);
    void CenterWindow();
    void SetForegroundWindow();
    Rect MapDialogRect(const Rect& dialogUnits) const;  // pixels for this window's font
    // A control's rectangle on the screen (or in the parent, for child windows).
    Rect ControlScreenRect(int id) const;

    // Menus.
    Menu GetMenu() const;
    bool SetMenu(int menuResourceId);  // the menu bar from a MENU resource of the current language
    Menu GetSystemMenu() const;        // the items the program adds to the system menu

    // Messages; any thread. SendMessage runs the handler on the UI thread and answers its result (0 when the
    // window is gone); PostMessage queues it there and answers at once.
    LResult SendMessage(unsigned message, WParam wParam = 0, LParam lParam = 0);
    bool PostMessage(unsigned message, WParam wParam = 0, LParam lParam = 0);
    // PostMessage for whoever kept only the handle: the window may be gone when the message is served.
    static bool PostToWindow(WindowHandle window, unsigned message, WParam wParam = 0, LParam lParam = 0);
    uintptr_t SetTimer(uintptr_t id, unsigned intervalMs);
    bool KillTimer(uintptr_t id);

    // Arrivals and removals of devices of `kind` reach this window as WM_DEVICECHANGE (see OnDeviceChange),
    // on the UI thread, until the window is destroyed. False when the system's events cannot be received.
    bool RegisterDeviceChange(DeviceKind kind);

    // What a user does; UI thread (tests run there). Each answers false when a user could not have done it:
    // the control is missing, hidden or disabled, or its window is disabled.
    bool Click(int id);
    bool EnterText(int id, TextView text);  // replaces the text, as typing would (limit, digits-only, read-only)
    bool Select(int id, int index);         // combo box, list box, tab; list views: that item alone
    bool SelectText(int id, TextView text);
    bool Tick(int id, bool checked);  // clicks a check box when its state differs
    bool CheckItem(int id, int item, bool checked);
    bool SelectItems(int id, const std::vector<int>& items);
    bool DoubleClick(int id, int item = -1);
    bool MoveSlider(int id, int position);
    bool ChooseMenu(int commandId);  // a menu item that exists and is enabled
    void SendCommand(int commandId);  // any command id, whatever the menu says
    void PressEnter() { UserKey(Key::Enter); }
    void PressEscape() { UserKey(Key::Escape); }
    void CloseByUser() { UserSysCommand(SC_CLOSE); }

    // HostedWindow.
    WindowState State() const override;
    std::vector<ControlState> Controls() const override;
    std::optional<ControlState> ControlAt(int index) const override;
    std::vector<LogLine> LogLines(int index, int first, int count) const override;
    int ListRowsFrom(int index, int first, std::vector<ListRow>& rows) const override;
    std::vector<MenuItem> MenuBar() const override;
    std::vector<MenuItem> SystemMenuItems() const override;
    void UserClick(int index) override;
    void UserEditText(int index, const Text& text) override;
    void UserSelect(int index, int item) override;
    void UserSelectItems(int index, const std::vector<int>& items) override;
    void UserCheckItem(int index, int item, bool checked) override;
    void UserDoubleClick(int index, int item) override;
    void UserScroll(int index, int position) override;
    void UserFocus(int index) override;
    void UserCommand(int commandId) override;
    void UserSysCommand(unsigned command) override;
    void UserKey(Key key) override;
    void UserMoved(const Rect& rect) override;

    // UI thread: runs the message map (and the default handling) for a message.
    LResult Dispatch(unsigned message, WParam wParam = 0, LParam lParam = 0);
    // UI thread: a notification of the control with that index.
    void NotifyControl(int index, Notification code, int item = -1);

protected:
    // The class's message map; by default the map registered for the object's own class.
    virtual const MessageMapBase* GetMessageMap() const;
    // Enter and Esc before the window handles them; true swallows the key.
    virtual bool PreTranslateKey(Key) { return false; }
    // Commands and clicks no map entry took (dialogs: IDOK and IDCANCEL).
    virtual void OnDefaultCommand(int) {}
    // WM_CLOSE without a handler (windows: destroyed; dialogs: cancelled).
    virtual void OnDefaultClose() { DestroyWindow(); }
    // Enter and Esc that nothing swallowed (dialogs: default button and Cancel).
    virtual void OnDialogKey(Key) {}

    // The framework's handling, for handlers that pass a message on.
    void DefaultSysCommand(unsigned command, LParam lParam = 0);
    void DefaultClose() { OnDefaultClose(); }

    struct CreateParams {
        Window* owner = nullptr;
        Window* parent = nullptr;
        int parentControl = -1;
        bool modal = false;
    };
    bool CreateFromTemplate(const DialogTemplate& t, const CreateParams& params);
    void RunModalLoop();
    void EndModalLoop();
    bool InModalLoop() const { return m_modalDepth > 0; }

private:
    bool FinishCreate(Window* owner, Window* parent);
    int IndexOf(int id) const;
    bool UserCanReach(int index) const;
    bool RunEntry(const Event& e, LResult& result);
    void ClickIndex(int index);
    bool SelectListViewItems(int index, const std::vector<int>& items);

    std::shared_ptr<WindowCore> m_core;
    Window* m_owner = nullptr;
    Window* m_parent = nullptr;
    std::vector<Window*> m_children;
    std::set<uintptr_t> m_timers;
    std::vector<DeviceRegistration> m_deviceRegistrations;
    bool m_created = false;
    bool m_inDestructor = false;
    int m_modalDepth = 0;
    mutable const MessageMapBase* m_map = nullptr;
    mutable bool m_mapLooked = false;
};

// The program's main window: the one a helper window gives the front back to. nullptr when none is set or it has
// gone.
void SetMainWindow(Window* window);
Window* MainWindow();

}  // namespace fw
