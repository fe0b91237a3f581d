#include "framework/Menu.h"

#include <algorithm>
#include <functional>

#include "framework/WindowCore.h"

namespace fw {

namespace {

MenuItem* FindById(std::vector<MenuItem>& items, unsigned id, int depth = 0) {
    if (depth > 32) return nullptr;
    for (MenuItem& item : items) {
        if (!item.popup && !item.separator && static_cast<unsigned>(item.id) == id) return &item;
        if (item.popup) {
            if (MenuItem* found = FindById(item.items, id, depth + 1)) return found;
        }
    }
    return nullptr;
}

MenuItem* Locate(std::vector<MenuItem>& items, unsigned item, unsigned flags) {
    if (flags & MF_BYPOSITION) return item < items.size() ? &items[item] : nullptr;
    return FindById(items, item);
}

unsigned StateOf(const MenuItem& item) {
    unsigned state = 0;
    if (item.checked) state |= MF_CHECKED;
    if (item.grayed) state |= MF_GRAYED;
    if (!item.enabled && !item.grayed) state |= MF_DISABLED;
    if (item.separator) state |= MF_SEPARATOR;
    if (item.popup) state |= MF_POPUP;
    return state;
}

MenuItem ItemFromFlags(unsigned flags, unsigned id, TextView text) {
    MenuItem item;
    item.separator = flags & MF_SEPARATOR;
    item.id = item.separator ? 0 : static_cast<int>(id);
    item.text = Text(text);
    item.checked = flags & MF_CHECKED;
    item.grayed = flags & MF_GRAYED;
    item.enabled = !(flags & (MF_GRAYED | MF_DISABLED));
    return item;
}

}  // namespace

std::vector<MenuItem> MenuItemsFromTemplate(const std::vector<MenuItemTemplate>& items) {
    std::vector<MenuItem> out;
    for (const MenuItemTemplate& t : items) {
        MenuItem item;
        item.id = t.popup || t.separator ? 0 : t.id;
        item.text = t.text;
        item.separator = t.separator;
        item.popup = t.popup;
        item.checked = t.checked;
        item.grayed = t.grayed;
        item.enabled = !(t.grayed || t.inactive);
        item.items = MenuItemsFromTemplate(t.items);
        out.push_back(std::move(item));
    }
    return out;
}

template <class R, class F>
R Menu::Access(R fallback, F f) const {
    if (!m_core) return fallback;
    std::lock_guard lock(m_core->mutex);
    std::vector<MenuItem>* items = m_which == Which::Bar ? &m_core->menuBar : &m_core->systemMenu;
    for (int position : m_path) {
        if (position < 0 || position >= static_cast<int>(items->size())) return fallback;
        MenuItem& popup = (*items)[static_cast<size_t>(position)];
        if (!popup.popup) return fallback;
        items = &popup.items;
    }
    bool changed = false;
    R result = f(*items, changed);
    if (changed) m_core->EmitWindow(m_which == Which::Bar ? ChangeKind::MenuBar : ChangeKind::SystemMenu);
    return result;
}

bool Menu::IsValid() const {
    return Access(false, [](std::vector<MenuItem>&, bool&) { return true; });
}

int Menu::GetMenuItemCount() const {
    return Access(-1, [](std::vector<MenuItem>& items, bool&) { return static_cast<int>(items.size()); });
}

int Menu::GetMenuItemID(int position) const {
    return Access(-1, [&](std::vector<MenuItem>& items, bool&) {
        if (position < 0 || position >= static_cast<int>(items.size())) return -1;
        const MenuItem& item = items[static_cast<size_t>(position)];
        return item.popup ? -1 : item.id;
    });
}

Text Menu::GetMenuString(unsigned item, unsigned flags) const {
    return Access(Text(), [&](std::vector<MenuItem>& items, bool&) {
        MenuItem* found = Locate(items, item, flags);
        return found ? found->text : Text();
    });
}

Menu Menu::GetSubMenu(int position) const {
    const bool popup = Access(false, [&](std::vector<MenuItem>& items, bool&) {
        return position >= 0 && position < static_cast<int>(items.size()) && items[static_cast<size_t>(position)].popup;
    });
    if (!popup) return Menu();
    std::vector<int> path = m_path;
    path.push_back(position);
    return Menu(m_core, m_which, std::move(path));
}

unsigned Menu::CheckMenuItem(unsigned item, unsigned flags) {
    return Access(kMenuItemMissing, [&](std::vector<MenuItem>& items, bool& changed) {
        MenuItem* found = Locate(items, item, flags);
        if (!found) return kMenuItemMissing;
        const unsigned previous = found->checked ? MF_CHECKED : MF_UNCHECKED;
        const bool checked = flags & MF_CHECKED;
        changed = found->checked != checked;
        found->checked = checked;
        return previous;
    });
}

unsigned Menu::EnableMenuItem(unsigned item, unsigned flags) {
    return Access(kMenuItemMissing, [&](std::vector<MenuItem>& items, bool& changed) {
        MenuItem* found = Locate(items, item, flags);
        if (!found) return kMenuItemMissing;
        const unsigned previous = StateOf(*found) & (MF_GRAYED | MF_DISABLED);
        const bool grayed = flags & MF_GRAYED;
        const bool enabled = !(flags & (MF_GRAYED | MF_DISABLED));
        changed = found->grayed != grayed || found->enabled != enabled;
        found->grayed = grayed;
        found->enabled = enabled;
        return previous;
    });
}

unsigned Menu::GetMenuState(unsigned item, unsigned flags) const {
    return Access(kMenuItemMissing, [&](std::vector<MenuItem>& items, bool&) {
        MenuItem* found = Locate(items, item, flags);
        return found ? StateOf(*found) : kMenuItemMissing;
    });
}

bool Menu::AppendMenu(unsigned flags, unsigned id, TextView text) {
    return Access(false, [&](std::vector<MenuItem>& items, bool& changed) {
        items.push_back(ItemFromFlags(flags, id, text));
        changed = true;
        return true;
    });
}

bool Menu::InsertMenu(unsigned item, unsigned flags, unsigned id, TextView text) {
    return Access(false, [&](std::vector<MenuItem>& items, bool& changed) {
        size_t at = items.size();
        if (flags & MF_BYPOSITION) {
            if (item != kMenuItemMissing) at = std::min<size_t>(item, items.size());
        } else {
            MenuItem* before = nullptr;
            for (size_t i = 0; i < items.size(); ++i) {
                if (!items[i].popup && static_cast<unsigned>(items[i].id) == item) {
                    before = &items[i];
                    at = i;
                    break;
                }
            }
            if (!before) return false;
        }
        items.insert(items.begin() + static_cast<long>(at), ItemFromFlags(flags & ~MF_BYPOSITION, id, text));
        changed = true;
        return true;
    });
}

Menu Menu::InsertPopup(int position, TextView title) {
    const int at = Access(-1, [&](std::vector<MenuItem>& items, bool& changed) {
        const int where = position < 0 || position > static_cast<int>(items.size()) ? static_cast<int>(items.size())
                                                                                    : position;
        MenuItem popup;
        popup.popup = true;
        popup.text = Text(title);
        items.insert(items.begin() + where, std::move(popup));
        changed = true;
        return where;
    });
    if (at < 0) return Menu();
    std::vector<int> path = m_path;
    path.push_back(at);
    return Menu(m_core, m_which, std::move(path));
}

bool Menu::ModifyMenuText(unsigned item, unsigned flags, TextView text) {
    return Access(false, [&](std::vector<MenuItem>& items, bool& changed) {
        MenuItem* found = Locate(items, item, flags);
        if (!found) return false;
        found->text = Text(text);
        changed = true;
        return true;
    });
}

bool Menu::DeleteMenu(unsigned item, unsigned flags) {
    return Access(false, [&](std::vector<MenuItem>& items, bool& changed) {
        if (flags & MF_BYPOSITION) {
            if (item >= items.size()) return false;
            items.erase(items.begin() + static_cast<long>(item));
            changed = true;
            return true;
        }
        // By command: the first item with the id, wherever it sits.
        std::function<bool(std::vector<MenuItem>&, int)> erase = [&](std::vector<MenuItem>& list, int depth) {
            if (depth > 32) return false;
            for (size_t i = 0; i < list.size(); ++i) {
                if (!list[i].popup && !list[i].separator && static_cast<unsigned>(list[i].id) == item) {
                    list.erase(list.begin() + static_cast<long>(i));
                    return true;
                }
                if (list[i].popup && erase(list[i].items, depth + 1)) return true;
            }
            return false;
        };
        changed = erase(items, 0);
        return changed;
    });
}

bool Menu::IsChecked(unsigned id) const {
    const unsigned state = GetMenuState(id, MF_BYCOMMAND);
    return state != kMenuItemMissing && (state & MF_CHECKED);
}

bool Menu::IsGrayed(unsigned id) const {
    const unsigned state = GetMenuState(id, MF_BYCOMMAND);
    return state != kMenuItemMissing && (state & MF_GRAYED);
}

bool Menu::IsEnabled(unsigned id) const {
    const unsigned state = GetMenuState(id, MF_BYCOMMAND);
    return state != kMenuItemMissing && !(state & (MF_GRAYED | MF_DISABLED));
}

}  // namespace fw
