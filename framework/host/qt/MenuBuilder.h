// Menus of the model drawn as Qt menus; choosing an item calls back with its command id.
#pragma once

#include <functional>
#include <vector>

#include "framework/Host.h"

class QMenu;
class QMenuBar;

namespace fw::qt {

using CommandCallback = std::function<void(int commandId)>;

// Rebuilds the bar from the model's items: popups become menus, items actions (checked, greyed), separators
// separators. "&" marks mnemonics as on the platform; text after "\t" is shown as the shortcut column.
void FillMenuBar(QMenuBar& bar, const std::vector<MenuItem>& items, const CommandCallback& onCommand);
void FillMenu(QMenu& menu, const std::vector<MenuItem>& items, const CommandCallback& onCommand);

}  // namespace fw::qt
