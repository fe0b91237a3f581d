#include "app/PartitionLayout.h"

#include <algorithm>
#include <cmath>

#include "core/HexText.h"
#include "framework/Format.h"

PartitionLayout PlanPartitionLayout(const PartitionLayoutInput& in) {
    PartitionLayout out;
    if (in.flashSizeKB == 0.0) {
        out.failure = PartitionFailure::ZeroFlashSize;
        return out;
    }
    const double u = in.partitionUnitKB;
    const double units = u > 0 ? in.flashSizeKB / u : 0.0;  // N
    std::array<int, 3> size = {in.sizes[0], in.sizes[1], in.sizes[2]};

    if (in.series == 3) {
        if (in.flashSizeKB == 32.0 && size[0] == 15) size[0] = static_cast<int>(units - 1);
        if (size[1] > units || size[2] > units) out.failure = PartitionFailure::BadSize;
    } else if (size[0] > units || size[1] > units || size[2] > units) {
        out.failure = PartitionFailure::BadSize;
    }
    if (out.failure == PartitionFailure::None && size[0] == 0) {
        const double rest = std::floor(units - size[1] - size[2]);
        if (rest < 0) {
            out.failure = PartitionFailure::BadSize;
        } else {
            size[0] = static_cast<int>(rest);
        }
    } else if (out.failure == PartitionFailure::None) {
        size[0] = User1UnitsHeld(in.series, size[0]);
    }
    if (out.failure != PartitionFailure::None) return out;
    for (int i = 0; i < 3; ++i)
        out.sizes[i] = static_cast<uint8_t>(std::clamp(size[i], 0, 255));
    out.user1Units = static_cast<uint32_t>(size[0]);

    if (in.series == 11 && (in.downloadArea == 1 || in.downloadArea == 2)) return out;
    const double base = in.flashBase;
    const double user2 = base + size[0] * u * 1024;
    const double user3 = std::floor(base + in.mainFlashSizeKB * 1024 - size[2] * u * 1024);
    const double end = base + in.flashSizeKB * 1024;
    double start[3];
    for (int i = 0; i < 3; ++i)
        start[i] = HexToUInt32(in.itemStarts[i]);
    out.resetStarts = start[0] < base || start[0] >= user2 ||
                      (size[1] != 0 && (start[1] < user2 || start[1] >= user3)) ||
                      (size[2] != 0 && (start[2] < user3 || start[2] >= end));
    if (out.resetStarts) {
        for (int i = 0; i < 3; ++i) {
            const double a = i == 0 ? base : i == 1 ? user2 : user3;
            out.starts[i] = fw::Format(u"%08X", static_cast<uint32_t>(std::clamp(a, 0.0, 4294967295.0)));
        }
    }
    return out;
}
