// Chip commands of the Operations menu that open no dialog of another subsystem: chip information, erase all,
// read protection, reset, flash seal.
#include <algorithm>
#include <cmath>

#include "app/ChipCommand.h"
#include "app/ChipDialogHooks.h"
#include "app/DownloadJob.h"
#include "app/MainWindow.h"
#include "core/HexText.h"
#include "core/Translation.h"

using fw::Text;

int CQXDownloadToolDlg::LiftProtection(ChannelSlot* channel) {
    ChannelSlot& slot = channel ? *channel : g_channels[0];
    std::shared_ptr<const DownloadJobSettings> settings = TakeJobSettings();
    DownloadJob job(*m_jobHost, m_items, *settings, slot);
    return job.LiftProtection();
}

void CQXDownloadToolDlg::OnGetChipInformation() {
    ChipCommand cmd(*this, kChipMutexInterfaces);
    if (!cmd.Begin()) return;
    ReadDeviceInfo();
}

void CQXDownloadToolDlg::OnEraseAllFlash() {
    ChipCommand cmd(*this, kEraseAllInterfaces);
    if (!cmd.Connected() || !cmd.Ask(TranslateText(u"确认全擦除FLASH?"))) return;
    cmd.LockDevice();
    if (!cmd.LiftProtection()) return;
    const uint8_t series = m_chipSeries;
    if (!IsSwd(m_interface) && !IsOneOf(series, {4, 6, 7, 10, 12})) {
        if (!ReadPartitions(m_partitions, nullptr)) {
            cmd.Red(TranslateText(u"获取分区信息失败！"));
            return;
        }
        if (m_items[1].readSize != 0 || m_items[2].readSize != 0) {
            cmd.Red(TranslateText(u"已配置分区，不能选择全擦！"));
            return;
        }
    }
    if (m_items[0].readAuthentication != 0) {
        HexToBytes(m_items[0].partitionKeyText, m_keyUpdates[0].key, sizeof m_keyUpdates[0].key);
    }

    const double eraseKB = ErasableFlashKB(series, m_flashSizeKB);
    // A size at or below the reserved area would wrap the end below the start: nothing sensible to erase.
    if (!(eraseKB > 0.0)) {
        cmd.Red(TranslateText(u"FLASH容量不正确，不能全擦除！"));
        return;
    }
    const double last = static_cast<double>(m_flashBase) + eraseKB * 1024.0 - 1.0;
    const auto lastAddress = static_cast<uint32_t>(static_cast<uint64_t>(std::trunc(last)));
    const StatusCode status = OV_CMD_FLASH_ERASE(m_hDevice, m_flashBase, lastAddress, m_partitions, m_keyUpdates);
    if (!cmd.Succeeded(status, TranslateText(u"全擦除失败！"))) return;
    fw::Sleep(100);
    cmd.Green(TranslateText(u"FLASH全擦除成功！"));
}

void CQXDownloadToolDlg::OnEnableReadProtectionL1() {
    ChipCommand cmd(*this, kChipMutexInterfaces, kSwdInterfaces);
    if (!cmd.Begin()) return;
    if (!cmd.Succeeded(OV_CMD_READ_PROTECT(m_hDevice, 1, m_chipSeries))) return;
    cmd.Black(TranslateText(u"使能读保护等级L1成功，复位后生效！"));
    g_channels[0].rdpLevel = 1;
}

void CQXDownloadToolDlg::OnEnableReadProtectionL2() {
    ChipCommand cmd(*this, kChipMutexInterfaces, kSwdInterfaces);
    if (!cmd.ChipReadable()) return;
    if (!cmd.Ask(TranslateText(u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?"))) return;
    if (!cmd.Connected()) return;
    cmd.LockDevice();
    if (!cmd.Succeeded(OV_CMD_READ_PROTECT(m_hDevice, 2, m_chipSeries))) return;
    cmd.Black(TranslateText(u"使能读保护等级L2成功，复位后生效！"));
    g_channels[0].rdpLevel = 2;
}

void CQXDownloadToolDlg::OnDisableReadProtectionL1() {
    ChipCommand cmd(*this, kChipMutexInterfaces);
    if (!cmd.Begin()) return;
    const InterfaceIndex iface = m_interface;
    // A protected chip cannot say what it is, and the option layout depends on it: the user names the series.
    if (iface == kIfaceSwdCmsisDap && g_channels[0].rdpLevel == 0xFF && !ChooseChipSeries(*this)) return;
    if (iface == kIfaceSwdJlink) {
        const Text device = GetDlgItem(IDC_COMBO_DEVICE).GetWindowText();
        if (device.empty()) {
            cmd.Red(TranslateText(u"无可用设备，请检查！"));
            return;
        }
        SeriesFromChipName(device);
    }
    if (!cmd.Succeeded(OV_CMD_READ_PROTECT(m_hDevice, 0, m_chipSeries))) return;
    cmd.Black(TranslateText(u"解除读保护等级L1成功，复位后生效！"));
    g_channels[0].rdpLevel = 0;
}

void CQXDownloadToolDlg::OnReset() {
    ChipCommand cmd(*this, kChipMutexInterfaces, kSwdInterfaces);
    if (!cmd.Begin()) return;
    if (OV_CMD_SYS_RESET(m_hDevice) != CMD_STATUS_OK) {
        cmd.Red(TranslateText(u"复位失败！"));
        return;
    }
    cmd.Green(TranslateText(u"复位成功，设备稍后会重新连接！"));
    const InterfaceIndex iface = m_interface;
    // A boot loader on USART at 9600 baud has to be found again; at other rates it goes on from where it was.
    const bool reconnect = iface == kIfaceSwdJlink || iface == kIfaceSwdCmsisDap || iface == kIfaceI2c ||
                           (iface == kIfaceUsart && GetDlgItem(IDC_COMBO_SPEED).GetWindowText() == u"9600");
    if (!reconnect) {
        fw::Sleep(100);
        return;
    }
    fw::Sleep(3000);
    m_interface = SelectedInterface();
    ChannelSlot& slot = g_channels[0];
    if (m_interface == kIfaceOfflineLink) {
        m_connected = 0;
    } else {
        if (slot.connected) {
            OV_CMD_DISCONNECT_DEV(&slot.handle);
            slot.connected = 0;
        }
        if (slot.index == 0) {
            m_connected = 0;
            m_hDevice = slot.handle;
        }
    }
    cmd.Red(TranslateText(u"设备已断开，正在尝试重新连接..."));
    if (!ConnectDevice(nullptr)) {
        cmd.Red(TranslateText(u"重新连接设备失败！"));
        return;
    }
    if (!ReadDeviceInfo()) return;
    if (m_interface == kIfaceSwdCmsisDap && IsOneOf(m_chipSeries, {3, 4, 6}) &&
        !(m_monitorThread && m_monitorThread->IsRunning())) {
        g_stopMonitor = 0;
        StartMonitor();
    }
    fw::Sleep(100);
}

void CQXDownloadToolDlg::OnFlashSeal() {
    ChipCommand cmd(*this, kChipMutexInterfaces);
    if (!cmd.Begin() || !cmd.Ask(TranslateText(u"确认是否FLASH封口?"))) return;
    m_partitions[0] = UserPartitionRecord{2, 0, 0, 0, 0};
    if (!cmd.Succeeded(OV_CMD_USERX_OP(m_hDevice, &m_partitions[0]), TranslateText(u"Flash封口失败！"))) return;
    cmd.Green(TranslateText(u"Flash封口成功，复位后生效！"));
}
