#include "offline/CurrentProject.h"

#include <memory>

namespace {

std::unique_ptr<ProjectConfig>& Current() {
    static std::unique_ptr<ProjectConfig> record;
    return record;
}

}  // namespace

const ProjectConfig* CurrentProjectConfig() { return Current().get(); }

void InstallProjectConfig(const ProjectConfig& record) { Current() = std::make_unique<ProjectConfig>(record); }

void ClearProjectConfig() { Current().reset(); }
