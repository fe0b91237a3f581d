// Real downloaders through hidapi's hidraw backend. The library's calls and the reading of a device's report
// descriptor go through a table, so that tests can stand in for a device that is not there.
#pragma once

#include <hidapi/hidapi.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "offline/LinkTransport.h"

struct HidapiCalls {
    int (*init)() = nullptr;
    hid_device_info* (*enumerate)(unsigned short, unsigned short) = nullptr;
    void (*freeEnumeration)(hid_device_info*) = nullptr;
    hid_device* (*openPath)(const char*) = nullptr;
    int (*write)(hid_device*, const unsigned char*, size_t) = nullptr;
    int (*readTimeout)(hid_device*, unsigned char*, size_t, int) = nullptr;
    void (*close)(hid_device*) = nullptr;
    // The report descriptor of the device at a hidraw path; nothing when it cannot be read.
    std::function<std::optional<std::vector<uint8_t>>(const std::string&)> reportDescriptor;
};

// The library itself, and the descriptor from sysfs (/sys/class/hidraw/<node>/device/report_descriptor).
HidapiCalls SystemHidapiCalls();

class HidapiBackend : public LinkBackend {
public:
    explicit HidapiBackend(HidapiCalls calls) : m_calls(std::move(calls)) {}
    std::vector<LinkDeviceInfo> Enumerate() override;
    std::unique_ptr<LinkDevice> Open(const LinkDeviceInfo& info) override;

private:
    bool Ready();
    HidapiCalls m_calls;
    int m_init = -1;  // hid_init's answer once called
};

// A device whose descriptor cannot be read is taken for a full-speed device with 64-byte reports.
inline constexpr int kHidDefaultReportLength = 65;
