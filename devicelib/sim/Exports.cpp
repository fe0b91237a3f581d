// The library's exported functions: each checks its arguments and hands the work to the chip it addresses.
#include <algorithm>
#include <optional>
#include <utility>

#include "devicelib/OvMcuCmdDll.h"
#include "devicelib/sim/BootCommands.h"
#include "devicelib/sim/CallJournal.h"
#include "devicelib/sim/DeviceCall.h"
#include "devicelib/sim/Download.h"
#include "devicelib/sim/PageErase.h"
#include "devicelib/sim/ReadFaults.h"
#include "devicelib/sim/SecurityChecks.h"

using ovsim::DeviceCall;
using ovsim::Fail;
using ovsim::Fn;
using ovsim::LastError;

namespace {

template <class Body>
StatusCode OnDevice(Fn fn, DeviceHandle h, Body body, std::vector<uint32_t> args = {}) {
    StatusCode status;
    {
        DeviceCall call(fn, h);
        status = call.Run([&](ovsim::Device&, DeviceCall& c) { return body(c); });
    }
    ovsim::NoteCall(fn, h, std::move(args), status);
    return status;
}

// A read that answers its byte count in a length byte, lowered when a short-read fault names this call.
void ShortenAnswer(Fn fn, uint8_t& length) {
    uint32_t count = length;
    ovsim::ApplyShortRead(fn, count);
    length = static_cast<uint8_t>(count);
}

// A reset, a jump or a power cycle ends the boot-loader session: handles taken before it go stale.
void EndSession(DeviceCall& call) { call.device().generation++; }

}  // namespace

extern "C" {

const char16_t* GET_LAST_ERROR(void) { return ovsim::LastErrorText(); }

uint8_t OV_CMD_ENUM_DEV(uint8_t interfaceIndex, char16_t* buffer, uint32_t capacity) {
    auto& sim = ovsim::Simulator::Get();
    uint8_t count = sim.Enumerate(interfaceIndex, buffer, capacity);
    if (auto fault = sim.TakeCallFault(Fn::EnumDev, {}); fault && *fault != CMD_STATUS_OK) {
        if (buffer != nullptr && capacity != 0) buffer[0] = 0;
        count = 0;
    }
    sim.Log(Fn::EnumDev, {}, count);
    return count;
}

uint8_t OV_CMD_CONNECT_DEV(DeviceHandle* handle, const char16_t* deviceName, uint32_t speed) {
    return ovsim::Simulator::Get().Connect(handle, deviceName, speed);
}

StatusCode OV_CMD_DISCONNECT_DEV(DeviceHandle* handle) { return ovsim::Simulator::Get().Disconnect(handle); }

StatusCode OV_CMD_GET_INF(DeviceHandle h, ChipInfoBlock* info) {
    return OnDevice(Fn::GetInf, h, [&](DeviceCall& c) {
        if (info == nullptr) return Fail(LastError::BadArgument);
        c.chip().FillInfo(*info);
        return CMD_STATUS_OK;
    });
}

StatusCode OV_CMD_OPT_RW(DeviceHandle h, OptionRwBlock* block) {
    return OnDevice(
        Fn::OptRw, h,
        [&](DeviceCall& c) {
            if (block == nullptr) return Fail(LastError::BadArgument);
            const StatusCode status = c.chip().OptionRw(*block);
            if (status == CMD_STATUS_OK && block->operation == 0) ShortenAnswer(Fn::OptRw, block->length);
            if (status == CMD_STATUS_OK && block->operation == 2) {
                c.chip().Reset();
                EndSession(c);
            }
            return status;
        },
        block ? std::vector<uint32_t>{block->operation, block->item} : std::vector<uint32_t>{});
}

StatusCode OV_CMD_OTP_RW(DeviceHandle h, OtpRwBlock* block) {
    return OnDevice(Fn::OtpRw, h, [&](DeviceCall& c) {
        if (block == nullptr) return Fail(LastError::BadArgument);
        const StatusCode status = c.chip().OtpRw(*block);
        if (status == CMD_STATUS_OK && block->operation == 0) ShortenAnswer(Fn::OtpRw, block->length);
        return status;
    });
}

StatusCode OV_CMD_EXT_OPT_RW(DeviceHandle h, ExtOptRwBlock* block) {
    return OnDevice(Fn::ExtOptRw, h, [&](DeviceCall& c) {
        if (block == nullptr) return Fail(LastError::BadArgument);
        const StatusCode status = c.chip().ExtOptRw(*block);
        if (status == CMD_STATUS_OK && block->operation == 0) ShortenAnswer(Fn::ExtOptRw, block->length);
        return status;
    });
}

StatusCode OV_CMD_USERX_OP(DeviceHandle h, UserPartitionRecord* record) {
    return OnDevice(
        Fn::UserxOp, h,
        [&](DeviceCall& c) {
            if (record == nullptr) return Fail(LastError::BadArgument);
            const StatusCode status = c.chip().PartitionOp(*record);
            if (status == CMD_STATUS_OK && record->operation == 0) ShortenAnswer(Fn::UserxOp, record->size);
            return status;
        },
        record ? std::vector<uint32_t>{record->operation, record->index} : std::vector<uint32_t>{});
}

StatusCode OV_CMD_KEY_UPDATE(DeviceHandle h, KeyUpdateRecord record) {
    return OnDevice(Fn::KeyUpdate, h, [&](DeviceCall& c) { return c.chip().KeyUpdate(record); }, {record.keyId});
}

StatusCode OV_CMD_FLASH_ERASE(DeviceHandle h, uint32_t first, uint32_t last, const UserPartitionRecord* partition,
                              const KeyUpdateRecord* key) {
    const StatusCode status = OnDevice(
        Fn::FlashErase, h,
        [&](DeviceCall& c) {
            if (StatusCode s = ovsim::CheckEraseArea(c.chip().Series(), first, last, partition); s != CMD_STATUS_OK)
                return s;
            return c.chip().Erase(first, last, partition, key, c.iface());
        },
        {first, last});
    ovsim::NoteEraseRequest(h, first, last, partition, key, status);
    return status;
}

StatusCode OV_CMD_EXT_FLASH_ERASE(DeviceHandle h, uint32_t first, uint32_t last, uint8_t extId,
                                  const UserPartitionRecord* /*partition*/, const KeyUpdateRecord* /*key*/) {
    return OnDevice(Fn::ExtFlashErase, h,
                    [&](DeviceCall& c) {
                        if (c.chip().Level() != 0) {
                            return c.chip().Level() == 2 ? CMD_STATUS_RDP_L2 : CMD_STATUS_PAGE_RDP_PROTECTED;
                        }
                        return c.chip().ExtErase(extId, first, last);
                    },
                    {first, last, extId});
}

StatusCode OV_CMD_FLASH_DWNLD(DeviceHandle h, const ImageDescriptor* image, const UserPartitionRecord* partition,
                              const KeyUpdateRecord* key, ProgressCallback progress, void* context) {
    return OnDevice(Fn::FlashDwnld, h, [&](DeviceCall& c) {
        if (image == nullptr || (image->data == nullptr && image->length != 0)) return Fail(LastError::BadArgument);
        return ovsim::DownloadImage(c, *image, partition, key, progress, context, false);
    });
}

StatusCode OV_CMD_EXT_API_DWNLD(DeviceHandle h, const ImageDescriptor* image, const UserPartitionRecord* partition,
                                const KeyUpdateRecord* key, ProgressCallback progress, void* context) {
    return OnDevice(Fn::ExtApiDwnld, h, [&](DeviceCall& c) {
        if (image == nullptr || (image->data == nullptr && image->length != 0)) return Fail(LastError::BadArgument);
        return ovsim::DownloadImage(c, *image, partition, key, progress, context, true);
    });
}

StatusCode OV_CMD_EXT_FLASH_DWNLD(DeviceHandle h, const ExtFlashImageDescriptor* image,
                                  const UserPartitionRecord* /*partition*/, const KeyUpdateRecord* /*key*/,
                                  const uint8_t* /*extFlashKey*/, ProgressCallback progress, void* context) {
    return OnDevice(Fn::ExtFlashDwnld, h, [&](DeviceCall& c) {
        if (image == nullptr || (image->data == nullptr && image->length != 0)) return Fail(LastError::BadArgument);
        return ovsim::DownloadExternal(c, *image, progress, context);
    });
}

StatusCode OV_CMD_EXT_KEY_CFG(DeviceHandle h, OvKey128 key, const UserPartitionRecord* /*partition*/,
                              const KeyUpdateRecord* /*keyRecord*/) {
    return OnDevice(Fn::ExtKeyCfg, h, [&](DeviceCall& c) {
        ovsim::Key128 bytes;
        std::copy(key.bytes, key.bytes + 16, bytes.begin());
        return c.chip().ExtKeyConfig(bytes);
    });
}

StatusCode OV_CMD_READ_PROTECT(DeviceHandle h, uint8_t level, uint8_t seriesCode) {
    return OnDevice(Fn::ReadProtect, h, [&](DeviceCall& c) { return c.chip().ReadProtect(level, seriesCode); },
                    {level, seriesCode});
}

StatusCode OV_CMD_WRITE_PROTECT(DeviceHandle h, uint8_t wrp0, uint8_t wrp1, uint8_t wrp2, uint8_t wrp3) {
    return OnDevice(Fn::WriteProtect, h,
                    [&](DeviceCall& c) {
                        return c.chip().WriteProtect({wrp0, wrp1, wrp2, wrp3});
                    },
                    {wrp0, wrp1, wrp2, wrp3});
}

StatusCode OV_CMD_SYS_RESET(DeviceHandle h) {
    return OnDevice(Fn::SysReset, h, [&](DeviceCall& c) {
        c.chip().Reset();
        EndSession(c);
        return CMD_STATUS_OK;
    });
}

StatusCode OV_CMD_APP_GO(DeviceHandle h, uint32_t address, uint8_t mode) {
    return OnDevice(Fn::AppGo, h, [&](DeviceCall& c) {
        ovsim::Region* region = nullptr;
        const bool inMemory = c.chip().CheckRange(address, 4, c.iface(), region) == CMD_STATUS_OK;
        if (mode == 0) {
            // Address 0 runs the program at the flash base.
            if (address != 0 && !(inMemory && region->spec.kind == ovsim::RegionKind::Flash)) {
                return CMD_STATUS_BAD_PARAMETER;
            }
        } else if (mode != 4 || !inMemory || region->spec.kind != ovsim::RegionKind::Ram) {
            return CMD_STATUS_BAD_PARAMETER;
        }
        c.chip().Run(address);
        EndSession(c);
        return CMD_STATUS_OK;
    });
}

StatusCode OV_CMD_SEND_COMMAND(DeviceHandle h, const uint8_t* command, uint32_t length, uint8_t* reply,
                               uint32_t* replyLength) {
    return OnDevice(Fn::SendCommand, h,
                    [&](DeviceCall& c) { return ovsim::RunBootCommand(c, command, length, reply, replyLength); });
}

StatusCode OV_CMD_RECV_DATA(uint32_t address, uint8_t* buffer, uint32_t* length) {
    const DeviceHandle last = ovsim::Simulator::Get().LastConnected();
    return OnDevice(Fn::RecvData, last, [&](DeviceCall& c) {
        if (buffer == nullptr || length == nullptr) return Fail(LastError::BadArgument);
        ovsim::ApplyShortRead(ovsim::Fn::RecvData, *length);
        const StatusCode status = c.chip().Read(address, buffer, *length, c.iface());
        if (status != CMD_STATUS_OK) *length = 0;
        return status;
    });
}

StatusCode OV_CMD_SET_KEY(DeviceHandle h, uint8_t kind, const uint8_t* key, uint32_t length) {
    return OnDevice(Fn::SetKey, h,
                    [&](DeviceCall& c) {
                        if (!key) return Fail(LastError::BadArgument);
                        // A chip bound to its firmware takes only the IDKey that firmware was made with.
                        if (kind == 1 && length == 16) {
                            if (StatusCode s = ovsim::CheckIdKeyAgainstFirmware(c.device(), key); s != CMD_STATUS_OK)
                                return s;
                        }
                        return c.chip().SetKey(kind, key, length);
                    },
                    {kind, length});
}

StatusCode OV_CMD_SET_JTAG_MODE(DeviceHandle h, uint8_t mode, const uint8_t* data, uint32_t length) {
    return OnDevice(Fn::SetJtagMode, h, [&](DeviceCall& c) {
        return data ? c.chip().SetJtagMode(mode, data, length) : Fail(LastError::BadArgument);
    });
}

StatusCode OV_CMD_SET_SECURE_MODE(DeviceHandle h, uint8_t mode, const uint8_t* token) {
    return OnDevice(Fn::SetSecureMode, h, [&](DeviceCall& c) {
        if (token == nullptr) return Fail(LastError::BadArgument);
        ovsim::Device& device = c.device();
        const std::optional<ovsim::Key128> challenge = std::exchange(device.lastChallenge, std::nullopt);
        const bool proven = challenge && device.challengeGeneration == device.generation &&
                            ovsim::SecureModeTokenMatches(c.chip(), *challenge, token);
        return c.chip().SetSecureMode(mode, proven);
    });
}

}  // extern "C"
