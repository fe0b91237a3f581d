// A menu item or button the window offers must reach a handler: one that reaches none would do nothing when
// chosen. Subsystems add handlers all along, so the window greys whatever has none, in every state it reaches.
#include <gtest/gtest.h>

#include <string>
#include <typeindex>
#include <vector>

#include "app/MainWindowCommands.h"
#include "app/MenuRules.h"
#include "app/program/ProgramCommands.h"
#include "tests/app/MainWindowFixture.h"

namespace {

// What the window does with a command: its message map first, then the handlers the subsystems added.
bool ReachesHandler(int id) {
    if (id == fw::IDOK || id == fw::IDCANCEL) return true;
    fw::Event command;
    command.type = fw::Event::Type::Command;
    command.message = fw::WM_COMMAND;
    command.id = id;
    const fw::MessageMapBase* map = fw::MessageMapBase::ForType(typeid(CQXDownloadToolDlg));
    return (map && map->Find(command)) || FindMainWindowCommand(id) != nullptr;
}

void EnabledItems(fw::Menu popup, std::vector<int>& out) {
    for (int i = 0; i < popup.GetMenuItemCount(); ++i) {
        const int id = popup.GetMenuItemID(i);
        if (id == -1) {
            EnabledItems(popup.GetSubMenu(i), out);
        } else if (id > 0 && popup.GetMenuState(static_cast<unsigned>(i), fw::MF_BYPOSITION) == fw::MF_ENABLED) {
            out.push_back(id);
        }
    }
}

class OfferedCommands : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        RegisterProgramCommands();
    }

    // Every enabled menu item and every visible, enabled push button reaches a handler.
    void ExpectNothingOfferedWithoutHandler(const char* state) {
        SCOPED_TRACE(state);
        std::vector<int> items;
        EnabledItems(window->GetMenu(), items);
        for (int id : items)
            EXPECT_TRUE(ReachesHandler(id)) << "menu item " << id;
        for (const fw::ControlState& c : window->Controls()) {
            if (c.kind != fw::ControlKind::PushButton || !c.visible || !c.enabled) continue;
            EXPECT_TRUE(ReachesHandler(c.id)) << "button " << c.id;
        }
    }

    bool Idle() const {
        fw::ScopedLock lock(g_csCounters);
        return g_activeWorkers == 0 && g_channels[0].worker.load() == nullptr;
    }
};

TEST_F(OfferedCommands, EveryStateOffersOnlyHandledCommands) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(10));
    CQXDownloadToolDlg& w = Start();
    ExpectNothingOfferedWithoutHandler("start");
    for (int iface = 0; iface <= 5; ++iface) {
        w.Select(IDC_COMBO_INTERFACE, iface);
        ExpectNothingOfferedWithoutHandler(("interface " + std::to_string(iface)).c_str());
    }
    w.Select(IDC_COMBO_INTERFACE, 0);
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_chipSeries, 10);
    ExpectNothingOfferedWithoutHandler("security chip over USART");
    w.UpdateMenuState(0);
    ExpectNothingOfferedWithoutHandler("job running");
    w.Click(IDC_BTN_CONNECT);

    ovsim::Reset();
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    w.RefreshDeviceList();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    dir.Write("app.bin", std::string(0x400, '\x5A'));
    host.ExpectOpenFile(dir.Wide("app.bin"));
    w.Click(IDC_BTN_BROWSE);
    ASSERT_TRUE(w.Click(IDC_BTN_DOWNLOAD));
    ASSERT_TRUE(host.PumpUntil([&] { return Idle(); }, std::chrono::seconds(30)));
    ASSERT_TRUE(LogHas(u"程序下载完成！"));
    ExpectNothingOfferedWithoutHandler("after a job");
}

// Handlers are added before windows run; the tests add theirs before Start and take them away at the end.
class OfferedCommandsWithAddedHandlers : public OfferedCommands {
protected:
    static constexpr int kAdded[] = {ID_ERASE_ALL_FLASH, ID_ERASE_SECTORS, ID_MAKE_DOWNLOAD_PROJECT_FILES, ID_TEST_MODE,
                                     IDC_BTN_HIDE};
    void SetUp() override {
        OfferedCommands::SetUp();
        for (int id : kAdded)
            AddMainWindowCommand(id, [](CQXDownloadToolDlg&) {});
    }
    void TearDown() override {
        for (int id : kAdded)
            AddMainWindowCommand(id, nullptr);
        RegisterProgramCommands();
        OfferedCommands::TearDown();
    }

    // Each item a rule names is enabled exactly when the rule enables it and it reaches a handler.
    void ExpectRulesAmongHandled(InterfaceIndex iface) {
        SCOPED_TRACE(testing::Message() << "interface " << int(iface));
        MenuContext ctx;
        ctx.series = window->m_chipSeries;
        ctx.iface = iface;
        ctx.bootSubVersionIsV10 = window->m_bootSubVersionText == u"V1.0";
        fw::Menu menu = window->GetMenu();
        for (const auto& [id, enabled] : ComputeMenuStates(ctx).items) {
            EXPECT_EQ(menu.IsEnabled(static_cast<unsigned>(id)), enabled && ReachesHandler(id)) << "item " << id;
        }
    }
};

TEST_F(OfferedCommandsWithAddedHandlers, TheRulesDecideAmongHandledCommands) {
    ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Chip(0));
    CQXDownloadToolDlg& w = Start();
    fw::Menu menu = w.GetMenu();
    w.Click(IDC_BTN_CONNECT);
    ASSERT_EQ(w.m_connected, 1);
    ExpectRulesAmongHandled(kIfaceUsart);
    EXPECT_TRUE(menu.IsEnabled(ID_ERASE_ALL_FLASH));
    EXPECT_TRUE(menu.IsEnabled(ID_ERASE_SECTORS));
    EXPECT_TRUE(w.GetDlgItem(IDC_BTN_HIDE).IsWindowEnabled());
    EXPECT_TRUE(menu.IsEnabled(ID_MAKE_DOWNLOAD_PROJECT_FILES));
    // What the rules keep grey stays grey with a handler.
    EXPECT_TRUE(menu.IsGrayed(ID_TEST_MODE));
    w.Click(IDC_BTN_CONNECT);

    w.Select(IDC_COMBO_INTERFACE, kIfaceSwdJlink);
    ExpectRulesAmongHandled(kIfaceSwdJlink);
    EXPECT_TRUE(menu.IsGrayed(ID_ERASE_ALL_FLASH));

    // Without the added handlers the next refresh takes back what nothing else handles.
    for (int id : kAdded)
        AddMainWindowCommand(id, nullptr);
    RegisterProgramCommands();
    w.Select(IDC_COMBO_INTERFACE, kIfaceUsart);
    ExpectRulesAmongHandled(kIfaceUsart);
    EXPECT_EQ(w.GetDlgItem(IDC_BTN_HIDE).IsWindowEnabled(), ReachesHandler(IDC_BTN_HIDE));
}

}  // namespace
