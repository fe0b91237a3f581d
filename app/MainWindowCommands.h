// Commands of the main window whose handlers live in the subsystems above app/ (option bytes, chip and file
// tools, the offline downloader). Those subsystems build on app/, so the window cannot name their dialogs; each
// adds its handlers once at program start instead (RegisterProgramCommands in app/program/ calls them all), and
// the window runs a command's added handler when its own message map has no entry for it.
#pragma once

#include <functional>

class CQXDownloadToolDlg;

using MainWindowHandler = std::function<void(CQXDownloadToolDlg&)>;

// Adds or replaces the handler of a menu command or button id of the main window (an empty handler removes it).
// Call before windows run.
void AddMainWindowCommand(int id, MainWindowHandler handler);

// The added handler of `id`, nullptr when no subsystem added one.
const MainWindowHandler* FindMainWindowCommand(int id);
