// The example dialog fixture: one control of every kind, a menu, a nested modal dialog and a tab page, written
// the way the program's dialogs are. Tests of the model and of both hosts drive it; its handlers note what they
// did in m_events.
#pragma once

#include <vector>

#include "framework/Dialog.h"
#include "tests/framework/example/example_resource.h"

inline constexpr unsigned WM_EXAMPLE_STEP = fw::WM_USER + 100;
inline constexpr unsigned IDM_ABOUT_EXAMPLE = 0x0010;
inline constexpr uintptr_t kTickTimer = 7;

class CExamplePage : public fw::Dialog {
public:
    CExamplePage() : fw::Dialog(IDD_EXAMPLE_PAGE) {}
    std::vector<fw::Text> m_events;

private:
    void OnBnClickedPageCheck();
    static const fw::MessageMap<CExamplePage> kMessages;
};

class CExampleChildDlg : public fw::Dialog {
public:
    CExampleChildDlg(fw::Window* owner, int depth) : fw::Dialog(IDD_EXAMPLE_CHILD, owner), m_depth(depth) {}
    fw::Text m_value;
    int m_depth;
    int m_answer = 0;

protected:
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedAsk();
    void OnBnClickedNest();
    static const fw::MessageMap<CExampleChildDlg> kMessages;
};

class CExampleDlg : public fw::Dialog {
public:
    explicit CExampleDlg(fw::Window* owner = nullptr) : fw::Dialog(IDD_EXAMPLE, owner) {}

    // Exchanged with the controls.
    fw::Text m_name = u"示例";
    int m_count = 3;
    unsigned m_address = 4096;
    fw::Text m_password;
    bool m_enabled = true;
    int m_mode = 1;
    int m_speed = 2;
    int m_level = 30;
    fw::Text m_childValue = u"初始";

    fw::Control m_log;
    fw::Control m_progress;
    fw::Control m_status;
    CExamplePage m_page;
    std::vector<fw::Text> m_events;
    int m_timerTicks = 0;
    bool m_watchDevices = false;  // register for USB and serial-port events at initialisation
    bool m_devicesWatched = false;

    void AppendLog(fw::TextView text, fw::Color color);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;

private:
    void OnBnClickedApply();
    void OnBnClickedOpenChild();
    void OnBnClickedBrowse();
    void OnBnClickedAsk();
    void OnBnClickedStartTimer();
    void OnCbnSelchangeSpeed();
    void OnTcnSelchangePages();
    void OnLevelScroll(const fw::NotifyInfo& info);
    void OnChipsItemChanged(const fw::NotifyInfo& info);
    void OnFilesDoubleClick(const fw::NotifyInfo& info);
    void OnEnChangeCount();
    void OnOptionVerbose();
    void OnOptionExpert();
    void OnFileExit();
    void OnHelpAbout();
    void OnTimer(uintptr_t id);
    void OnSysCommand(unsigned command, fw::LParam lParam);
    void OnClose();
    fw::LResult OnExampleStep(fw::WParam wParam, fw::LParam lParam);
    bool OnDeviceChange(unsigned event, const fw::DeviceChange& change);

    static const fw::MessageMap<CExampleDlg> kMessages;
};
