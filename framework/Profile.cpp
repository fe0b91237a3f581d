#include "framework/Profile.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <limits>
#include <mutex>
#include <vector>

#include "framework/Files.h"
#include "framework/Format.h"
#include "framework/Ini.h"

namespace fw {
namespace {

std::mutex g_folderLock;
Text g_folderOverride;

Text HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return Utf8ToText(home);
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return Utf8ToText(found->pw_dir);
    }
    return u"/";
}

}  // namespace

void SetProfileFolder(TextView folder) {
    const std::lock_guard<std::mutex> hold(g_folderLock);
    g_folderOverride = NormalizePath(folder);
}

Text GetProfileFolder() {
    {
        const std::lock_guard<std::mutex> hold(g_folderLock);
        if (!g_folderOverride.empty()) return g_folderOverride;
    }
    // The XDG rule: a relative XDG_CONFIG_HOME is to be ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const Text base = config != nullptr && config[0] == '/' ? Utf8ToText(config) : JoinPath(HomeFolder(), u".config");
    return JoinPath(base, u"QXDownloadTool");
}

Text GetProfilePath() { return JoinPath(GetProfileFolder(), kProfileFileName); }

Text GetProfileString(TextView section, TextView key, TextView defaultValue) {
    return GetPrivateProfileString(section, key, defaultValue, std::numeric_limits<std::size_t>::max(),
                                   GetProfilePath());
}

int GetProfileInt(TextView section, TextView key, int defaultValue) {
    return GetPrivateProfileInt(section, key, defaultValue, GetProfilePath());
}

bool WriteProfileString(TextView section, TextView key, TextView value) {
    return CreateFolders(GetProfileFolder()) && WritePrivateProfileString(section, key, value, GetProfilePath());
}

bool WriteProfileInt(TextView section, TextView key, int value) {
    return WriteProfileString(section, key, Format(u"%d", value));
}

}  // namespace fw
