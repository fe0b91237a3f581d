// A control of a window, by value: a small handle that stays safe to use from any thread, also after its window
// is gone (then it does nothing and answers defaults). Operations that do not fit the control's kind do nothing
// and answer a default, as a message sent to the wrong kind of control would.
#pragma once

#include <memory>
#include <vector>

#include "framework/Host.h"
#include "framework/Messages.h"
#include "framework/Text.h"

namespace fw {

struct WindowCore;
struct ControlData;

class Control {
public:
    Control() = default;
    Control(std::shared_ptr<WindowCore> core, int index) : m_core(std::move(core)), m_index(index) {}

    bool IsValid() const;  // refers to a control (its window may be gone since)
    int GetDlgCtrlID() const;
    ControlKind Kind() const;
    int Index() const { return m_index; }
    ControlState Snapshot() const;

    // Every kind. Setting an edit's text notifies EditChange, as typing does.
    void SetWindowText(TextView text);
    Text GetWindowText() const;
    int GetWindowTextLength() const;
    void EnableWindow(bool enable = true);
    bool IsWindowEnabled() const;
    void ShowWindow(int command);  // SW_HIDE, SW_SHOW ...
    bool IsWindowVisible() const;
    void SetFocus();
    void MoveWindow(const Rect& rect);  // pixels, in the window's client area
    Rect GetRect() const;
    uint32_t GetStyle() const;
    void ModifyStyle(uint32_t remove, uint32_t add);
    void SetIcon(int iconId);  // icon statics, buttons with BS_ICON
    int GetIcon() const;

    // Edits.
    void SetReadOnly(bool readOnly = true);
    bool IsReadOnly() const;
    void SetPasswordChar(char16_t ch);  // 0 shows the text as it is
    char16_t GetPasswordChar() const;
    void SetLimitText(int limit);  // 0: no limit; a longer text already there stays
    int GetLimitText() const;

    // Check boxes and radio buttons: 0, 1 or 2 (indeterminate).
    void SetCheck(int state);
    int GetCheck() const;
    // Push buttons: make this the default button of its window (or stop being it).
    void SetDefault(bool isDefault);

    // Combo boxes, list boxes and tabs (tabs: InsertItem/GetItemCount/SetCurSel/GetCurSel).
    int AddString(TextView text);                // index of the new entry
    int InsertString(int index, TextView text);  // -1 appends
    int DeleteString(int index);                 // entries left, -1 for a bad index
    void ResetContent();
    int GetCount() const;
    int SetCurSel(int index);  // -1 clears; answers the index, -1 when out of range (selection cleared)
    int GetCurSel() const;
    Text GetLBText(int index) const;
    int FindStringExact(int startAfter, TextView text) const;  // case-insensitive, -1 when absent
    int SelectString(int startAfter, TextView text);            // prefix match like the list controls
    // List boxes with several selected entries.
    bool SetSel(int index, bool select = true);
    std::vector<int> GetSelItems() const;

    // List views (report view). InsertItem, DeleteAllItems and GetItemCount serve tabs too.
    void SetExtendedStyle(uint32_t exStyle);  // LVS_EX_*
    uint32_t GetExtendedStyle() const;
    int InsertColumn(int column, TextView title, int format = 0, int width = 80);
    bool DeleteColumn(int column);
    int GetColumnCount() const;
    bool SetColumnWidth(int column, int width);
    int InsertItem(int item, TextView text);  // index of the new item, -1 on failure; past the end appends
    bool SetItemText(int item, int subItem, TextView text);
    // Sub-items subItem, subItem + 1, ... of one item in one change: a table filled row by row.
    bool SetItemTexts(int item, int subItem, const std::vector<Text>& texts);
    Text GetItemText(int item, int subItem) const;
    bool DeleteItem(int item);
    bool DeleteAllItems();
    int GetItemCount() const;
    bool SetCheck(int item, bool checked);  // list-view check box of an item
    bool GetCheck(int item) const;
    bool SetItemSelected(int item, bool selected);
    bool IsItemSelected(int item) const;
    int GetSelectedCount() const;
    int GetNextSelectedItem(int after = -1) const;  // -1 when none follows
    bool EnsureVisible(int item);

    // Progress bars and sliders.
    void SetRange(int lower, int upper);
    int GetRangeLower() const;
    int GetRangeUpper() const;
    int SetPos(int position);  // answers the previous position; clamped to the range
    int GetPos() const;
    int SetStep(int step);  // answers the previous step
    int StepIt();           // answers the previous position; wraps to the lower bound past the upper one
    int OffsetPos(int delta);
    void SetPageSize(int size);
    int GetPageSize() const;
    void SetTicFreq(int frequency);

    // Tabs: the area inside the tab control where pages go, relative to the tab control (pages created on the
    // tab control are placed relative to it).
    Rect GetDisplayRect() const;

    // Rich log. Text is appended as it is (a line needs its own "\r\n"); the face and size apply to what is
    // appended (empty face / 0: the control's own font).
    void AppendText(TextView text, Color color, TextView face = {}, int heightTwips = 0);
    int GetLineCount() const;  // the lines of the text: one more than its line breaks
    void LineScroll(int lines);
    std::vector<LogLine> GetLogLines() const;

    // Status bars. Widths in pixels, -1 stretches.
    void SetPanes(const std::vector<StatusPane>& panes);
    int GetPaneCount() const;
    bool SetPaneText(int pane, TextView text);
    Text GetPaneText(int pane) const;
    bool SetPaneWidth(int pane, int width);
    bool SetPaneIcon(int pane, int iconId);

private:
    template <class R, class F>
    R Read(R fallback, F f) const;
    template <class F>
    void Update(F f);

    std::shared_ptr<WindowCore> m_core;
    int m_index = -1;
};

}  // namespace fw
