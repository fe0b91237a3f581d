// The line between the dialog model and whatever draws it. The model (fw::Window, fw::Dialog ...) keeps all
// state; a host draws that state, mirrors every change, forwards user input back, and runs the loops, boxes,
// file dialogs and timers. Two hosts exist: the Qt host for people and the scripted headless host for tests.
//
// Threads: the user-interface (UI) thread is the one that runs the host's loops; every handler of the model runs
// there. Control state may be changed from any thread, so Host::Changed may be called from any thread; every
// other Host operation is called on the UI thread only, and every HostedWindow operation must be called on the
// UI thread. Requests of other threads (SendMessage, PostMessage, message boxes of workers) are queued by the
// model; the host's only part in that is WakeUi: make the UI thread call ServeQueuedWork soon.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "framework/Styles.h"
#include "framework/Template.h"
#include "framework/Text.h"

namespace fw {

// Identifies a model window for the life of the process; never reused. 0 is no window.
using WindowHandle = uint64_t;

struct Color {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Color&) const = default;
};
constexpr Color Rgb(uint8_t r, uint8_t g, uint8_t b) { return Color{r, g, b}; }

// ---------------------------------------------------------------------------------------------------------------
// What a host reads from the model. Every struct is a snapshot copy: reading it takes the model's lock briefly.

struct ListColumn {
    Text title;
    int width = 0;   // pixels
    int format = 0;  // 0 left, 1 right, 2 centre
};

struct ListRow {
    std::vector<Text> cells;  // cells[0] is the item text, the rest the sub-items
    bool checked = false;     // meaningful with LVS_EX_CHECKBOXES
    bool selected = false;
};

struct StatusPane {
    Text text;
    int width = 0;  // pixels; -1 stretches over what the fixed panes leave
    int iconId = 0;
};

struct LogLine {
    Text text;  // one paragraph, without its line break
    Color color;
    Text face;            // e.g. "宋体"
    int heightTwips = 220;
};

struct ControlState {
    int index = 0;  // unique within its window, stable for the window's life; ids need not be unique (IDC_STATIC)
    int id = IDC_STATIC;
    ControlKind kind = ControlKind::Static;
    std::string windowClass;
    uint32_t style = 0;    // WS_* and class bits as they stand now (read-only, password ... are mirrored here too)
    uint32_t exStyle = 0;  // for list views also the LVS_EX_* bits
    Rect rect;             // pixels, relative to the window's client area
    Text text;             // caption, edit text, combo text
    bool visible = true;
    bool enabled = true;
    bool readOnly = false;
    char16_t passwordChar = 0;  // 0: text shown as it is
    int textLimit = 0;          // 0: no limit
    bool isDefault = false;     // the default push button (Enter presses it)
    int check = 0;              // 0 unchecked, 1 checked, 2 indeterminate
    int iconId = 0;             // icon statics and buttons with an icon

    // Combo box, list box, tab: the entries and the selected one (-1 none). List boxes with LBS_MULTIPLESEL or
    // LBS_EXTENDEDSEL also use selectedItems.
    std::vector<Text> items;
    int selection = -1;
    std::vector<int> selectedItems;

    // List view (report view).
    std::vector<ListColumn> columns;
    std::vector<ListRow> rows;

    // Progress bar and slider. Rich log: `position` is the paragraph to keep in view (see LogScrolled).
    int rangeMin = 0;
    int rangeMax = 100;
    int position = 0;
    int step = 10;      // progress bar
    int pageSize = 0;   // slider
    int tickFrequency = 0;

    // Rich log: the lines themselves come from HostedWindow::LogLines.
    int logParagraphs = 0;
    uint64_t logGeneration = 0;  // changes whenever the log is cleared

    // Status bar.
    std::vector<StatusPane> panes;
};

struct MenuItem {
    int id = 0;  // command id; 0 for popups and separators
    Text text;
    bool separator = false;
    bool popup = false;
    bool checked = false;
    bool enabled = true;  // false for grayed and for disabled items
    bool grayed = false;
    std::vector<MenuItem> items;
};

// The mouse pointer over a window.
enum class Cursor {
    Arrow,
    AppStarting,  // the arrow with a busy sign: the program works but still takes input
};

struct WindowState {
    WindowHandle handle = 0;
    WindowHandle owner = 0;   // the owner (modal dialogs, message boxes) or 0
    WindowHandle parent = 0;  // child windows only (tab pages): the window they sit in
    int parentControl = -1;   // child windows: index of the control they sit on (the tab control), -1 when none
    bool child = false;       // a child window drawn inside its parent, without frame
    bool modal = false;       // runs in a modal loop
    int templateId = 0;       // 0 for windows built in code
    Text caption;
    Rect rect;                // pixels: the client area, on the screen (top-level), in the parent's client area
                              // (child), or relative to the parent control when parentControl >= 0
    uint32_t style = 0;
    uint32_t exStyle = 0;
    FontSpec font;
    bool visible = false;
    bool enabled = true;
    int iconId = 0;
    int focusControl = -1;    // index of the control with the focus, -1 none
    bool ownBackground = false;  // the client area is filled with `background` rather than the dialog colour
    Color background{};
    Cursor cursor = Cursor::Arrow;
};

// ---------------------------------------------------------------------------------------------------------------
// A change of the model, delivered to the host right after the model's state changed (with no model lock held).

enum class ChangeKind {
    // Window level: control == -1.
    WindowCaption,
    WindowRect,
    WindowVisible,
    WindowEnabled,
    WindowIcon,
    WindowFocus,       // value: control index with the focus
    WindowForeground,  // bring the window to the front
    WindowLook,        // background colour or cursor
    MenuBar,           // the menu bar as a whole (read HostedWindow::MenuBar)
    SystemMenu,        // the extra system-menu items
    // Control level: control is the control's index, id its id.
    ControlAdded,      // a control created at run time (status bar, progress window ...)
    ControlRemoved,
    ControlText,
    ControlRect,
    Visible,
    Enabled,
    Style,             // read-only, password character, text limit, default button, style bits
    Check,             // value: new check state
    Items,             // entries of a combo box, list box or tab replaced, added or removed
    Selection,         // value: selected entry (or -1); list views: read rows[].selected
    Range,             // progress bar or slider range, step or page size
    Position,          // value: new position
    Icon,
    ListColumns,
    ListRows,          // index: the row that changed, -1 for many rows
    LogAppended,       // text and color: the appended text (may hold line breaks); index: first paragraph touched
    LogCleared,
    LogScrolled,       // value: paragraph to bring into view (the last one after an append)
    StatusPanes,       // index: the pane whose text or icon changed, -1 when the set of panes changed
};

struct Change {
    WindowHandle window = 0;
    ChangeKind kind = ChangeKind::ControlText;
    int control = -1;  // control index, -1 for window-level changes
    int id = 0;        // control id (for hosts that record by id)
    int index = -1;
    int value = 0;
    Text text;
    Color color;
};

// ---------------------------------------------------------------------------------------------------------------
// Message boxes and file dialogs.

struct MessageBoxRequest {
    WindowHandle owner = 0;  // may be 0
    Text text;
    Text caption;
    uint32_t style = MB_OK;              // MB_* buttons, icon and default button
    std::vector<std::pair<int, Text>> buttonLabels;  // button id to label; a button not listed keeps the host's
    std::thread::id thread;              // the thread that asked (a worker's box blocks only that worker)
};

// The buttons a style shows, in order, and which of them is the default (DEFBUTTON1..3, clamped).
std::vector<int> MessageBoxButtons(uint32_t style);
int MessageBoxDefaultButton(uint32_t style);
// The answer when the user closes the box without a button: Cancel where there is one, OK for a plain OK box;
// a Yes/No or Abort/Retry/Ignore box cannot be closed that way (answers 0).
int MessageBoxCloseAnswer(uint32_t style);

enum class FileDialogKind { Open, Save, Folder };

struct FileFilter {
    Text label;                  // "Bin files (*.bin)"
    std::vector<Text> patterns;  // "*.bin", "*.hex"
};

// "Text|pattern;pattern|Text|pattern||" into its filters; a trailing part without pattern is dropped.
std::vector<FileFilter> ParseFileFilter(TextView filter);

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    WindowHandle owner = 0;
    Text title;                  // empty: the host's default title
    std::vector<FileFilter> filters;
    int filterIndex = 0;         // filter shown first
    Text initialFolder;          // empty: the working directory
    Text fileName;               // proposed file name (Save) or preselected file (Open)
    Text defaultExtension;       // without dot; appended by the host when the chosen name has no extension
    bool overwritePrompt = false;  // Save: the host asks before an existing file is replaced
    bool fileMustExist = false;    // Open
    bool multiSelect = false;      // Open
};

struct FileDialogResult {
    bool accepted = false;
    std::vector<Text> paths;  // full paths; one unless multiSelect
    int filterIndex = 0;
};

// ---------------------------------------------------------------------------------------------------------------
// What the model offers the host for one window (fw::Window implements it). UI thread only.

enum class Key { Enter, Escape };

class HostedWindow {
public:
    virtual WindowHandle Handle() const = 0;
    virtual WindowState State() const = 0;
    virtual std::vector<ControlState> Controls() const = 0;
    virtual std::optional<ControlState> ControlAt(int index) const = 0;
    // Paragraphs [first, first + count) of a rich log, clamped to what exists.
    virtual std::vector<LogLine> LogLines(int index, int first, int count) const = 0;
    // The rows of a list view from `first` on into `rows` (none when `first` is past the end); answers how many
    // rows the list has.
    virtual int ListRowsFrom(int index, int first, std::vector<ListRow>& rows) const = 0;
    virtual std::vector<MenuItem> MenuBar() const = 0;
    virtual std::vector<MenuItem> SystemMenuItems() const = 0;  // items the program added to the system menu

    // User input, forwarded by the host. Each updates the state and runs the handlers of the message map.
    virtual void UserClick(int index) = 0;                     // buttons, check boxes (auto ones toggle), radios
    virtual void UserEditText(int index, const Text& text) = 0;  // the user changed an edit's or combo's text
    virtual void UserSelect(int index, int item) = 0;          // combo, list box, tab
    virtual void UserSelectItems(int index, const std::vector<int>& items) = 0;  // list view, multi-select list box
    virtual void UserCheckItem(int index, int item, bool checked) = 0;            // list-view check box
    virtual void UserDoubleClick(int index, int item) = 0;     // list view or list box item (-1: empty space)
    virtual void UserScroll(int index, int position) = 0;      // slider moved
    virtual void UserFocus(int index) = 0;
    virtual void UserCommand(int commandId) = 0;               // menu item
    virtual void UserSysCommand(unsigned command) = 0;         // system menu item, SC_CLOSE from the title bar
    virtual void UserKey(Key key) = 0;                         // Enter presses the default button, Esc cancels
    virtual void UserMoved(const Rect& rect) = 0;              // the user moved or resized the window

protected:
    ~HostedWindow() = default;
};

// ---------------------------------------------------------------------------------------------------------------
// What a host implements.

class Host {
public:
    virtual ~Host() = default;

    virtual bool IsUiThread() const = 0;

    // Any thread: make the UI thread call ServeQueuedWork() soon, also while it runs a modal loop, a message box
    // or a file dialog.
    virtual void WakeUi() = 0;

    // Pixels per dialog unit come from the font's average character width and height:
    // x pixels = x units * width / 4, y pixels = y units * height / 8.
    virtual Size DialogBaseUnits(const FontSpec& font) = 0;
    virtual Size ScreenSize() = 0;

    // A window came to life (state and controls are set, OnInitDialog has not run yet) or went away.
    virtual void CreateWindow(HostedWindow& window) = 0;
    virtual void DestroyWindow(WindowHandle window) = 0;

    // Any thread. Changes of one window arrive in the order they were made: the model calls this with the
    // window's lock held, so it must not call back into the model (no HostedWindow calls, no Control calls);
    // queue the change (Qt) or record it (headless) and return.
    virtual void Changed(const Change& change) = 0;

    // Runs a modal loop for `window` until EndModalLoop(window) is called; pending changes should be drawn before
    // the loop waits for input. Loops nest.
    virtual void RunModalLoop(HostedWindow& window) = 0;
    virtual void EndModalLoop(WindowHandle window) = 0;

    // Handles pending input and drawing without waiting (a long handler keeps its window alive with it).
    virtual void Pump() = 0;

    // Blocking; the answer is the pressed button's id (MessageBoxCloseAnswer when the box was closed).
    virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
    virtual FileDialogResult ShowFileDialog(const FileDialogRequest& request) = 0;

    // A timer calls DispatchTimer(window, id) on the UI thread every intervalMs until stopped. Starting an id
    // again restarts it with the new interval.
    virtual void StartTimer(WindowHandle window, uintptr_t id, unsigned intervalMs) = 0;
    virtual void StopTimer(WindowHandle window, uintptr_t id) = 0;
};

// ---------------------------------------------------------------------------------------------------------------
// The model's side, for hosts.

// Installs the host the model draws through (nullptr removes it); the calling thread is taken as the UI thread
// when the host cannot tell. Windows must not exist while the host is changed.
void InstallHost(Host* host);
Host* CurrentHost();

// UI thread: runs what other threads queued (SendMessage, PostMessage, message boxes of workers).
void ServeQueuedWork();

// UI thread: the live window of a handle, nullptr when it is gone.
HostedWindow* FindHostedWindow(WindowHandle window);

// UI thread: a timer of the host fired. Ignored when the window is gone.
void DispatchTimer(WindowHandle window, uintptr_t id);

}  // namespace fw
