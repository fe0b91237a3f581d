#include "offline/LinkTimeouts.h"

#include <atomic>

namespace {

constexpr int kNormalMs = 3000;
constexpr int kFlashMs = 15000;
std::atomic<int> g_normalMs{kNormalMs};
std::atomic<int> g_flashMs{kFlashMs};

bool WritesFlash(uint8_t command, uint8_t p1) {
    switch (command) {
        case 0x03:  // enter the update program
        case 0x0D:  // save the parameters
        case 0x0E:  // device key
        case 0x0F:  // reset the parameters
        case 0x10:  // file transfer
        case 0x12:  // download on the target
        case 0x14:  // activate or delete a project
        case 0x19:  // factory restore
            return true;
        case 0x04:  // SWD speed, buzzer, baud rate and reset mode: each write is saved at once
        case 0x0A:
        case 0x0B:
        case 0x0C:
        case 0x15:  // project record write
        case 0x18:  // burn limit write
            return p1 == 1;
        default:
            return false;
    }
}

}  // namespace

int LinkReplyTimeoutMs(uint8_t command, uint8_t p1) { return WritesFlash(command, p1) ? g_flashMs : g_normalMs; }

void SetLinkReplyTimeouts(int normalMs, int flashMs) {
    g_normalMs = normalMs > 0 ? normalMs : kNormalMs;
    g_flashMs = flashMs > 0 ? flashMs : kFlashMs;
}
