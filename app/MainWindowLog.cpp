// The main window's reporting: the colour log, job status lines, progress bars, status panes and counters.
#include <ctime>

#include "app/MainWindow.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "framework/Ini.h"
#include "framework/Resources.h"

using fw::Text;

namespace {

fw::Color FromColorRef(uint32_t colour) {
    return fw::Rgb(static_cast<uint8_t>(colour & 0xFF), static_cast<uint8_t>((colour >> 8) & 0xFF),
                   static_cast<uint8_t>((colour >> 16) & 0xFF));
}

std::tm Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

Text ClockText() {
    const std::tm t = Now();
    return fw::Format(u"%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                      t.tm_sec);
}

constexpr int kPaneWidth = 125;

}  // namespace

void CQXDownloadToolDlg::AppendLog(Text text, uint32_t colour) {
    fw::Control log = GetDlgItem(IDC_LOG);
    const int before = log.GetLineCount();
    log.AppendText(text + u"\r\n", FromColorRef(colour), u"宋体", 220);
    log.LineScroll(log.GetLineCount() - before);
}

void CQXDownloadToolDlg::ReportStatus(ChannelSlot* channel, Text text, int kind) {
    if (!m_productionMode || !channel) {
        const uint32_t colour = kind == 1 ? 0x0ADC0A : kind == 2 ? 0x0A0ADC : 0;
        AppendLog(std::move(text), colour);
        return;
    }
    fw::Control icon = RowControl(channel->index, 4);
    icon.SetIcon(kind == 1 ? IDI_STATUS_PASS : kind == 2 ? IDI_STATUS_FAIL : IDI_STATUS_IDLE);
    icon.ShowWindow(fw::SW_SHOW);
    RowControl(channel->index, 1).SetWindowText(text);
}

void CQXDownloadToolDlg::CreateStatusBar() {
    m_statusBar = fw::Window::CreateStatusBar(0xE801);
    if (!m_statusBar.IsValid()) return;
    std::vector<fw::StatusPane> panes;
    for (int id = IDS_INDICATOR_NOTICE; id <= IDS_INDICATOR_TIME; ++id) {
        fw::StatusPane pane;
        pane.text = fw::LoadResourceString(id);
        pane.width = id == IDS_INDICATOR_NOTICE ? -1 : kPaneWidth;
        panes.push_back(pane);
    }
    // The notice names the years from 2020 to this one.
    Text notice = TranslateText(u"版权所有 © 2020-%Y Orvane Microelectronics");
    fw::Replace(notice, u"%Y", fw::Format(u"%d", Now().tm_year + 1900));
    panes[0].text = notice;
    m_statusBar.SetPanes(panes);
}

void CQXDownloadToolDlg::SetPaneText(int pane, const Text& text) {
    if (m_statusBar.IsValid()) m_statusBar.SetPaneText(pane, text);
}

void CQXDownloadToolDlg::UpdateCounters(int) {
    // Workers that end together report one after the other: the last to report has read every count raised before
    // it, so the panes and the file end with the final figures instead of whichever report came last.
    std::lock_guard report(m_counterReportMutex);
    int pass = 0;
    int fail = 0;
    {
        // Read under the workers' lock, so that the file never gets a count a worker is changing.
        fw::ScopedLock lock(g_csCounters);
        pass = g_passCount;
        fail = g_failCount;
    }
    const int total = pass + fail;
    WriteSysConfig(u"total", fw::Format(u"%d", total));
    const Text totalText = TranslateText(u"总数:") + fw::Format(u"%d", total);
    SendMessage(WM_STATUS_TOTAL, reinterpret_cast<fw::WParam>(&totalText), 0);
    WriteSysConfig(u"pass", fw::Format(u"%d", pass));
    const Text passText = TranslateText(u"成功:") + fw::Format(u"%d", pass);
    SendMessage(WM_STATUS_PASS, reinterpret_cast<fw::WParam>(&passText), 0);
    WriteSysConfig(u"fail", fw::Format(u"%d", fail));
    const Text failText = TranslateText(u"失败:") + fw::Format(u"%d", fail);
    SendMessage(WM_STATUS_FAIL, reinterpret_cast<fw::WParam>(&failText), 0);
}

fw::LResult CQXDownloadToolDlg::OnSetTotalPane(fw::WParam wParam, fw::LParam) {
    if (wParam) SetPaneText(1, *reinterpret_cast<const Text*>(wParam));
    return 0;
}

fw::LResult CQXDownloadToolDlg::OnSetPassPane(fw::WParam wParam, fw::LParam) {
    if (wParam) SetPaneText(2, *reinterpret_cast<const Text*>(wParam));
    return 0;
}

fw::LResult CQXDownloadToolDlg::OnSetFailPane(fw::WParam wParam, fw::LParam) {
    if (wParam) SetPaneText(3, *reinterpret_cast<const Text*>(wParam));
    return 0;
}

fw::LResult CQXDownloadToolDlg::OnProgressRange(fw::WParam wParam, fw::LParam lParam) {
    const auto* channel = reinterpret_cast<const ChannelSlot*>(lParam);
    fw::Control bar = m_productionMode && channel ? RowControl(channel->index, 2) : GetDlgItem(IDC_PROGRESS);
    bar.SetPos(0);
    bar.SetRange(0, static_cast<int>(wParam & 0xFFFF));
    bar.SetStep(1);
    return 0;
}

fw::LResult CQXDownloadToolDlg::OnProgressStep(fw::WParam wParam, fw::LParam lParam) {
    const auto* channel = reinterpret_cast<const ChannelSlot*>(lParam);
    fw::Control bar = m_productionMode && channel ? RowControl(channel->index, 2) : GetDlgItem(IDC_PROGRESS);
    // A full bar stays full instead of wrapping.
    if (bar.GetPos() != static_cast<int>(wParam)) bar.StepIt();
    return 0;
}

void CQXDownloadToolDlg::OnTimer(uintptr_t id) {
    if (id == TIMER_CLOCK) SetPaneText(4, ClockText());
    if ((id == TIMER_TOOL_UPDATE || id == TIMER_FIRMWARE_UPDATE) && m_updateService) m_updateService->OnTimer(id);
}

fw::LResult CQXDownloadToolDlg::OnStartUpdater(fw::WParam, fw::LParam) {
    if (m_updateService) m_updateService->StartUpdater();
    return 1;
}

void CQXDownloadToolDlg::OnBnClickedRecount() {
    {
        fw::ScopedLock lock(g_csCounters);
        g_passCount = 0;
        g_failCount = 0;
    }
    SetPaneText(1, TranslateText(u"总数:0"));
    SetPaneText(2, TranslateText(u"成功:0"));
    SetPaneText(3, TranslateText(u"失败:0"));
    for (const char16_t* key : {u"total", u"pass", u"fail"}) fw::DeletePrivateProfileKey(u"dlparam", key, m_sysConfigPath);
}

void CQXDownloadToolDlg::OnClearLog() {
    GetDlgItem(IDC_LOG).SetWindowText(u"");
}

void CQXDownloadToolDlg::OnBnClickedClear() {
    if (!m_productionMode) {
        GetDlgItem(IDC_LOG).SetWindowText(u"");
        GetDlgItem(IDC_PROGRESS).SetRange(0, 100);
        GetDlgItem(IDC_PROGRESS).SetPos(0);
        return;
    }
    for (int n = 0; n < kChannelCount; ++n) {
        RowControl(n, 1).SetWindowText(u"");
        RowControl(n, 4).ShowWindow(fw::SW_HIDE);
        RowControl(n, 2).SetRange(0, 100);
        RowControl(n, 2).SetPos(0);
    }
}
