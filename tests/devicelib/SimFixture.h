// A fresh simulator per test, and the few steps every device test takes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devicelib/OvMcuCmdDll.h"
#include "devicelib/OvMcuSim.h"

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { ovsim::Reset(); }
    void TearDown() override { ovsim::Reset(); }

public:
    static ovsim::ChipSpec Series(uint8_t code) {
        ovsim::ChipSpec spec;
        spec.series = code;
        return spec;
    }

    // Enumerates iface and connects name; fails the test when it cannot.
    static DeviceHandle Connect(uint8_t iface, const std::u16string& name, uint32_t speed = 115200) {
        char16_t names[0x400];
        OV_CMD_ENUM_DEV(iface, names, 0x400);
        DeviceHandle h = 0;
        EXPECT_EQ(OV_CMD_CONNECT_DEV(&h, name.c_str(), speed), 0);
        return h;
    }

    // Attaches a chip of the series on USART as "/dev/ttyUSB0" and connects it.
    static DeviceHandle Usart(uint8_t series) {
        ovsim::Attach(OV_IFACE_USART, "/dev/ttyUSB0", Series(series));
        return Connect(OV_IFACE_USART, u"/dev/ttyUSB0");
    }

    static std::u16string LastError() {
        const char16_t* text = GET_LAST_ERROR();
        return text ? text : u"";
    }
};

// Counts progress callbacks.
inline int CountPacket(void* context) {
    ++*static_cast<int*>(context);
    return 1;
}

inline ImageDescriptor Image(uint32_t address, const std::vector<uint8_t>& data, uint8_t enciphered = 0) {
    return ImageDescriptor{0, address, data.data(), static_cast<uint32_t>(data.size()), enciphered, nullptr};
}

inline std::vector<uint8_t> Pattern(size_t size, uint8_t seed = 1) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(seed + i * 7);
    return data;
}
