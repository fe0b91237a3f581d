#include "framework/Control.h"

#include <algorithm>

#include "framework/WindowCore.h"

namespace fw {

namespace {

bool IsList(const ControlState& s) { return s.kind == ControlKind::ComboBox || s.kind == ControlKind::ListBox; }
bool IsRanged(const ControlState& s) { return s.kind == ControlKind::Progress || s.kind == ControlKind::Slider; }
bool IsDropDownList(const ControlState& s) {
    return s.kind == ControlKind::ComboBox && (s.style & CBS_TYPEMASK) == CBS_DROPDOWNLIST;
}
bool Sorted(const ControlState& s) {
    return (s.kind == ControlKind::ComboBox && (s.style & CBS_SORT)) ||
           (s.kind == ControlKind::ListBox && (s.style & LBS_SORT));
}
bool MultiSelect(const ControlState& s) {
    return s.kind == ControlKind::ListBox && (s.style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
}
int Count(const std::vector<Text>& v) { return static_cast<int>(v.size()); }
int Count(const std::vector<ListRow>& v) { return static_cast<int>(v.size()); }

Text JoinLog(const std::vector<LogLine>& log) {
    Text all;
    for (size_t i = 0; i < log.size(); ++i) {
        if (i) all += u"\r\n";
        all += log[i].text;
    }
    return all;
}

// Splits at CR LF, LF or CR.
std::vector<Text> SplitParagraphs(TextView text) {
    std::vector<Text> parts(1);
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

}  // namespace

template <class R, class F>
R Control::Read(R fallback, F f) const {
    if (!m_core) return fallback;
    std::lock_guard lock(m_core->mutex);
    const ControlData* c = m_core->At(m_index);
    return c ? f(*c) : fallback;
}

template <class F>
void Control::Update(F f) {
    if (!m_core) return;
    std::lock_guard lock(m_core->mutex);
    if (ControlData* c = m_core->At(m_index)) f(*c);
}

bool Control::IsValid() const { return Read(false, [](const ControlData&) { return true; }); }
int Control::GetDlgCtrlID() const { return Read(0, [](const ControlData& c) { return c.s.id; }); }
ControlKind Control::Kind() const { return Read(ControlKind::Static, [](const ControlData& c) { return c.s.kind; }); }

ControlState Control::Snapshot() const {
    return Read(ControlState{}, [](const ControlData& c) { return c.s; });
}

void Control::SetWindowText(TextView text) {
    bool editChanged = false;
    WindowHandle window = 0;
    Update([&](ControlData& c) {
        window = m_core->handle;
        if (c.s.kind == ControlKind::RichEdit) {
            c.log.clear();
            c.log.push_back(LogLine{});
            ++c.s.logGeneration;
            m_core->EmitControl(ChangeKind::LogCleared, c);
            c.s.logParagraphs = 1;
            if (!text.empty()) {
                std::vector<Text> parts = SplitParagraphs(text);
                c.log[0].text = parts[0];
                for (size_t i = 1; i < parts.size(); ++i) c.log.push_back(LogLine{parts[i], {}, {}, 0});
                c.s.logParagraphs = static_cast<int>(c.log.size());
                m_core->EmitControl(ChangeKind::LogAppended, c, 0, 0, Text(text));
            }
            return;
        }
        if (IsDropDownList(c.s)) {
            // The text of a drop-down list is its selected entry; only an existing entry can be shown.
            auto it = std::find_if(c.s.items.begin(), c.s.items.end(), [&](const Text& i) { return EqualsNoCase(i, text); });
            if (it == c.s.items.end()) return;
            c.s.selection = static_cast<int>(it - c.s.items.begin());
            c.s.text = *it;
            m_core->EmitControl(ChangeKind::Selection, c, c.s.selection);
            m_core->EmitControl(ChangeKind::ControlText, c, 0, -1, c.s.text);
            return;
        }
        c.s.text = Text(text);
        m_core->EmitControl(ChangeKind::ControlText, c, 0, -1, c.s.text);
        editChanged = c.s.kind == ControlKind::Edit;
    });
    if (editChanged) NotifyFromControl(window, m_index, Notification::EditChange);
}

Text Control::GetWindowText() const {
    return Read(Text(), [](const ControlData& c) { return c.s.kind == ControlKind::RichEdit ? JoinLog(c.log) : c.s.text; });
}

int Control::GetWindowTextLength() const { return static_cast<int>(GetWindowText().size()); }

void Control::EnableWindow(bool enable) {
    Update([&](ControlData& c) {
        if (c.s.enabled == enable) return;
        c.s.enabled = enable;
        c.s.style = enable ? (c.s.style & ~WS_DISABLED) : (c.s.style | WS_DISABLED);
        m_core->EmitControl(ChangeKind::Enabled, c, enable);
    });
}

bool Control::IsWindowEnabled() const { return Read(false, [](const ControlData& c) { return c.s.enabled; }); }

void Control::ShowWindow(int command) {
    const bool visible = command != SW_HIDE;
    Update([&](ControlData& c) {
        if (c.s.visible == visible) return;
        c.s.visible = visible;
        c.s.style = visible ? (c.s.style | WS_VISIBLE) : (c.s.style & ~WS_VISIBLE);
        m_core->EmitControl(ChangeKind::Visible, c, visible);
    });
}

bool Control::IsWindowVisible() const { return Read(false, [](const ControlData& c) { return c.s.visible; }); }

void Control::SetFocus() {
    Update([&](ControlData& c) {
        m_core->state.focusControl = c.s.index;
        m_core->EmitWindow(ChangeKind::WindowFocus, c.s.index);
    });
}

void Control::MoveWindow(const Rect& rect) {
    Update([&](ControlData& c) {
        if (c.s.rect == rect) return;
        c.s.rect = rect;
        m_core->EmitControl(ChangeKind::ControlRect, c);
    });
}

Rect Control::GetRect() const { return Read(Rect{}, [](const ControlData& c) { return c.s.rect; }); }
uint32_t Control::GetStyle() const { return Read(0u, [](const ControlData& c) { return c.s.style; }); }

void Control::ModifyStyle(uint32_t remove, uint32_t add) {
    Update([&](ControlData& c) {
        const uint32_t style = (c.s.style & ~remove) | add;
        if (style == c.s.style) return;
        c.s.style = style;
        if (c.s.kind == ControlKind::Edit || c.s.kind == ControlKind::RichEdit) c.s.readOnly = style & ES_READONLY;
        if (c.s.kind == ControlKind::Edit && ((remove | add) & ES_PASSWORD)) {
            c.s.passwordChar = (style & ES_PASSWORD) ? u'*' : 0;
        }
        if (c.s.kind == ControlKind::PushButton) c.s.isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        c.s.enabled = !(style & WS_DISABLED);
        c.s.visible = style & WS_VISIBLE;
        m_core->EmitControl(ChangeKind::Style, c);
    });
}

void Control::SetIcon(int iconId) {
    Update([&](ControlData& c) {
        if (c.s.iconId == iconId) return;
        c.s.iconId = iconId;
        m_core->EmitControl(ChangeKind::Icon, c, iconId);
    });
}

int Control::GetIcon() const { return Read(0, [](const ControlData& c) { return c.s.iconId; }); }

void Control::SetReadOnly(bool readOnly) {
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::Edit && c.s.kind != ControlKind::RichEdit) return;
        c.s.readOnly = readOnly;
        c.s.style = readOnly ? (c.s.style | ES_READONLY) : (c.s.style & ~ES_READONLY);
        m_core->EmitControl(ChangeKind::Style, c);
    });
}

bool Control::IsReadOnly() const { return Read(false, [](const ControlData& c) { return c.s.readOnly; }); }

void Control::SetPasswordChar(char16_t ch) {
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::Edit) return;
        c.s.passwordChar = ch;
        c.s.style = ch ? (c.s.style | ES_PASSWORD) : (c.s.style & ~ES_PASSWORD);
        m_core->EmitControl(ChangeKind::Style, c);
    });
}

char16_t Control::GetPasswordChar() const {
    return Read(char16_t{0}, [](const ControlData& c) { return c.s.passwordChar; });
}

void Control::SetLimitText(int limit) {
    Update([&](ControlData& c) {
        c.s.textLimit = std::max(0, limit);
        m_core->EmitControl(ChangeKind::Style, c);
    });
}

int Control::GetLimitText() const { return Read(0, [](const ControlData& c) { return c.s.textLimit; }); }

void Control::SetCheck(int state) {
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::CheckBox && c.s.kind != ControlKind::RadioButton &&
            c.s.kind != ControlKind::PushButton) {
            return;
        }
        state = std::clamp(state, 0, 2);
        if (c.s.check == state) return;
        c.s.check = state;
        m_core->EmitControl(ChangeKind::Check, c, state);
    });
}

int Control::GetCheck() const { return Read(0, [](const ControlData& c) { return c.s.check; }); }

void Control::SetDefault(bool isDefault) {
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::PushButton) return;
        auto apply = [&](ControlData& b, bool on) {
            if (b.s.isDefault == on) return;
            b.s.isDefault = on;
            b.s.style = (b.s.style & ~BS_TYPEMASK) | (on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            m_core->EmitControl(ChangeKind::Style, b);
        };
        if (isDefault) {
            for (auto& other : m_core->controls) {
                if (other.get() != &c && other->s.kind == ControlKind::PushButton) apply(*other, false);
            }
        }
        apply(c, isDefault);
    });
}

int Control::AddString(TextView text) {
    int result = -1;
    Update([&](ControlData& c) {
        if (!IsList(c.s)) return;
        int at = Count(c.s.items);
        if (Sorted(c.s)) {
            at = static_cast<int>(std::upper_bound(c.s.items.begin(), c.s.items.end(), text,
                                                   [](TextView a, const Text& b) { return CompareNoCase(a, b) < 0; }) -
                                  c.s.items.begin());
        }
        c.s.items.insert(c.s.items.begin() + at, Text(text));
        if (c.s.selection >= at) ++c.s.selection;
        for (int& i : c.s.selectedItems) {
            if (i >= at) ++i;
        }
        m_core->EmitControl(ChangeKind::Items, c, at);
        result = at;
    });
    return result;
}

int Control::InsertString(int index, TextView text) {
    int result = -1;
    Update([&](ControlData& c) {
        if (!IsList(c.s) || index > Count(c.s.items)) return;
        const int at = index < 0 ? Count(c.s.items) : index;
        c.s.items.insert(c.s.items.begin() + at, Text(text));
        if (c.s.selection >= at) ++c.s.selection;
        for (int& i : c.s.selectedItems) {
            if (i >= at) ++i;
        }
        m_core->EmitControl(ChangeKind::Items, c, at);
        result = at;
    });
    return result;
}

int Control::DeleteString(int index) {
    int result = -1;
    Update([&](ControlData& c) {
        if (!IsList(c.s) || index < 0 || index >= Count(c.s.items)) return;
        c.s.items.erase(c.s.items.begin() + index);
        if (c.s.selection == index) {
            c.s.selection = -1;
            if (IsDropDownList(c.s)) c.s.text.clear();
        } else if (c.s.selection > index) {
            --c.s.selection;
        }
        std::erase(c.s.selectedItems, index);
        for (int& i : c.s.selectedItems) {
            if (i > index) --i;
        }
        m_core->EmitControl(ChangeKind::Items, c, index);
        result = Count(c.s.items);
    });
    return result;
}

void Control::ResetContent() {
    Update([&](ControlData& c) {
        if (!IsList(c.s)) return;
        c.s.items.clear();
        c.s.selection = -1;
        c.s.selectedItems.clear();
        if (c.s.kind == ControlKind::ComboBox) c.s.text.clear();
        m_core->EmitControl(ChangeKind::Items, c, -1);
    });
}

int Control::GetCount() const {
    return Read(0, [](const ControlData& c) { return IsList(c.s) || c.s.kind == ControlKind::Tab ? Count(c.s.items) : 0; });
}

int Control::SetCurSel(int index) {
    int result = -1;
    Update([&](ControlData& c) {
        if (!IsList(c.s) && c.s.kind != ControlKind::Tab) return;
        const bool valid = index >= 0 && index < Count(c.s.items);
        c.s.selection = valid ? index : -1;
        if (c.s.kind == ControlKind::ComboBox) {
            c.s.text = valid ? c.s.items[static_cast<size_t>(index)] : Text();
            m_core->EmitControl(ChangeKind::ControlText, c, 0, -1, c.s.text);
        }
        m_core->EmitControl(ChangeKind::Selection, c, c.s.selection);
        result = c.s.selection;
    });
    return result;
}

int Control::GetCurSel() const { return Read(-1, [](const ControlData& c) { return c.s.selection; }); }

Text Control::GetLBText(int index) const {
    return Read(Text(), [&](const ControlData& c) {
        return index >= 0 && index < Count(c.s.items) ? c.s.items[static_cast<size_t>(index)] : Text();
    });
}

int Control::FindStringExact(int startAfter, TextView text) const {
    return Read(-1, [&](const ControlData& c) {
        const int n = Count(c.s.items);
        for (int k = 1; k <= n; ++k) {
            const int i = ((startAfter < 0 ? -1 : startAfter) + k) % n;
            if (EqualsNoCase(c.s.items[static_cast<size_t>(i)], text)) return i;
        }
        return -1;
    });
}

int Control::SelectString(int startAfter, TextView text) {
    const int found = Read(-1, [&](const ControlData& c) {
        const int n = Count(c.s.items);
        for (int k = 1; k <= n; ++k) {
            const int i = ((startAfter < 0 ? -1 : startAfter) + k) % n;
            const Text& item = c.s.items[static_cast<size_t>(i)];
            if (item.size() >= text.size() && EqualsNoCase(TextView(item).substr(0, text.size()), text)) return i;
        }
        return -1;
    });
    return found < 0 ? -1 : SetCurSel(found);
}

bool Control::SetSel(int index, bool select) {
    bool ok = false;
    Update([&](ControlData& c) {
        if (!MultiSelect(c.s) || index >= Count(c.s.items)) return;
        std::vector<int> indexes;
        if (index < 0) {
            for (int i = 0; i < Count(c.s.items); ++i) indexes.push_back(i);
        } else {
            indexes.push_back(index);
        }
        for (int i : indexes) {
            auto it = std::find(c.s.selectedItems.begin(), c.s.selectedItems.end(), i);
            if (select && it == c.s.selectedItems.end()) c.s.selectedItems.push_back(i);
            if (!select && it != c.s.selectedItems.end()) c.s.selectedItems.erase(it);
        }
        std::sort(c.s.selectedItems.begin(), c.s.selectedItems.end());
        m_core->EmitControl(ChangeKind::Selection, c, index);
        ok = true;
    });
    return ok;
}

std::vector<int> Control::GetSelItems() const {
    return Read(std::vector<int>{}, [](const ControlData& c) { return c.s.selectedItems; });
}

void Control::SetExtendedStyle(uint32_t exStyle) {
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::ListView) return;
        c.s.exStyle = exStyle;
        m_core->EmitControl(ChangeKind::Style, c);
    });
}

uint32_t Control::GetExtendedStyle() const { return Read(0u, [](const ControlData& c) { return c.s.exStyle; }); }

int Control::InsertColumn(int column, TextView title, int format, int width) {
    int result = -1;
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::ListView || column < 0) return;
        const int at = std::min(column, static_cast<int>(c.s.columns.size()));
        c.s.columns.insert(c.s.columns.begin() + at, ListColumn{Text(title), width, format});
        // A new first column takes over the item texts only when it is not the first one ever inserted.
        if (c.s.columns.size() > 1) {
            for (ListRow& row : c.s.rows) {
                if (static_cast<int>(row.cells.size()) > at) row.cells.insert(row.cells.begin() + at, Text());
            }
        }
        m_core->EmitControl(ChangeKind::ListColumns, c, at);
        result = at;
    });
    return result;
}

bool Control::DeleteColumn(int column) {
    bool ok = false;
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::ListView || column < 0 || column >= static_cast<int>(c.s.columns.size())) return;
        c.s.columns.erase(c.s.columns.begin() + column);
        for (ListRow& row : c.s.rows) {
            if (static_cast<int>(row.cells.size()) > column) row.cells.erase(row.cells.begin() + column);
        }
        m_core->EmitControl(ChangeKind::ListColumns, c, column);
        ok = true;
    });
    return ok;
}

int Control::GetColumnCount() const {
    return Read(0, [](const ControlData& c) { return static_cast<int>(c.s.columns.size()); });
}

bool Control::SetColumnWidth(int column, int width) {
    bool ok = false;
    Update([&](ControlData& c) {
        if (column < 0 || column >= static_cast<int>(c.s.columns.size())) return;
        c.s.columns[static_cast<size_t>(column)].width = width;
        m_core->EmitControl(ChangeKind::ListColumns, c, column);
        ok = true;
    });
    return ok;
}

int Control::InsertItem(int item, TextView text) {
    int result = -1;
    Update([&](ControlData& c) {
        if (item < 0) return;
        if (c.s.kind == ControlKind::Tab) {
            const int at = std::min(item, Count(c.s.items));
            c.s.items.insert(c.s.items.begin() + at, Text(text));
            if (c.s.selection < 0) c.s.selection = 0;  // a tab control always shows one page
            else if (c.s.selection >= at && Count(c.s.items) > 1) ++c.s.selection;
            m_core->EmitControl(ChangeKind::Items, c, at);
            result = at;
        } else if (c.s.kind == ControlKind::ListView) {
            const int at = std::min(item, Count(c.s.rows));
            ListRow row;
            row.cells.push_back(Text(text));
            c.s.rows.insert(c.s.rows.begin() + at, std::move(row));
            m_core->EmitControl(ChangeKind::ListRows, c, 0, at);
            result = at;
        }
    });
    return result;
}

bool Control::SetItemText(int item, int subItem, TextView text) {
    bool ok = false;
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::ListView || item < 0 || item >= Count(c.s.rows) || subItem < 0) return;
        if (subItem > 0 && subItem >= static_cast<int>(c.s.columns.size())) return;
        ListRow& row = c.s.rows[static_cast<size_t>(item)];
        if (static_cast<int>(row.cells.size()) <= subItem) row.cells.resize(static_cast<size_t>(subItem) + 1);
        row.cells[static_cast<size_t>(subItem)] = Text(text);
        m_core->EmitControl(ChangeKind::ListRows, c, subItem, item);
        ok = true;
    });
    return ok;
}

bool Control::SetItemTexts(int item, int subItem, const std::vector<Text>& texts) {
    bool ok = false;
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::ListView || item < 0 || item >= Count(c.s.rows) || subItem < 0) return;
        const size_t end = static_cast<size_t>(subItem) + texts.size();
        if (end > 1 && end > c.s.columns.size()) return;
        ListRow& row = c.s.rows[static_cast<size_t>(item)];
        if (row.cells.size() < end) row.cells.resize(end);
        std::copy(texts.begin(), texts.end(), row.cells.begin() + subItem);
        m_core->EmitControl(ChangeKind::ListRows, c, subItem, item);
        ok = true;
    });
    return ok;
}

Text Control::GetItemText(int item, int subItem) const {
    return Read(Text(), [&](const ControlData& c) {
        if (c.s.kind == ControlKind::Tab) {
            return item >= 0 && item < Count(c.s.items) ? c.s.items[static_cast<size_t>(item)] : Text();
        }
        if (item < 0 || item >= Count(c.s.rows) || subItem < 0) return Text();
        const ListRow& row = c.s.rows[static_cast<size_t>(item)];
        return subItem < static_cast<int>(row.cells.size()) ? row.cells[static_cast<size_t>(subItem)] : Text();
    });
}

bool Control::DeleteItem(int item) {
    bool ok = false;
    Update([&](ControlData& c) {
        if (c.s.kind == ControlKind::ListView && item >= 0 && item < Count(c.s.rows)) {
            c.s.rows.erase(c.s.rows.begin() + item);
            m_core->EmitControl(ChangeKind::ListRows, c, 0, -1);
            ok = true;
        } else if (c.s.kind == ControlKind::Tab && item >= 0 && item < Count(c.s.items)) {
            c.s.items.erase(c.s.items.begin() + item);
            if (c.s.selection >= Count(c.s.items)) c.s.selection = Count(c.s.items) - 1;
            m_core->EmitControl(ChangeKind::Items, c, item);
            ok = true;
        }
    });
    return ok;
}

bool Control::DeleteAllItems() {
    bool ok = false;
    Update([&](ControlData& c) {
        if (c.s.kind == ControlKind::ListView) {
            c.s.rows.clear();
            m_core->EmitControl(ChangeKind::ListRows, c, 0, -1);
            ok = true;
        } else if (c.s.kind == ControlKind::Tab) {
            c.s.items.clear();
            c.s.selection = -1;
            m_core->EmitControl(ChangeKind::Items, c, -1);
            ok = true;
        }
    });
    return ok;
}

int Control::GetItemCount() const {
    return Read(0, [](const ControlData& c) {
        if (c.s.kind == ControlKind::ListView) return Count(c.s.rows);
        if (c.s.kind == ControlKind::Tab) return Count(c.s.items);
        return 0;
    });
}

bool Control::SetCheck(int item, bool checked) {
    bool changed = false;
    bool ok = false;
    WindowHandle window = 0;
    Update([&](ControlData& c) {
        window = m_core->handle;
        if (c.s.kind != ControlKind::ListView || item < 0 || item >= Count(c.s.rows)) return;
        ok = true;
        ListRow& row = c.s.rows[static_cast<size_t>(item)];
        if (row.checked == checked) return;
        row.checked = checked;
        changed = true;
        m_core->EmitControl(ChangeKind::ListRows, c, 0, item);
    });
    // List views report state changes made by the program too.
    if (changed) NotifyFromControl(window, m_index, Notification::ItemChanged, item);
    return ok;
}

bool Control::GetCheck(int item) const {
    return Read(false, [&](const ControlData& c) {
        return item >= 0 && item < Count(c.s.rows) && c.s.rows[static_cast<size_t>(item)].checked;
    });
}

bool Control::SetItemSelected(int item, bool selected) {
    std::vector<int> changedItems;
    bool ok = false;
    WindowHandle window = 0;
    Update([&](ControlData& c) {
        window = m_core->handle;
        if (c.s.kind != ControlKind::ListView || item < 0 || item >= Count(c.s.rows)) return;
        ok = true;
        if (selected && (c.s.style & LVS_SINGLESEL)) {
            for (int i = 0; i < Count(c.s.rows); ++i) {
                ListRow& other = c.s.rows[static_cast<size_t>(i)];
                if (i != item && other.selected) {
                    other.selected = false;
                    changedItems.push_back(i);
                }
            }
        }
        ListRow& row = c.s.rows[static_cast<size_t>(item)];
        if (row.selected != selected) {
            row.selected = selected;
            changedItems.push_back(item);
        }
        if (!changedItems.empty()) m_core->EmitControl(ChangeKind::Selection, c, selected ? item : -1);
    });
    for (int i : changedItems) NotifyFromControl(window, m_index, Notification::ItemChanged, i);
    return ok;
}

bool Control::IsItemSelected(int item) const {
    return Read(false, [&](const ControlData& c) {
        return item >= 0 && item < Count(c.s.rows) && c.s.rows[static_cast<size_t>(item)].selected;
    });
}

int Control::GetSelectedCount() const {
    return Read(0, [](const ControlData& c) {
        if (c.s.kind == ControlKind::ListBox) return static_cast<int>(c.s.selectedItems.size());
        return static_cast<int>(std::count_if(c.s.rows.begin(), c.s.rows.end(), [](const ListRow& r) { return r.selected; }));
    });
}

int Control::GetNextSelectedItem(int after) const {
    return Read(-1, [&](const ControlData& c) {
        for (int i = std::max(after + 1, 0); i < Count(c.s.rows); ++i) {
            if (c.s.rows[static_cast<size_t>(i)].selected) return i;
        }
        return -1;
    });
}

bool Control::EnsureVisible(int item) {
    return Read(false, [&](const ControlData& c) { return item >= 0 && item < Count(c.s.rows); });
}

void Control::SetRange(int lower, int upper) {
    Update([&](ControlData& c) {
        if (!IsRanged(c.s)) return;
        c.s.rangeMin = lower;
        c.s.rangeMax = upper;
        m_core->EmitControl(ChangeKind::Range, c);
        const int clamped = std::clamp(c.s.position, std::min(lower, upper), std::max(lower, upper));
        if (clamped != c.s.position) {
            c.s.position = clamped;
            m_core->EmitControl(ChangeKind::Position, c, clamped);
        }
    });
}

int Control::GetRangeLower() const { return Read(0, [](const ControlData& c) { return c.s.rangeMin; }); }
int Control::GetRangeUpper() const { return Read(0, [](const ControlData& c) { return c.s.rangeMax; }); }

int Control::SetPos(int position) {
    int previous = 0;
    Update([&](ControlData& c) {
        if (!IsRanged(c.s)) return;
        previous = c.s.position;
        position = std::clamp(position, std::min(c.s.rangeMin, c.s.rangeMax), std::max(c.s.rangeMin, c.s.rangeMax));
        c.s.position = position;
        m_core->EmitControl(ChangeKind::Position, c, position);
    });
    return previous;
}

int Control::GetPos() const { return Read(0, [](const ControlData& c) { return c.s.position; }); }

int Control::SetStep(int step) {
    int previous = 0;
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::Progress) return;
        previous = c.s.step;
        c.s.step = step;
        m_core->EmitControl(ChangeKind::Range, c);
    });
    return previous;
}

int Control::StepIt() {
    int previous = 0;
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::Progress) return;
        previous = c.s.position;
        long long next = static_cast<long long>(c.s.position) + c.s.step;
        if (next > c.s.rangeMax) next = c.s.rangeMin;  // a full bar starts over
        if (next < c.s.rangeMin) next = c.s.rangeMin;
        c.s.position = static_cast<int>(next);
        m_core->EmitControl(ChangeKind::Position, c, c.s.position);
    });
    return previous;
}

int Control::OffsetPos(int delta) {
    int previous = GetPos();
    SetPos(static_cast<int>(std::clamp(static_cast<long long>(previous) + delta, -0x80000000ll, 0x7FFFFFFFll)));
    return previous;
}

void Control::SetPageSize(int size) {
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::Slider) return;
        c.s.pageSize = size;
        m_core->EmitControl(ChangeKind::Range, c);
    });
}

int Control::GetPageSize() const { return Read(0, [](const ControlData& c) { return c.s.pageSize; }); }

void Control::SetTicFreq(int frequency) {
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::Slider) return;
        c.s.tickFrequency = frequency;
        m_core->EmitControl(ChangeKind::Range, c);
    });
}

Rect Control::GetDisplayRect() const {
    return Read(Rect{}, [&](const ControlData& c) {
        const int header = m_core->baseUnits.height + 6;
        const Rect r = c.s.rect;
        return Rect{2, header, std::max(0, r.width - 4), std::max(0, r.height - header - 2)};
    });
}

void Control::AppendText(TextView text, Color color, TextView face, int heightTwips) {
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::RichEdit) return;
        if (c.log.empty()) c.log.push_back(LogLine{});
        std::vector<Text> parts = SplitParagraphs(text);
        const int first = static_cast<int>(c.log.size()) - 1;
        LogLine& last = c.log.back();
        // Text joining a paragraph that has text keeps that paragraph's format.
        if (last.text.empty()) {
            last.color = color;
            last.face = Text(face);
            last.heightTwips = heightTwips;
        }
        last.text += parts[0];
        for (size_t i = 1; i < parts.size(); ++i) c.log.push_back(LogLine{std::move(parts[i]), color, Text(face), heightTwips});
        c.s.logParagraphs = static_cast<int>(c.log.size());
        m_core->EmitControl(ChangeKind::LogAppended, c, 0, first, Text(text), color);
    });
}

int Control::GetLineCount() const {
    return Read(0, [](const ControlData& c) {
        if (c.s.kind == ControlKind::RichEdit) return std::max(1, static_cast<int>(c.log.size()));
        return static_cast<int>(SplitParagraphs(c.s.text).size());
    });
}

void Control::LineScroll(int lines) {
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::RichEdit && c.s.kind != ControlKind::Edit) return;
        const int last = std::max(0, static_cast<int>(c.log.size()) - 1);
        c.s.position = std::clamp(c.s.position + lines, 0, last);
        m_core->EmitControl(ChangeKind::LogScrolled, c, c.s.position);
    });
}

std::vector<LogLine> Control::GetLogLines() const {
    return Read(std::vector<LogLine>{}, [](const ControlData& c) { return c.log; });
}

void Control::SetPanes(const std::vector<StatusPane>& panes) {
    Update([&](ControlData& c) {
        if (c.s.kind != ControlKind::StatusBar) return;
        c.s.panes = panes;
        m_core->EmitControl(ChangeKind::StatusPanes, c, 0, -1);
    });
}

int Control::GetPaneCount() const {
    return Read(0, [](const ControlData& c) { return static_cast<int>(c.s.panes.size()); });
}

bool Control::SetPaneText(int pane, TextView text) {
    bool ok = false;
    Update([&](ControlData& c) {
        if (pane < 0 || pane >= static_cast<int>(c.s.panes.size())) return;
        c.s.panes[static_cast<size_t>(pane)].text = Text(text);
        m_core->EmitControl(ChangeKind::StatusPanes, c, 0, pane, Text(text));
        ok = true;
    });
    return ok;
}

Text Control::GetPaneText(int pane) const {
    return Read(Text(), [&](const ControlData& c) {
        return pane >= 0 && pane < static_cast<int>(c.s.panes.size()) ? c.s.panes[static_cast<size_t>(pane)].text : Text();
    });
}

bool Control::SetPaneWidth(int pane, int width) {
    bool ok = false;
    Update([&](ControlData& c) {
        if (pane < 0 || pane >= static_cast<int>(c.s.panes.size())) return;
        c.s.panes[static_cast<size_t>(pane)].width = width;
        m_core->EmitControl(ChangeKind::StatusPanes, c, 0, -1);
        ok = true;
    });
    return ok;
}

bool Control::SetPaneIcon(int pane, int iconId) {
    bool ok = false;
    Update([&](ControlData& c) {
        if (pane < 0 || pane >= static_cast<int>(c.s.panes.size())) return;
        c.s.panes[static_cast<size_t>(pane)].iconId = iconId;
        m_core->EmitControl(ChangeKind::StatusPanes, c, 0, pane, c.s.panes[static_cast<size_t>(pane)].text);
        ok = true;
    });
    return ok;
}

}  // namespace fw
