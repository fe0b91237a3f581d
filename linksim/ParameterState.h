// The downloader's operating parameters: control-line levels and times, target supply, SWD clock, baud rate,
// reset mode and buzzer. Writes of the pin and supply settings change the working copy, which command 0x0D saves;
// the lists written on their own (SWD clock, buzzer, baud rate, reset mode) are saved at once. Plugged in again,
// the downloader starts from what was saved.
#pragma once

#include <cstdint>

namespace linksim {

struct PinSetting {
    uint8_t level = 0;    // 0 active low, 1 active high (supply: 0 none, 1 3.3 V, 2 5 V)
    uint32_t timeMs = 0;  // pulse width, debounce or hold time
    bool operator==(const PinSetting&) const = default;
};

struct LinkParameters {
    PinSetting supply{1, 100};   // command 0x05
    PinSetting start{0, 100};    // 0x06
    PinSetting busy{1, 20};      // 0x07
    PinSetting pass{0, 500};     // 0x08
    PinSetting error{0, 500};    // 0x09
    uint8_t swdSpeed = 3;        // 0x04, index 0 (100 kHz) to 5 (5 MHz)
    uint8_t buzzer = 1;          // 0x0A, 0 off, 1 on, 2 only on failures
    uint32_t baudRate = 115200;  // 0x0B
    uint8_t resetMode = 0;       // 0x0C, 0 software, 1 reset pin
    bool operator==(const LinkParameters&) const = default;
};

struct ParameterState {
    LinkParameters working;
    LinkParameters saved;
    int saves = 0;  // how many times 0x0D saved
};

}  // namespace linksim
