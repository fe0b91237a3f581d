#include "app/OfflineLink.h"

namespace {

OfflineLinkFactory& Factory() {
    static OfflineLinkFactory factory;
    return factory;
}

}  // namespace

void SetOfflineLinkFactory(OfflineLinkFactory factory) { Factory() = std::move(factory); }

const OfflineLinkFactory& GetOfflineLinkFactory() { return Factory(); }
