// Arbitrary records and raw commands against a simulated chip: whatever a caller passes, the library reads and
// writes only within the records and buffers it was given.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "devicelib/OvMcuCmdDll.h"
#include "devicelib/OvMcuSim.h"
#include "fuzz/FuzzAccept.h"

namespace {

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t Word() { return Byte() | (Byte() << 8) | (Byte() << 16) | (uint32_t{Byte()} << 24); }
    template <class Record>
    Record Fill() {
        Record record{};
        auto* bytes = reinterpret_cast<uint8_t*>(&record);
        for (size_t i = 0; i < sizeof record; ++i)
            bytes[i] = Byte();
        return record;
    }
    std::vector<uint8_t> Bytes(size_t n) {
        std::vector<uint8_t> out(n);
        for (auto& b : out)
            b = Byte();
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

constexpr uint8_t kInterfaces[] = {OV_IFACE_USART, OV_IFACE_USB_DFU, OV_IFACE_SWD_JLINK, OV_IFACE_SWD_CMSIS_DAP,
                                   OV_IFACE_I2C};

DeviceHandle Reconnect(DeviceHandle h) {
    OV_CMD_DISCONNECT_DEV(&h);
    OV_CMD_CONNECT_DEV(&h, u"fuzz", 115200);
    return h;
}

int Ignore(void*) { return 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    ovsim::Reset();
    ovsim::ChipSpec spec;
    spec.series = in.Byte() % 13;
    spec.readProtection = in.Byte() % 3;
    const uint8_t iface = kInterfaces[in.Byte() % std::size(kInterfaces)];
    ovsim::Attach(iface, "fuzz", spec);
    char16_t names[0x400];
    OV_CMD_ENUM_DEV(iface, names, 0x400);
    DeviceHandle h = 0;
    OV_CMD_CONNECT_DEV(&h, u"fuzz", 115200);

    for (int step = 0; step < 64 && !in.Empty(); ++step) {
        switch (in.Byte() % 16) {
            case 0: {
                auto block = in.Fill<OptionRwBlock>();
                OV_CMD_OPT_RW(h, &block);
                break;
            }
            case 1: {
                auto block = in.Fill<OtpRwBlock>();
                OV_CMD_OTP_RW(h, &block);
                break;
            }
            case 2: {
                auto block = in.Fill<ExtOptRwBlock>();
                OV_CMD_EXT_OPT_RW(h, &block);
                break;
            }
            case 3: {
                auto record = in.Fill<UserPartitionRecord>();
                OV_CMD_USERX_OP(h, &record);
                break;
            }
            case 4:
                OV_CMD_KEY_UPDATE(h, in.Fill<KeyUpdateRecord>());
                break;
            case 5: {
                const auto partition = in.Fill<UserPartitionRecord>();
                const auto key = in.Fill<KeyUpdateRecord>();
                const uint32_t first = in.Word();
                OV_CMD_FLASH_ERASE(h, first, first + (in.Word() & 0xFFFFF), &partition, &key);
                break;
            }
            case 6:
            case 13: {
                const uint32_t address = in.Word();
                const auto bytes = in.Bytes(in.Byte() * 16 + in.Byte() % 8);
                const ImageDescriptor image{in.Byte(),
                                            address,
                                            bytes.data(),
                                            static_cast<uint32_t>(bytes.size()),
                                            static_cast<uint8_t>(in.Byte() & 1),
                                            nullptr};
                const auto partition = in.Fill<UserPartitionRecord>();
                const StatusCode status = step % 2 == 0
                                              ? OV_CMD_FLASH_DWNLD(h, &image, &partition, nullptr, Ignore, nullptr)
                                              : OV_CMD_EXT_API_DWNLD(h, &image, nullptr, nullptr, Ignore, nullptr);
                // A chip that took an image: the records and buffers went all the way through the library.
                if (status == CMD_STATUS_OK) FuzzAccepted();
                break;
            }
            case 7: {
                const auto command = in.Bytes(1 + in.Byte() % 40);
                uint32_t wanted = in.Byte();
                std::vector<uint8_t> reply(wanted + 10);
                OV_CMD_SEND_COMMAND(h, command.data(), static_cast<uint32_t>(command.size()), reply.data(), &wanted);
                if (wanted > reply.size()) __builtin_trap();
                break;
            }
            case 8: {
                const uint32_t address = in.Word();
                uint32_t length = in.Byte() * 32;
                std::vector<uint8_t> buffer(length);
                OV_CMD_RECV_DATA(address, buffer.data(), &length);
                if (length > buffer.size()) __builtin_trap();
                break;
            }
            case 9:
                OV_CMD_READ_PROTECT(h, in.Byte() % 4, in.Byte() % 14);
                break;
            case 10:
                OV_CMD_WRITE_PROTECT(h, in.Byte(), in.Byte(), in.Byte(), in.Byte());
                break;
            case 11:
                OV_CMD_SYS_RESET(h);
                h = Reconnect(h);
                break;
            case 12: {
                const uint8_t id = in.Byte() % 5;
                const uint32_t address = in.Word() & 0x0FFFFFFF;
                const auto bytes = in.Bytes(in.Byte() * 4);
                const ExtFlashImageDescriptor image{0, id, address, bytes.data(), static_cast<uint32_t>(bytes.size()),
                                                    0, 0};
                OV_CMD_EXT_FLASH_ERASE(h, address, address + (in.Word() & 0xFFFF), id, nullptr, nullptr);
                OV_CMD_EXT_FLASH_DWNLD(h, &image, nullptr, nullptr, nullptr, Ignore, nullptr);
                break;
            }
            case 14:
                OV_CMD_APP_GO(h, in.Word(), in.Byte() % 8);
                h = Reconnect(h);
                break;
            default: {
                const uint8_t kind = in.Byte() % 4;
                const auto key = in.Bytes(in.Byte() % 20);
                OV_CMD_SET_KEY(h, kind, key.data(), static_cast<uint32_t>(key.size()));
                const auto block = in.Bytes(32);
                OV_CMD_SET_JTAG_MODE(h, in.Byte() % 3, block.data(), 16);
                OV_CMD_SET_SECURE_MODE(h, in.Byte() % 3, block.data());
                break;
            }
        }
    }
    OV_CMD_DISCONNECT_DEV(&h);
    return 0;
}
