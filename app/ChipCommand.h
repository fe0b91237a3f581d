// The frame every chip command of the menu and of the chip tools runs in: the connection check, the check for a
// chip whose information could not be read, the device mutex on the interfaces the command shares with the
// connection monitor and the download workers, and the coloured outcome lines.
//
//   ChipCommand cmd(window, kChipMutexInterfaces, kSwdInterfaces);
//   if (!cmd.Begin()) return;                       // box, red lines or nothing; mutex held from here on
//   if (!cmd.Ask(TranslateText(u"..."))) return;    // "No" ends the command
//   if (cmd.Succeeded(OV_CMD_...(window.m_hDevice), TranslateText(u"...失败！"))) cmd.Green(TranslateText(u"..."));
//
// Texts come in translated. The mutex is released when the object goes, on every way out.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "app/DeviceMutexScope.h"
#include "app/InterfaceSpeeds.h"
#include "devicelib/OvMcuCmdDll.h"
#include "framework/Text.h"

class CQXDownloadToolDlg;

// A set of interface indexes, one bit each.
using InterfaceSet = uint32_t;

constexpr InterfaceSet MakeInterfaceSet(std::initializer_list<InterfaceIndex> interfaces) {
    InterfaceSet set = 0;
    for (InterfaceIndex i : interfaces)
        set |= InterfaceSet{1} << i;
    return set;
}
constexpr bool InInterfaceSet(InterfaceSet set, InterfaceIndex iface) { return iface < 32 && ((set >> iface) & 1u); }

inline constexpr InterfaceSet kNoInterfaces = 0;
// Where most chip commands wait for the mutex: USART, USB(DFU), SWD(CMSIS-DAP) and interface 5.
inline constexpr InterfaceSet kChipMutexInterfaces =
    MakeInterfaceSet({kIfaceUsart, kIfaceUsbDfu, kIfaceSwdCmsisDap, kIfaceI2c});
inline constexpr InterfaceSet kEraseAllInterfaces =
    MakeInterfaceSet({kIfaceUsart, kIfaceUsbDfu, kIfaceSwdJlink, kIfaceSwdCmsisDap, kIfaceI2c});
inline constexpr InterfaceSet kReadFlashInterfaces =
    MakeInterfaceSet({kIfaceUsart, kIfaceSwdJlink, kIfaceSwdCmsisDap, kIfaceI2c});
inline constexpr InterfaceSet kAllInterfaces =
    MakeInterfaceSet({kIfaceUsart, kIfaceUsbDfu, kIfaceSwdJlink, kIfaceSwdCmsisDap, kIfaceOfflineLink, kIfaceI2c});
// Where an unreadable chip stops a command before it reaches the device.
inline constexpr InterfaceSet kSwdInterfaces = MakeInterfaceSet({kIfaceSwdJlink, kIfaceSwdCmsisDap});
inline constexpr InterfaceSet kUsartJlinkInterfaces = MakeInterfaceSet({kIfaceUsart, kIfaceSwdJlink});

// Whether erase-all and the page erase that unlocks first may lift the chip's protection: series 5, 8, 9, 10 and
// 11 only over SWD (CMSIS-DAP), where their lift does not reset the chip into a mass erase; every other series
// always.
bool ChipCommandLiftsProtection(uint8_t series, InterfaceIndex iface);

// True for CMD_STATUS_OK. Otherwise the status text in red, then failureLine in red when there is one: the report of
// a device call that a dialog makes on its own, outside a chip command's frame.
bool ReportStatus(CQXDownloadToolDlg& window, StatusCode status, fw::Text failureLine = {});

class ChipCommand {
public:
    ChipCommand(CQXDownloadToolDlg& window, InterfaceSet mutexInterfaces, InterfaceSet unreadableInterfaces = 0);
    ChipCommand(const ChipCommand&) = delete;
    ChipCommand& operator=(const ChipCommand&) = delete;

    // The usual start: Connected, ChipReadable, then LockDevice. False ends the command.
    bool Begin();

    // False, after the box "请先连接设备！", when no device is connected.
    bool Connected();
    // False, after the red lines that say so, when channel 0's chip information could not be read and the
    // interface is one of the command's unreadable-chip interfaces.
    bool ChipReadable();
    // Waits for the device mutex when the interface is in the command's mutex set (the command goes on without
    // it after the wait's time).
    void LockDevice();
    void UnlockDevice() { m_mutex.reset(); }
    // A Yes/No question with the question icon; true for Yes.
    bool Ask(fw::Text question);
    // Lifts channel 0's protection where ChipCommandLiftsProtection allows it; false when the lift was refused or
    // failed, which ends the command.
    bool LiftProtection();

    // True for CMD_STATUS_OK. Otherwise the status text in red, then failureLine in red when there is one.
    bool Succeeded(StatusCode status, fw::Text failureLine = {});

    void Red(fw::Text line);
    void Black(fw::Text line);
    void Green(fw::Text line);

    CQXDownloadToolDlg& Window() { return m_window; }

private:
    CQXDownloadToolDlg& m_window;
    InterfaceSet m_mutexInterfaces;
    InterfaceSet m_unreadableInterfaces;
    std::optional<DeviceMutexScope> m_mutex;
};
