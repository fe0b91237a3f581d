#include "tests/common/ExportedNames.h"

#include <cstdio>
#include <sstream>

std::optional<std::set<std::string>> ExportedNames(const std::string& libraryPath) {
    const std::string command = "nm -D --defined-only '" + libraryPath + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::set<std::string> names;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (!(fields >> address >> type >> name)) continue;
        if (name.rfind("_Z", 0) == 0 || name[0] != '_') names.insert(name);
    }
    if (pclose(pipe) != 0) return std::nullopt;
    return names;
}
