// The main window's device list, connection, and the monitor that reconnects a lost chip.
#include "app/DeviceMutexScope.h"
#include "app/DeviceNames.h"
#include "app/MainWindow.h"
#include "core/HexText.h"
#include "core/LinkUsbIds.h"
#include "core/OptionLayouts.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "framework/Ini.h"
#include "framework/UiThread.h"

using fw::Text;

namespace {

constexpr int kConnectionControls[] = {IDC_COMBO_DEVICE, IDC_COMBO_SPEED, IDC_COMBO_INTERFACE, IDC_EDIT_VID,
                                       IDC_EDIT_PID};

}  // namespace

void CQXDownloadToolDlg::RefreshDeviceList() {
    m_interface = SelectedInterface();
    // The channels are the monitor's too: the library must not see this disconnect and a command of the monitor on
    // one device at once, nor the monitor a half-rebuilt channel.
    DeviceMutexScope mutex(true);
    for (ChannelSlot& slot : g_channels) {
        if (slot.connected) {
            OV_CMD_DISCONNECT_DEV(&slot.handle);
            slot.connected = 0;
        }
        slot.present = 0;
    }
    m_connected = 0;
    m_hDevice = 0;

    std::vector<char16_t> buffer(0x400, u'\0');
    const unsigned count = OV_CMD_ENUM_DEV(m_interface, buffer.data(), static_cast<uint32_t>(buffer.size()));
    const std::vector<Text> names = SplitDeviceNames(fw::TextView(buffer.data(), buffer.size()), count);

    if (!m_productionMode) {
        if (m_interface != kIfaceSwdJlink && m_interface != kIfaceOfflineLink) {
            fw::Control combo = GetDlgItem(IDC_COMBO_DEVICE);
            combo.ResetContent();
            for (const Text& name : names) combo.AddString(name);
            combo.SetCurSel(0);
        }
        if (count != 0) {
            g_channels[0].handle = 0;
            g_channels[0].present = 1;
        }
        return;
    }
    for (int n = 0; n < kChannelCount; ++n) {
        RowControl(n, 1).SetWindowText(u"");
        RowControl(n, 0).SetWindowText(fw::Format(u"%d--", n + 1) + TranslateText(u"未连接设备"));
        RowControl(n, 2).SetRange(0, 100);
        RowControl(n, 2).SetPos(0);
        RowControl(n, 4).ShowWindow(fw::SW_HIDE);
        g_channels[n].present = 0;
    }
    for (size_t n = 0; n < names.size() && n < static_cast<size_t>(kChannelCount); ++n) {
        ChannelSlot& slot = g_channels[n];
        slot.deviceName = names[n];
        RowControl(static_cast<int>(n), 0).SetWindowText(fw::Format(u"%d--", static_cast<int>(n) + 1) + names[n]);
        slot.number = static_cast<int>(n) + 1;
        RowControl(static_cast<int>(n), 1).SetWindowText(u"Ready...");
        slot.present = 1;
        RowControl(static_cast<int>(n), 4).SetIcon(IDI_STATUS_IDLE);
        RowControl(static_cast<int>(n), 4).ShowWindow(fw::SW_SHOW);
    }
}

bool CQXDownloadToolDlg::OnDeviceChange(unsigned event, const fw::DeviceChange&) {
    if (m_interface == kIfaceOfflineLink) {
        // Interface 4 has no device list; rebuilding it would only drop the connected flag of an open link.
        if (event == fw::DBT_DEVICEREMOVECOMPLETE) NoticeOfflineLinkRemoval();
        return true;
    }
    if (event == fw::DBT_DEVICEARRIVAL || event == fw::DBT_DEVICEREMOVECOMPLETE) {
        // A running job keeps its device: the list is rebuilt when the last worker has ended.
        if (JobRunning()) {
            m_deviceRefreshDeferred = true;
        } else {
            RefreshDeviceList();
        }
    }
    return true;
}

void CQXDownloadToolDlg::RunDeferredDeviceRefresh() {
    if (m_deviceRefreshDeferred.exchange(false)) PostMessage(fw::WM_DEVICECHANGE, fw::DBT_DEVICEARRIVAL, 0);
}

void CQXDownloadToolDlg::OnCbnSelchangeInterface() {
    const int selection = GetDlgItem(IDC_COMBO_INTERFACE).GetCurSel();
    g_stopMonitor = 1;
    if (m_productionMode && RefusedInProduction(selection)) {
        m_msgBox.MessageBox(this, TranslateText(u"当前接口暂不支持量产模式！"), fw::MB_OK);
        GetDlgItem(IDC_COMBO_INTERFACE).SetCurSel(m_prevInterface);
        m_interface = m_prevInterface;
        return;
    }
    m_interface = static_cast<uint8_t>(std::max(0, selection));
    ApplyInterfaceControls(m_interface);
    ShowChannelRows();
    UpdateMenuState(1);
    RefreshDeviceList();
    WriteSysConfig(u"interface", fw::Format(u"%02d", static_cast<int>(m_interface)));
    m_prevInterface = m_interface;
}

void CQXDownloadToolDlg::OnCbnSelchangeDevice() {
    m_deviceName = GetDlgItem(IDC_COMBO_DEVICE).GetWindowText();
    if (m_deviceName.empty()) return;
    if (!m_productionMode) {
        g_channels[0].deviceName = m_deviceName;
        return;
    }
    SeriesFromChipName(m_deviceName);
    ApplyChipInfo();
    UpdateMenuState(1);
    AdaptLayoutToSeries();
}

void CQXDownloadToolDlg::ApplyInterfaceControls(InterfaceIndex iface) {
    if (iface > kIfaceI2c) return;
    const SpeedList speeds = SpeedListOf(iface, static_cast<uint32_t>(SysConfigInt(u"Baud", 9600)));
    if (iface == kIfaceUsart) m_baudRate = static_cast<uint32_t>(SysConfigInt(u"Baud", 9600));
    fw::Control speed = GetDlgItem(IDC_COMBO_SPEED);
    speed.ResetContent();
    for (const Text& entry : speeds.entries) speed.AddString(entry);
    speed.SetCurSel(speeds.selection);
    const bool showSpeed = !speeds.entries.empty();
    speed.ShowWindow(showSpeed ? fw::SW_SHOW : fw::SW_HIDE);
    GetDlgItem(IDC_STATIC_SPEED).ShowWindow(showSpeed ? fw::SW_SHOW : fw::SW_HIDE);
    if (showSpeed) {
        SetDlgItemText(IDC_STATIC_SPEED, speeds.baudLabel ? TranslateText(u"波特率：") : TranslateText(u"频率："));
    }

    const bool link = iface == kIfaceOfflineLink;
    for (int id : {IDC_COMBO_DEVICE, IDC_STATIC_DEVICE}) GetDlgItem(id).ShowWindow(link ? fw::SW_HIDE : fw::SW_SHOW);
    for (int id : {IDC_EDIT_VID, IDC_EDIT_PID, IDC_STATIC_VID, IDC_STATIC_PID, IDC_STATIC_OFFLINE_NOTE}) {
        GetDlgItem(id).ShowWindow(link ? fw::SW_SHOW : fw::SW_HIDE);
    }
    if (link) {
        SetDlgItemText(IDC_EDIT_VID, fw::Format(u"%04X", kLinkDefaultVendorId));
        SetDlgItemText(IDC_EDIT_PID, fw::Format(u"%04X", kLinkDefaultProductId));
    }

    static constexpr int kJobControls[] = {IDC_BTN_BROWSE,      IDC_BTN_DOWNLOAD,          IDC_COMBO_ERASE_MODE,
                                           IDC_CHECK_UNLOCK_L1_BEFORE, IDC_CHECK_L1_AFTER, IDC_CHECK_L2_AFTER,
                                           IDC_BTN_PRODUCTION_DOWNLOAD, IDC_CHECK_BEHIND_PAGE, IDC_CHECK_FRONT_PAGE};
    if (iface == kIfaceSwdJlink) {
        fw::Control device = GetDlgItem(IDC_COMBO_DEVICE);
        device.ResetContent();
        for (int n = 1; n <= 259; ++n) {
            const Text name = SysConfigString(fw::Format(u"device %d", n), u"");
            if (!name.empty()) device.AddString(name);
        }
        device.SetCurSel(0);
        SetDlgItemText(IDC_EDIT_FILE, u"");
        GetDlgItem(IDC_EDIT_START_ADDR).EnableWindow(true);
        for (int id : kJobControls) {
            GetDlgItem(id).EnableWindow(id == IDC_BTN_BROWSE || id == IDC_COMBO_ERASE_MODE);
        }
    } else if (link) {
        GetDlgItem(IDC_EDIT_START_ADDR).EnableWindow(false);
        for (int id : kJobControls) GetDlgItem(id).EnableWindow(false);
    } else {
        const bool fileHasAddresses = fw::EqualsNoCase(m_fileExt, u"hex") || fw::EqualsNoCase(m_fileExt, u"dlpf");
        GetDlgItem(IDC_EDIT_START_ADDR).EnableWindow(!fileHasAddresses);
        for (int id : kJobControls) GetDlgItem(id).EnableWindow(true);
    }
    WithholdUnhandledCommands();
}

bool CQXDownloadToolDlg::ConnectDevice(ChannelSlot* channel) {
    ChannelSlot& slot = channel ? *channel : g_channels[0];
    const InterfaceIndex iface = SelectedInterface();
    m_interface = iface;
    if (iface == kIfaceOfflineLink) {
        OfflineLink* link = GetOfflineLink();
        if (link == nullptr || !link->Open()) {
            AppendLog(TranslateText(u"连接设备失败！"), kLogRed);
            return false;
        }
        m_connected = 1;
        return true;
    }
    if (!m_productionMode) {
        const Text name = GetDlgItem(IDC_COMBO_DEVICE).GetWindowText();
        m_deviceName = name;
        if (name.empty()) {
            AppendLog(TranslateText(u"无可用设备！"), kLogRed);
            return false;
        }
        slot.deviceName = name;
    }
    fw::Control speedCombo = GetDlgItem(IDC_COMBO_SPEED);
    const uint32_t speed = SpeedArgument(iface, speedCombo.GetWindowText(), speedCombo.GetCurSel());
    if (slot.connected) {
        OV_CMD_DISCONNECT_DEV(&slot.handle);
        slot.connected = 0;
        m_connected = 0;
        m_hDevice = slot.handle;
    }
    if (OV_CMD_CONNECT_DEV(&slot.handle, slot.deviceName.c_str(), speed) != 0) {
        AppendLog(TranslateText(u"连接设备失败，请尝试复位或重新上下电！"), kLogRed);
        return false;
    }
    slot.connected = 1;
    m_connected = 1;
    m_hDevice = slot.handle;
    if (iface == kIfaceSwdJlink) SeriesFromChipName(slot.deviceName);
    return true;
}

bool CQXDownloadToolDlg::DisconnectDevice(ChannelSlot* channel) {
    ChannelSlot& slot = channel ? *channel : g_channels[0];
    m_interface = SelectedInterface();
    if (m_interface == kIfaceOfflineLink) {
        if (m_offlineLink) m_offlineLink->Close();
        m_connected = 0;
        return true;
    }
    if (slot.connected) {
        OV_CMD_DISCONNECT_DEV(&slot.handle);
        slot.connected = 0;
        if (slot.number == 0) {
            m_connected = 0;
            m_hDevice = slot.handle;
        }
    }
    return true;
}

void CQXDownloadToolDlg::OnBnClickedConnect() {
    if (RefuseWhileLinkReserved()) return;
    fw::Control button = GetDlgItem(IDC_BTN_CONNECT);
    button.EnableWindow(false);
    const bool usesMutex = UsesDeviceMutexOnConnect(m_interface);
    if (button.GetWindowText() == TranslateText(u"断开设备")) {
        if (usesMutex) g_stopMonitor = 1;
        {
            DeviceMutexScope mutex(usesMutex);
            DisconnectDevice(nullptr);
        }
        for (int id : kConnectionControls) GetDlgItem(id).EnableWindow(true);
        button.EnableWindow(true);
        button.SetWindowText(TranslateText(u"连接设备"));
        AppendLog(TranslateText(u"设备已断开！"), kLogRed);
        return;
    }

    g_channels[0].rdpLevel = -1;
    g_channels[0].writeProtected = 0;
    // A monitor told to stop by the last disconnect ends before the flag is cleared again.
    if (usesMutex) StopMonitor();
    {
        DeviceMutexScope mutex(usesMutex);
        if (usesMutex) g_stopMonitor = 0;
        if (!ConnectDevice(nullptr)) {
            button.EnableWindow(true);
            return;
        }
    }
    // The information is read without the mutex, as the monitor is not running yet.
    if (ReadDeviceInfo()) {
        button.EnableWindow(true);
        for (int id : kConnectionControls) GetDlgItem(id).EnableWindow(false);
        button.SetWindowText(TranslateText(u"断开设备"));
        if (usesMutex) StartMonitor();
        if (m_interface == kIfaceOfflineLink && m_offlineLink) m_offlineLink->RunConfiguration();
        return;
    }
    const InterfaceIndex iface = m_interface;
    if (IsSwd(iface)) {
        // A protected chip answers no information over SWD but stays connected, so that protection can be lifted.
        for (int id : kConnectionControls) GetDlgItem(id).EnableWindow(false);
        button.SetWindowText(TranslateText(u"断开设备"));
        button.EnableWindow(true);
        return;
    }
    if (iface != kIfaceOfflineLink) {
        DisconnectDevice(nullptr);
        AppendLog(TranslateText(u"请尝试复位或重新上下电！"), kLogRed);
    } else {
        if (m_offlineLink) m_offlineLink->Close();
        m_connected = 0;
    }
    button.EnableWindow(true);
}

void CQXDownloadToolDlg::NoticeOfflineLinkRemoval() {
    if (m_connected) NoticeOfflineLinkLoss();
}

void CQXDownloadToolDlg::NoticeOfflineLinkLoss() {
    // A held link is its holder's whatever the connected flag says meanwhile: the upgrade clears the flag while it
    // opens the link again on its own thread. The hold's end asks once more.
    if (!m_offlineLink || m_offlineLink->Held() || (m_connected && m_offlineLink->DevicePresent())) return;
    m_offlineLink->Close();
    m_connected = 0;
    for (int id : kConnectionControls) GetDlgItem(id).EnableWindow(true);
    fw::Control button = GetDlgItem(IDC_BTN_CONNECT);
    button.EnableWindow(true);
    button.SetWindowText(TranslateText(u"连接设备"));
    AppendLog(TranslateText(u"设备已断开！"), kLogRed);
}

UpdateService* CQXDownloadToolDlg::GetUpdateService() {
    // The checks need the working directory, which the window knows once it has opened.
    if (!m_updateService && !m_workDir.empty() && GetUpdateServiceFactory())
        m_updateService = GetUpdateServiceFactory()(*this);
    return m_updateService.get();
}

OfflineLink* CQXDownloadToolDlg::GetOfflineLink() {
    if (!m_offlineLink && GetOfflineLinkFactory()) m_offlineLink = GetOfflineLinkFactory()(*this);
    return m_offlineLink.get();
}

bool CQXDownloadToolDlg::ReadDeviceInfo() {
    const InterfaceIndex iface = m_interface;
    if (iface == kIfaceOfflineLink) {
        if (!m_offlineLink || !m_offlineLink->ReadInfo()) return false;
        if (UpdateService* updates = GetUpdateService()) updates->LinkIdentified();
        return true;
    }
    if (iface > kIfaceI2c) return true;
    if (!GetChipInfo(m_chipInfo, nullptr)) {
        if (IsSwd(iface)) {
            AppendLog(TranslateText(u"获取芯片信息失败！\n芯片有可能处于读保护状态！\n请尝试解除读保护，再重新连接！"),
                      kLogRed);
            g_channels[0].rdpLevel = 0xFF;
        } else {
            AppendLog(TranslateText(u"获取芯片信息失败！"), kLogRed);
        }
        return false;
    }
    AppendLog(TranslateText(u"读取芯片信息成功！"), kLogBlack);
    ApplyChipInfo();
    ShowChipInfo();
    UpdateMenuState(1);
    AdaptLayoutToSeries();
    if (!ReadPartitions(m_partitions, nullptr)) {
        AppendLog(TranslateText(u"获取分区信息失败！"), kLogRed);
        return false;
    }
    OptionRwBlock options{};
    if (!ReadOptionBytes(&options, nullptr)) {
        AppendLog(TranslateText(u"读取选项字节失败！"), kLogRed);
        return false;
    }
    const size_t answered = std::min<size_t>(options.length, sizeof options.data);
    if (const std::optional<uint32_t> crc =
            FlashCrcOfAnswer(m_chipSeries, std::span<const uint8_t>(options.data, answered))) {
        AppendLog(TranslateText(u"FLASH CRC32值：0x") + fw::Format(u"%08X", *crc), kLogBlack);
    }
    return true;
}

void CQXDownloadToolDlg::ShowChannelRows() {
    const int rowShow = m_productionMode ? fw::SW_SHOW : fw::SW_HIDE;
    for (int n = 0; n < kChannelCount; ++n) {
        RowControl(n, 2).SetRange(0, 100);
        RowControl(n, 2).SetPos(0);
        for (int part = 0; part < 5; ++part) RowControl(n, part).ShowWindow(rowShow);
    }
    const int testShow = m_productionMode ? fw::SW_HIDE : fw::SW_SHOW;
    for (int id : {IDC_LOG, IDC_PROGRESS, IDC_BTN_CONNECT}) GetDlgItem(id).ShowWindow(testShow);
}

// Polls the device of test mode while it is connected and reconnects it after a loss.
uint32_t ConnectionMonitorThread(CQXDownloadToolDlg* window) {
    fw::Sleep(100);
    g_hDeviceMutex->Wait();
    bool lossReported = false;
    while (g_stopMonitor == 0) {
        // The chip's fields belong to the UI thread, which reads them for every control update: the poll only asks
        // whether the chip still answers, and a reconnect, which rewrites them, runs on the UI thread.
        ChipInfoBlock probe{};
        if (OV_CMD_GET_INF(g_channels[0].handle, &probe) != CMD_STATUS_OK) {
            if (g_stopMonitor != 0) break;
            if (!lossReported) {
                window->AppendLog(TranslateText(u"设备已断开，正在尝试重新连接..."), kLogRed);
                lossReported = true;
            }
            fw::Sleep(2000);
            bool connected = false;
            fw::RunOnUi([&] { connected = window->ConnectDevice(nullptr); });
            if (connected) {
                if (g_stopMonitor != 0) break;
                bool read = false;
                fw::RunOnUi([&] { read = window->ReadDeviceInfo(); });
                if (read) lossReported = false;
            }
        }
        fw::Sleep(500);
        g_hDeviceMutex->Release();
        g_hDeviceMutex->Wait();
    }
    g_hDeviceMutex->Release();
    return 1;
}

void CQXDownloadToolDlg::StartMonitor() {
    if (m_monitorThread && m_monitorThread->IsRunning()) return;
    m_monitorThread.reset();  // a finished monitor is joined here
    if (!g_hDeviceMutex) return;
    m_monitorThread = std::make_unique<fw::WorkerThread>([this] { return ConnectionMonitorThread(this); }, true);
    m_monitorThread->Resume();
}

void CQXDownloadToolDlg::StopMonitor() {
    g_stopMonitor = 1;
    if (m_monitorThread) {
        m_monitorThread->Join();
        m_monitorThread.reset();
    }
}
