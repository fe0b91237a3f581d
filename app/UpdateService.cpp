#include "app/UpdateService.h"

namespace {

UpdateServiceFactory& Factory() {
    static UpdateServiceFactory factory;
    return factory;
}

}  // namespace

void SetUpdateServiceFactory(UpdateServiceFactory factory) { Factory() = std::move(factory); }

const UpdateServiceFactory& GetUpdateServiceFactory() { return Factory(); }
