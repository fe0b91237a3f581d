// Where the link to the offline downloader goes: real HID devices through hidapi, or the simulated downloaders.
// Both list their devices with the USB ids and open one of them; CHid asks each in turn.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct LinkDeviceInfo {
    std::string path;  // what the backend opens it by
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};

class LinkDevice {
public:
    virtual ~LinkDevice() = default;
    // Report lengths as the device's capabilities give them, each counting the report id byte.
    virtual int OutputReportLength() const = 0;
    virtual int InputReportLength() const = 0;
    // Writes one output report (report id first); false when it did not reach the device.
    virtual bool Write(std::span<const uint8_t> report) = 0;
    // Reads one input report's data bytes (without the report id) into `buffer`, waiting at most timeoutMs
    // (0: only what is already there). Answers the byte count, 0 when nothing came, -1 on a failure.
    virtual int Read(std::span<uint8_t> buffer, int timeoutMs) = 0;
    // False once the device this handle opened has left the bus, even when it is back under the same path: the
    // handle does not reach the device that came back.
    virtual bool Alive() = 0;
};

class LinkBackend {
public:
    virtual ~LinkBackend() = default;
    virtual std::vector<LinkDeviceInfo> Enumerate() = 0;
    virtual std::unique_ptr<LinkDevice> Open(const LinkDeviceInfo& info) = 0;
};

// The simulated downloaders of linksim (those of "OvLinkSim.ini" or a test's), and real HID devices.
LinkBackend& SimulatedLinkBackend();
LinkBackend& HidapiLinkBackend();
