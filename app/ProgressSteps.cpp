#include "app/ProgressSteps.h"

#include <algorithm>

ProgressPlan PlanProgressSteps(const ProgressInput& in) {
    ProgressPlan plan;
    plan.channelPageSize = in.channelPageSize;
    if (in.totalBytes == 0) {
        plan.failure = ProgressFailure::ZeroLength;
        return plan;
    }
    uint64_t packet = 0;
    if (IsSwd(in.iface)) {
        if (in.productionMode && in.mainSeries <= 12) plan.channelPageSize = ProductionPageSize(in.mainSeries);
        if (plan.channelPageSize == 0) {
            plan.failure = ProgressFailure::ZeroPageSize;
            return plan;
        }
        packet = std::min<uint64_t>({in.totalBytes, plan.channelPageSize, 2048});
    } else {
        packet = in.mainSeries == 10 && !in.bootSubVersionIsV10 ? 2048 : 128;
    }
    plan.packetSize = static_cast<uint32_t>(packet);
    plan.steps = static_cast<uint32_t>(std::min<uint64_t>(in.totalBytes / packet, UINT32_MAX));
    return plan;
}
