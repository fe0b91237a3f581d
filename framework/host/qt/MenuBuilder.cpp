#include "framework/host/qt/MenuBuilder.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "framework/host/qt/QtText.h"

namespace fw::qt {
namespace {

template <typename Container>
void Fill(Container& container, const std::vector<MenuItem>& items, const CommandCallback& onCommand) {
    for (const MenuItem& item : items) {
        if (item.separator) {
            container.addSeparator();
        } else if (item.popup) {
            QMenu* popup = container.addMenu(ToQString(item.text));
            popup->setEnabled(item.enabled && !item.grayed);
            FillMenu(*popup, item.items, onCommand);
        } else {
            QAction* action = container.addAction(ToQString(item.text));
            action->setCheckable(item.checked);
            action->setChecked(item.checked);
            action->setEnabled(item.enabled && !item.grayed);
            const int id = item.id;
            QObject::connect(action, &QAction::triggered, action, [onCommand, id] { onCommand(id); });
        }
    }
}

// A rebuild can happen while one of the old actions is still delivering its triggered signal (its handler opened
// a modal dialog, whose loop redraws the menu), so the old actions and popups go away only later.
void RemoveLater(QWidget& container) {
    for (QAction* action : container.actions()) {
        container.removeAction(action);
        if (QMenu* popup = action->menu()) {
            popup->deleteLater();
        } else if (action->parent() == &container) {
            action->deleteLater();
        }
    }
}

}  // namespace

void FillMenu(QMenu& menu, const std::vector<MenuItem>& items, const CommandCallback& onCommand) {
    RemoveLater(menu);
    Fill(menu, items, onCommand);
}

void FillMenuBar(QMenuBar& bar, const std::vector<MenuItem>& items, const CommandCallback& onCommand) {
    RemoveLater(bar);
    Fill(bar, items, onCommand);
}

}  // namespace fw::qt
