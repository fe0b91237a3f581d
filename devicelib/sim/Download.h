// Moving image data to a chip packet by packet, with the progress callback after each packet.
#pragma once

#include "devicelib/sim/DeviceCall.h"

namespace ovsim {

StatusCode DownloadImage(DeviceCall& call, const ImageDescriptor& image, const UserPartitionRecord* partition,
                         const KeyUpdateRecord* key, ProgressCallback progress, void* context, bool externalApi);
StatusCode DownloadExternal(DeviceCall& call, const ExtFlashImageDescriptor& image, ProgressCallback progress,
                            void* context);

}  // namespace ovsim
