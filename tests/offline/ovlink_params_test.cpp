// The parameter page against the simulated downloader: what it reads into its controls, what scrolling stores,
// what "Save parameters" and the lists send, and what a failure or a missing selection leaves.
#include "linksim/ParameterState.h"
#include "tests/offline/LinkFixture.h"

namespace {

class ParameterPage : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        StartConnected();
    }
    linksim::ParameterState& Device() { return downloader->State<linksim::ParameterState>(); }
    // The request frames of one command that reached the downloader since the last clear.
    std::vector<std::vector<uint8_t>> FramesOf(uint8_t command) {
        std::vector<std::vector<uint8_t>> found;
        for (auto& f : downloader->ReceivedFrames()) {
            if (f.size() > 1 && f[1] == command) found.push_back(f);
        }
        return found;
    }
};

// Payload of a request frame (between the length byte and the check byte).
std::vector<uint8_t> PayloadOf(const std::vector<uint8_t>& frame) { return {frame.begin() + 6, frame.end() - 1}; }

}  // namespace

TEST_F(ParameterPage, ReadsEveryParameterIntoItsControl) {
    linksim::LinkParameters& p = Device().working;
    p.supply = {2, 3000};
    p.start = {1, 240};
    p.busy = {0, 60};
    p.pass = {1, 880};
    p.error = {0, 1000};
    p.swdSpeed = 5;
    p.buzzer = 2;
    p.baudRate = 921600;
    p.resetMode = 1;
    OnParameterPage([](COVLinkCfgDlg& page) {
        struct Row {
            int list;
            int selection;
            fw::Text text;
        };
        const Row lists[] = {
            {IDC_OVPARAM_VOLTAGE, 2, u"5V"},
            {IDC_OVPARAM_START_LEVEL, 1, u"高电平有效"},
            {IDC_OVPARAM_BUSY_LEVEL, 0, u"低电平有效"},
            {IDC_OVPARAM_PASS_LEVEL, 1, u"高电平有效"},
            {IDC_OVPARAM_ERROR_LEVEL, 0, u"低电平有效"},
            {IDC_OVPARAM_SWD_SPEED, 5, u"5M HZ"},
            {IDC_OVPARAM_BUZZER, 2, u"仅下载失败开启"},
            {IDC_OVPARAM_BAUD_RATE, 11, u"921600"},
            {IDC_OVPARAM_RESET_MODE, 1, u"硬件管脚复位"},
        };
        for (const Row& row : lists) {
            SCOPED_TRACE(row.list);
            EXPECT_EQ(page.GetDlgItem(row.list).GetCurSel(), row.selection);
            EXPECT_EQ(page.GetDlgItem(row.list).GetWindowText(), row.text);
        }
        const std::pair<int, fw::Text> labels[] = {{IDC_OVPARAM_POWER_OFF_TEXT, u"3000"},
                                                   {IDC_OVPARAM_START_MS, u"240"},
                                                   {IDC_OVPARAM_BUSY_MS, u"60"},
                                                   {IDC_OVPARAM_PASS_MS, u"880"},
                                                   {IDC_OVPARAM_ERROR_MS, u"1000"}};
        for (const auto& [id, text] : labels)
            EXPECT_EQ(page.GetDlgItemText(id), text) << id;
        EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_POWER_OFF_SLIDER).GetPos(), 3000);
        EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_PASS_SLIDER).GetPos(), 880);
    });
    EXPECT_TRUE(host.LogLines().empty());
}

TEST_F(ParameterPage, EveryParameterChangedIsWrittenSavedAndReadBack) {
    host.ExpectBox(u"保存配置成功！", fw::IDOK);
    OnParameterPage([](COVLinkCfgDlg& page) {
        page.Select(IDC_OVPARAM_VOLTAGE, 2);
        page.Select(IDC_OVPARAM_START_LEVEL, 1);
        page.Select(IDC_OVPARAM_BUSY_LEVEL, 0);
        page.Select(IDC_OVPARAM_PASS_LEVEL, 1);
        page.Select(IDC_OVPARAM_ERROR_LEVEL, 1);
        page.MoveSlider(IDC_OVPARAM_POWER_OFF_SLIDER, 4321);
        page.MoveSlider(IDC_OVPARAM_START_SLIDER, 997);
        page.MoveSlider(IDC_OVPARAM_BUSY_SLIDER, 40);
        page.MoveSlider(IDC_OVPARAM_PASS_SLIDER, 0);
        page.MoveSlider(IDC_OVPARAM_ERROR_SLIDER, 1000);
        page.Select(IDC_OVPARAM_SWD_SPEED, 0);
        page.Select(IDC_OVPARAM_BUZZER, 0);
        page.Select(IDC_OVPARAM_BAUD_RATE, 20);
        page.Select(IDC_OVPARAM_RESET_MODE, 1);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_START_MS), u"980");
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_POWER_OFF_TEXT), u"4320");
        EXPECT_TRUE(page.Click(IDC_OVPARAM_SAVE));
    });
    const linksim::LinkParameters expected{{2, 4320}, {1, 980}, {0, 40}, {1, 0}, {1, 1000}, 0, 0, 4500000, 1};
    EXPECT_EQ(Device().saved, expected);
    EXPECT_EQ(Device().saves, 1);
    // 980 ms goes out as 000003D4 after the level byte.
    ASSERT_EQ(FramesOf(0x06).size(), 2u);  // the read when the page opened, then the write
    EXPECT_EQ(PayloadOf(FramesOf(0x06)[1]), (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x03, 0xD4}));

    // Unplugged and plugged in again, the downloader starts from what was saved; the page shows it.
    linksim::Unplug(downloader->Path());
    host.PumpUntilIdle();
    linksim::Replug(downloader);
    host.PumpUntilIdle();
    ASSERT_TRUE(ConnectLink());
    OnParameterPage([](COVLinkCfgDlg& page) {
        EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_BAUD_RATE).GetWindowText(), u"4500000");
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_START_MS), u"980");
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_POWER_OFF_TEXT), u"4320");
        EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_RESET_MODE).GetCurSel(), 1);
    });
}

TEST_F(ParameterPage, PowerOffTimeAboveFiveSecondsIsUnlimited) {
    struct Row {
        int slider;
        fw::Text shown;
        uint32_t sent;
    };
    const Row rows[] = {{5020, u"无限制", 5020}, {5000, u"5000", 5000}, {5019, u"5000", 5000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.slider);
        downloader->ClearReceivedFrames();
        host.ExpectBox(u"保存配置成功！", fw::IDOK);
        OnParameterPage([&](COVLinkCfgDlg& page) {
            page.MoveSlider(IDC_OVPARAM_POWER_OFF_SLIDER, row.slider);
            EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_POWER_OFF_TEXT), row.shown);
            page.Click(IDC_OVPARAM_SAVE);
        });
        EXPECT_EQ(Device().saved.supply.timeMs, row.sent);
    }
}

TEST_F(ParameterPage, ValuesOutsideTheControlsAreKeptAsRead) {
    // 6000 ms holds the slider at its end and shows "无限制", and a save sends 6000 back unchanged; a rate the
    // list lacks shows 115200, and choosing an entry sends that entry's value.
    Device().working.supply = {1, 6000};
    Device().working.baudRate = 123456;
    host.ExpectBox(u"保存配置成功！", fw::IDOK);
    OnParameterPage([](COVLinkCfgDlg& page) {
        EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_POWER_OFF_SLIDER).GetPos(), 5020);
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_POWER_OFF_TEXT), u"无限制");
        EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_BAUD_RATE).GetWindowText(), u"115200");
        page.Click(IDC_OVPARAM_SAVE);
        page.Select(IDC_OVPARAM_BAUD_RATE, 2);
    });
    EXPECT_EQ(Device().saved.supply.timeMs, 6000u);
    EXPECT_EQ(Device().saved.baudRate, 9600u);
}

TEST_F(ParameterPage, AFailedReadStopsWhereItFailed) {
    Device().working.swdSpeed = 4;
    Device().working.supply = {2, 100};
    Device().working.start = {1, 300};
    downloader->ForceStatus(0x07, 1);
    host.ExpectBox(u"参数未选择，无法保存！", fw::IDOK);
    OnParameterPage([](COVLinkCfgDlg& page) {
        EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_SWD_SPEED).GetCurSel(), 4);
        EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_VOLTAGE).GetCurSel(), 2);
        EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_START_LEVEL).GetCurSel(), 1);
        for (int list : {IDC_OVPARAM_BUSY_LEVEL, IDC_OVPARAM_PASS_LEVEL, IDC_OVPARAM_BUZZER, IDC_OVPARAM_BAUD_RATE}) {
            EXPECT_EQ(page.GetDlgItem(list).GetCurSel(), -1) << list;
        }
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_START_MS), u"0");
        EXPECT_EQ(page.GetDlgItemText(IDC_OVPARAM_POWER_OFF_TEXT), u"0");
        // Nothing is sent for a list without a selection.
        page.Click(IDC_OVPARAM_SAVE);
    });
    EXPECT_TRUE(LogHas(u"指令错误！"));
    EXPECT_TRUE(FramesOf(0x0D).empty());
    EXPECT_EQ(FramesOf(0x05).size(), 1u);  // the read only
}

TEST_F(ParameterPage, AFailedWriteStopsTheSave) {
    OnParameterPage([this](COVLinkCfgDlg& page) {
        downloader->ClearReceivedFrames();
        downloader->ForceStatus(0x07, 5);
        page.Click(IDC_OVPARAM_SAVE);
    });
    EXPECT_TRUE(LogHas(u"保存参数出错！"));
    EXPECT_EQ(FramesOf(0x06).size(), 1u);
    EXPECT_TRUE(FramesOf(0x08).empty());
    EXPECT_TRUE(FramesOf(0x0D).empty());
    EXPECT_EQ(Device().saves, 0);
}

TEST_F(ParameterPage, ResetPutsTheFactoryParametersBack) {
    Device().working.buzzer = 0;
    Device().saved.buzzer = 0;
    host.ExpectBox(u"复位设备参数成功！", fw::IDOK);
    OnParameterPage([](COVLinkCfgDlg& page) { page.Click(IDC_OVPARAM_RESET); });
    EXPECT_EQ(Device().saved, linksim::LinkParameters{});
}

TEST_F(ParameterPage, LostLinkRefusesEveryRequest) {
    OnParameterPage([this](COVLinkCfgDlg& page) {
        window->m_connected = 0;  // the window noticed the downloader go while the page was open
        downloader->ClearReceivedFrames();
        host.ExpectBox(u"设备没有连接！", fw::IDOK);
        page.Click(IDC_OVPARAM_SAVE);
        host.ExpectBox(u"设备没有连接！", fw::IDOK);
        page.Select(IDC_OVPARAM_BUZZER, 0);
        EXPECT_EQ(page.GetDlgItem(IDC_OVPARAM_BUZZER).GetCurSel(), -1);
        host.ExpectBox(u"设备没有连接！", fw::IDOK);
        page.Click(IDC_OVPARAM_RESET);
    });
    EXPECT_TRUE(downloader->ReceivedFrames().empty());
}

TEST_F(ParameterPage, WithoutAConnectionThePageIsDisabled) {
    window->Click(IDC_BTN_CONNECT);  // disconnect
    downloader->ClearReceivedFrames();
    OnParameterPage([](COVLinkCfgDlg& page) {
        EXPECT_FALSE(page.IsWindowEnabled());
        for (int id : {IDC_OVPARAM_SAVE, IDC_OVPARAM_RESET, IDC_OVPARAM_MODIFY_KEY, IDC_OVPARAM_MODIFY_LIMIT,
                       IDC_OVPARAM_QUERY_LIMIT, IDC_OVPARAM_RESTORE}) {
            EXPECT_FALSE(page.GetDlgItem(id).IsWindowEnabled()) << id;
        }
        EXPECT_FALSE(page.Click(IDC_OVPARAM_SAVE));
    });
    EXPECT_TRUE(downloader->ReceivedFrames().empty());
}

TEST_F(ParameterPage, EveryFailedWriteIsReportedAndNeverTakenForSuccess) {
    struct Row {
        const char* name;
        uint8_t command;
        std::function<void(COVLinkCfgDlg&)> act;
    };
    const Row rows[] = {
        {"save command", 0x0D, [](COVLinkCfgDlg& p) { p.Click(IDC_OVPARAM_SAVE); }},
        {"reset", 0x0F, [](COVLinkCfgDlg& p) { p.Click(IDC_OVPARAM_RESET); }},
        {"SWD speed", 0x04, [](COVLinkCfgDlg& p) { p.Select(IDC_OVPARAM_SWD_SPEED, 1); }},
        {"buzzer", 0x0A, [](COVLinkCfgDlg& p) { p.Select(IDC_OVPARAM_BUZZER, 0); }},
        {"baud rate", 0x0B, [](COVLinkCfgDlg& p) { p.Select(IDC_OVPARAM_BAUD_RATE, 3); }},
        {"reset mode", 0x0C, [](COVLinkCfgDlg& p) { p.Select(IDC_OVPARAM_RESET_MODE, 1); }},
    };
    const linksim::ParameterState before = Device();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        host.ClearRecords();
        OnParameterPage([&](COVLinkCfgDlg& page) {
            downloader->ForceStatus(row.command, 5);
            row.act(page);
        });
        EXPECT_TRUE(LogHas(u"保存参数出错！"));
        EXPECT_TRUE(host.Boxes().empty());
    }
    EXPECT_EQ(Device().saved, before.saved);
    EXPECT_EQ(Device().saves, 0);
}

// A write whose reply came after its wait, then the same setting written again and refused: the two replies echo the
// same bytes, so only the refusal may answer the second write. The user is shown the refusal, never a success, and
// the downloader keeps what the first write left.
TEST_F(ParameterPage, ARefusalAfterALateReplyOfTheSameWriteIsShown) {
    struct Row {
        const char* name;
        int list;
        uint8_t command;
        // Written by "Save parameters" (the supply is its first write; choosing a level sends nothing), else by
        // choosing in the list.
        bool bySave;
        int first, second;
        std::function<int(const linksim::LinkParameters&)> held;
    };
    const Row rows[] = {
        {"supply voltage", IDC_OVPARAM_VOLTAGE, 0x05, true, 2, 0,
         [](const linksim::LinkParameters& p) { return p.supply.level; }},
        {"buzzer", IDC_OVPARAM_BUZZER, 0x0A, false, 0, 2, [](const linksim::LinkParameters& p) { return p.buzzer; }},
        {"SWD speed", IDC_OVPARAM_SWD_SPEED, 0x04, false, 0, 5,
         [](const linksim::LinkParameters& p) { return p.swdSpeed; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OnParameterPage([&](COVLinkCfgDlg& page) {
            const auto write = [&](int index) {
                page.Select(row.list, index);
                if (row.bySave) page.Click(IDC_OVPARAM_SAVE);
            };
            downloader->HoldNextReply();
            write(row.first);
            host.ClearRecords();
            downloader->ForceStatus(row.command, linksim::kStatusSaveError);
            write(row.second);
        });
        EXPECT_TRUE(host.Boxes().empty()) << fw::TextToUtf8(host.Boxes().front().text);
        EXPECT_TRUE(LogHas(u"保存参数出错！"));
        EXPECT_EQ(row.held(Device().working), row.first);
        EXPECT_EQ(Device().saves, 0);
    }
}
