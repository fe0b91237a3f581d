// The interfaces of the main window and the speed each one connects with.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Text.h"

using InterfaceIndex = uint8_t;

inline constexpr InterfaceIndex kIfaceUsart = 0;
inline constexpr InterfaceIndex kIfaceUsbDfu = 1;
inline constexpr InterfaceIndex kIfaceSwdJlink = 2;
inline constexpr InterfaceIndex kIfaceSwdCmsisDap = 3;
inline constexpr InterfaceIndex kIfaceOfflineLink = 4;
inline constexpr InterfaceIndex kIfaceI2c = 5;  // no combo entry: only a saved "interface" of 5 selects it

// The entries of the interface combo, in index order (interface 5 has none).
const std::vector<fw::Text>& InterfaceNames();

// Interfaces on which the connection takes the device mutex: USART, USB(DFU), SWD(CMSIS-DAP) and 5.
bool UsesDeviceMutexOnConnect(InterfaceIndex iface);
bool IsSwd(InterfaceIndex iface);
// J-Link, the offline downloader and interface 5 have no production mode.
bool RefusedInProduction(int iface);

struct SpeedList {
    std::vector<fw::Text> entries;  // empty: the speed combo and its label are hidden
    int selection = -1;
    bool baudLabel = false;  // the label reads "baud rate" (USART) rather than "frequency"
};

// The speed combo of an interface. For USART the entry equal to `baud` is selected, 115200 when it is not listed.
SpeedList SpeedListOf(InterfaceIndex iface, uint32_t baud);

// The speed argument of the connect command from the combo's text and selection: the baud rate on USART, kHz on
// J-Link, Hz on CMSIS-DAP, the selected position on interface 5, 0 otherwise (also for text that holds no number).
uint32_t SpeedArgument(InterfaceIndex iface, fw::TextView comboText, int selection);
