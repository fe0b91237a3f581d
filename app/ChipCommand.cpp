#include "app/ChipCommand.h"

#include "app/ChipSeries.h"
#include "app/MainWindow.h"
#include "core/StatusText.h"
#include "core/Translation.h"

ChipCommand::ChipCommand(CQXDownloadToolDlg& window, InterfaceSet mutexInterfaces, InterfaceSet unreadableInterfaces)
    : m_window(window), m_mutexInterfaces(mutexInterfaces), m_unreadableInterfaces(unreadableInterfaces) {}

bool ChipCommand::Begin() {
    if (!Connected() || !ChipReadable()) return false;
    LockDevice();
    return true;
}

bool ChipCommand::Connected() {
    if (m_window.m_connected) return true;
    m_window.m_msgBox.MessageBox(&m_window, TranslateText(u"请先连接设备！"), fw::MB_OK);
    return false;
}

bool ChipCommand::ChipReadable() {
    if (g_channels[0].rdpLevel != 0xFF || !InInterfaceSet(m_unreadableInterfaces, m_window.m_interface)) return true;
    Red(TranslateText(u"获取芯片信息失败！\n芯片有可能处于读保护状态！\n请尝试解除读保护，再重新连接！"));
    return false;
}

void ChipCommand::LockDevice() {
    if (!m_mutex) m_mutex.emplace(InInterfaceSet(m_mutexInterfaces, m_window.m_interface));
}

bool ChipCommand::Ask(fw::Text question) {
    return m_window.m_msgBox.MessageBox(&m_window, std::move(question), fw::MB_YESNO | fw::MB_ICONQUESTION) ==
           fw::IDYES;
}

bool ChipCommandLiftsProtection(uint8_t series, InterfaceIndex iface) {
    return !IsOneOf(series, {5, 8, 9, 10, 11}) || iface == kIfaceSwdCmsisDap;
}

bool ChipCommand::LiftProtection() {
    if (!ChipCommandLiftsProtection(m_window.m_chipSeries, m_window.m_interface)) return true;
    return m_window.LiftProtection(nullptr) != 0;
}

bool ReportStatus(CQXDownloadToolDlg& window, StatusCode status, fw::Text failureLine) {
    if (status == CMD_STATUS_OK) return true;
    window.AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
    if (!failureLine.empty()) window.AppendLog(std::move(failureLine), kLogRed);
    return false;
}

bool ChipCommand::Succeeded(StatusCode status, fw::Text failureLine) {
    return ReportStatus(m_window, status, std::move(failureLine));
}

void ChipCommand::Red(fw::Text line) { m_window.AppendLog(std::move(line), kLogRed); }
void ChipCommand::Black(fw::Text line) { m_window.AppendLog(std::move(line), kLogBlack); }
void ChipCommand::Green(fw::Text line) { m_window.AppendLog(std::move(line), kLogGreen); }
