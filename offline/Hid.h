// The transport to the offline downloader: finds it by its USB ids, keeps the one device it opened, and moves one
// report at a time. It knows nothing of what the reports carry.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "offline/LinkTransport.h"

namespace fw {
class Window;
}

class CHid {
public:
    // Backends are asked in order; the simulated downloaders come before real devices.
    explicit CHid(std::vector<LinkBackend*> backends = {&SimulatedLinkBackend(), &HidapiLinkBackend()});
    virtual ~CHid();

    // Opens the first device with both ids, closing whatever was open; false when none could be opened.
    bool FindDevice(uint16_t vendorId, uint16_t productId);
    // Arrivals and removals of HID devices reach `window` as device-change messages.
    bool RegisterNotification(fw::Window& window);
    // 1 once a whole report went out, 0 when not open, the frame does not fit the report or the write failed.
    int WriteReport(const uint8_t* frame, uint8_t length);
    // 1 with a report's data bytes in `buffer` (256 bytes) and their count in `length`; 0 when nothing came
    // within timeoutMs or the read failed.
    int ReadReport(uint8_t* buffer, uint8_t& length, int timeoutMs);
    // Discards input reports that are already waiting (a reply that came after its request gave up).
    int DrainInput();
    void Close();
    bool DeviceOpen() const { return m_device != nullptr; }
    // True while the open device is still there: its handle still reaches it and a backend lists its path. One
    // unplugged and plugged back in is another device, which the handle does not reach.
    bool DevicePresent();
    // The path of the open device, empty when none.
    const std::string& DevicePath() const { return m_path; }

    int m_isOpen = 0;
    int m_notifyRegistered = 0;

private:
    std::vector<LinkBackend*> m_backends;
    std::unique_ptr<LinkDevice> m_device;
    std::string m_path;
    // The open device's report lengths, as its capabilities gave them when it was opened: they do not change while
    // it stays open, and every report would otherwise ask for them again.
    int m_outputLength = 0;
    int m_inputLength = 0;
};
