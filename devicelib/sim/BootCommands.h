// Raw boot-loader commands sent through OV_CMD_SEND_COMMAND.
#pragma once

#include "devicelib/sim/DeviceCall.h"

namespace ovsim {

StatusCode RunBootCommand(DeviceCall& call, const uint8_t* command, uint32_t length, uint8_t* reply,
                          uint32_t* replyLength);

}  // namespace ovsim
