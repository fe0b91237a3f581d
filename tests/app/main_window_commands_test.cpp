// Handlers that subsystems above app/ add for main-window commands run from the menu and from buttons; the
// window's own entries and the dialog defaults keep precedence.
#include <gtest/gtest.h>

#include "app/MainWindowCommands.h"
#include "tests/app/MainWindowFixture.h"

namespace {

class MainWindowCommands : public MainWindowFixture {};

TEST_F(MainWindowCommands, AnAddedHandlerRunsForItsCommandAndNoOther) {
    CQXDownloadToolDlg& w = Start();
    int erased = 0;
    CQXDownloadToolDlg* seen = nullptr;
    AddMainWindowCommand(ID_ERASE_SECTORS, [&](CQXDownloadToolDlg& target) {
        ++erased;
        seen = &target;
    });
    w.SendCommand(ID_ERASE_SECTORS);
    w.SendCommand(ID_CLEAR_LOG);
    EXPECT_EQ(erased, 1);
    EXPECT_EQ(seen, &w);
    ASSERT_NE(FindMainWindowCommand(ID_ERASE_SECTORS), nullptr);
    EXPECT_EQ(FindMainWindowCommand(ID_ERASE_SECTORS + 100000), nullptr);
    AddMainWindowCommand(ID_ERASE_SECTORS, nullptr);
    EXPECT_EQ(FindMainWindowCommand(ID_ERASE_SECTORS), nullptr);
}

TEST_F(MainWindowCommands, TheWindowsOwnEntryWinsOverAnAddedOne) {
    CQXDownloadToolDlg& w = Start();
    int added = 0;
    AddMainWindowCommand(ID_CLEAR_LOG, [&](CQXDownloadToolDlg&) { ++added; });
    w.AppendLog(u"line", 0);
    w.SendCommand(ID_CLEAR_LOG);
    EXPECT_EQ(added, 0);
    EXPECT_TRUE(w.GetDlgItemText(IDC_LOG).empty());
    AddMainWindowCommand(ID_CLEAR_LOG, nullptr);
}

}  // namespace
