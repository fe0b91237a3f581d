// A menu of a window (its menu bar, a popup in it, or the extra items of its system menu), by value. Items are
// found by command id (searching popups too) or by position, as the flags say. Safe from any thread.
#pragma once

#include <memory>
#include <vector>

#include "framework/Host.h"
#include "framework/Text.h"

namespace fw {

struct WindowCore;

inline constexpr unsigned MF_BYCOMMAND = 0x0000;
inline constexpr unsigned MF_BYPOSITION = 0x0400;
inline constexpr unsigned MF_STRING = 0x0000;
inline constexpr unsigned MF_ENABLED = 0x0000;
inline constexpr unsigned MF_UNCHECKED = 0x0000;
inline constexpr unsigned kMenuItemMissing = 0xFFFFFFFF;

class Menu {
public:
    enum class Which { Bar, System };

    Menu() = default;
    Menu(std::shared_ptr<WindowCore> core, Which which, std::vector<int> path)
        : m_core(std::move(core)), m_which(which), m_path(std::move(path)) {}

    bool IsValid() const;
    int GetMenuItemCount() const;                 // -1 when the menu is gone
    int GetMenuItemID(int position) const;        // 0 separator, -1 popup or no item
    Text GetMenuString(unsigned item, unsigned flags) const;
    Menu GetSubMenu(int position) const;          // invalid when the item is no popup

    // Answer the previous state (MF_CHECKED / MF_UNCHECKED, MF_GRAYED / MF_DISABLED / MF_ENABLED), or
    // kMenuItemMissing.
    unsigned CheckMenuItem(unsigned item, unsigned flags);
    unsigned EnableMenuItem(unsigned item, unsigned flags);
    unsigned GetMenuState(unsigned item, unsigned flags) const;

    // MF_STRING, MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_CHECKED.
    bool AppendMenu(unsigned flags, unsigned id = 0, TextView text = {});
    bool InsertMenu(unsigned item, unsigned flags, unsigned id = 0, TextView text = {});
    // A new empty popup at `position` (-1 appends); fill it through the answer.
    Menu InsertPopup(int position, TextView title);
    bool ModifyMenuText(unsigned item, unsigned flags, TextView text);
    bool DeleteMenu(unsigned item, unsigned flags);

    // For tests and for whoever reads state by command id.
    bool Exists(unsigned id) const { return GetMenuState(id, MF_BYCOMMAND) != kMenuItemMissing; }
    bool IsChecked(unsigned id) const;
    bool IsGrayed(unsigned id) const;
    bool IsEnabled(unsigned id) const;

private:
    template <class R, class F>
    R Access(R fallback, F f) const;

    std::shared_ptr<WindowCore> m_core;
    Which m_which = Which::Bar;
    std::vector<int> m_path;  // positions from the top menu to this popup
};

// Menu items of a MENU resource, as the model keeps them.
std::vector<MenuItem> MenuItemsFromTemplate(const std::vector<MenuItemTemplate>& items);

}  // namespace fw
