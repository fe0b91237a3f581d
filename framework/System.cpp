#include "framework/System.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "framework/Files.h"
#include "framework/Window.h"

extern char** environ;

namespace fw {
namespace {

std::atomic<std::uint16_t> g_languageOverride{0};
std::mutex g_openerLock;
Text g_documentOpener;

std::vector<char*> ArgumentPointers(std::vector<std::string>& arguments) {
    std::vector<char*> pointers;
    for (std::string& a : arguments)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts the program; the child's id, or -1. The program is looked up in PATH when it has no "/".
pid_t Spawn(std::vector<std::string> arguments, const std::string& workingFolder) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    std::vector<char*> argv = ArgumentPointers(arguments);
    pid_t pid = -1;
    const int failed = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

// Nobody waits for the programs we start: a thread reaps each one so that it does not linger as a zombie, and
// hands its exit status to `ended` when there is one to hand.
void ReapInBackground(pid_t pid, std::function<void(int status)> ended = {}) {
    std::thread([pid, ended = std::move(ended)] {
        int status = 0;
        pid_t reaped = -1;
        do {
            reaped = ::waitpid(pid, &status, 0);
        } while (reaped < 0 && errno == EINTR);
        if (reaped == pid && ended) ended(status);
    }).detach();
}

std::optional<std::string> ReadSmallFile(const Text& path) {
    const ReadResult file = ReadWholeFile(path, 4 * 1024 * 1024);
    if (!file) return std::nullopt;
    return std::string(file.bytes.begin(), file.bytes.end());
}

// /proc/net/route: "Iface Destination Gateway Flags ..." with hex fields; a default route has destination 0 and
// the "up" flag.
bool Ipv4TableHasDefault(std::string_view table) {
    for (const Text& line : SplitLines(table)) {
        const std::string text = TextToUtf8(line);
        char iface[64] = {};
        unsigned long destination = 1;
        unsigned long gateway = 0;
        unsigned flags = 0;
        if (std::sscanf(text.c_str(), "%63s %lx %lx %x", iface, &destination, &gateway, &flags) == 4 &&
            destination == 0 && (flags & 0x1) != 0) {
            return true;
        }
    }
    return false;
}

// /proc/net/ipv6_route: destination (32 hex digits), prefix length, ..., flags in the ninth field; the default
// route is ::/0, up, and not the loopback device's unreachable entry.
bool Ipv6TableHasDefault(std::string_view table) {
    for (const Text& line : SplitLines(table)) {
        const std::string text = TextToUtf8(line);
        char destination[33] = {};
        unsigned prefix = 1;
        char source[33] = {};
        unsigned sourcePrefix = 0;
        char nextHop[33] = {};
        unsigned metric = 0, refs = 0, use = 0, flags = 0;
        char device[64] = {};
        if (std::sscanf(text.c_str(), "%32s %x %32s %x %32s %x %x %x %x %63s", destination, &prefix, source,
                        &sourcePrefix, nextHop, &metric, &refs, &use, &flags, device) == 10 &&
            std::string_view(destination) == std::string(32, '0') && prefix == 0 && (flags & 0x1) != 0 &&
            (flags & 0x200) == 0 && std::string_view(device) != "lo") {
            return true;
        }
    }
    return false;
}

}  // namespace

std::uint16_t GetUiLanguageId() {
    if (const std::uint16_t forced = g_languageOverride.load()) return forced;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        const std::string_view locale(value);
        const bool chinese =
            locale.size() >= 2 && (locale[0] == 'z' || locale[0] == 'Z') && (locale[1] == 'h' || locale[1] == 'H');
        return chinese ? kLanguageChinese : kLanguageEnglish;
    }
    return kLanguageEnglish;
}

void SetUiLanguageOverride(std::uint16_t languageId) { g_languageOverride = languageId; }

int GetOsMajorVersion() { return 10; }

std::optional<Text> GetHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return std::nullopt;
    return Utf8ToText(name);
}

std::optional<Text> GetFirstIpv4Address(TextView hostName) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(TextToUtf8(hostName).c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    std::optional<Text> address;
    char dotted[INET_ADDRSTRLEN] = {};
    const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    if (::inet_ntop(AF_INET, &ipv4->sin_addr, dotted, sizeof dotted) != nullptr) address = Utf8ToText(dotted);
    ::freeaddrinfo(found);
    return address;
}

bool StartProgram(TextView program, const std::vector<Text>& arguments, TextView workingFolder) {
    std::vector<std::string> argv{ToOsPath(program)};
    for (const Text& a : arguments)
        argv.push_back(TextToUtf8(a));
    const pid_t pid = Spawn(std::move(argv), workingFolder.empty() ? std::string() : ToOsPath(workingFolder));
    if (pid < 0) return false;
    ReapInBackground(pid);
    return true;
}

bool RestartSelf() {
    const std::optional<std::string> commandLine = ReadSmallFile(u"/proc/self/cmdline");
    std::error_code error;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (!commandLine || error) return false;
    std::vector<std::string> argv{self};
    std::size_t start = commandLine->find('\0');  // argv[0] is replaced by the executable's real path
    while (start != std::string::npos && start + 1 < commandLine->size()) {
        const std::size_t end = commandLine->find('\0', start + 1);
        argv.push_back(commandLine->substr(start + 1, end == std::string::npos ? end : end - start - 1));
        start = end;
    }
    const pid_t pid = Spawn(std::move(argv), ToOsPath(GetWorkingDirectory()));
    if (pid < 0) return false;
    ReapInBackground(pid);
    return true;
}

void SetDocumentOpener(TextView program) {
    const std::lock_guard<std::mutex> lock(g_openerLock);
    g_documentOpener = program;
}

bool OpenDocument(TextView path, const Window& notify, unsigned verdictMessage) {
    if (!FileExists(path)) return false;
    Text opener;
    {
        const std::lock_guard<std::mutex> lock(g_openerLock);
        opener = g_documentOpener.empty() ? Text(u"xdg-open") : g_documentOpener;
    }
    const pid_t pid = Spawn({ToOsPath(opener), ToOsPath(path)}, std::string());
    if (pid < 0) return false;
    const WindowHandle window = notify.Handle();
    ReapInBackground(pid, [window, verdictMessage](int status) {
        const bool opened = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        Window::PostToWindow(window, verdictMessage, opened ? 1 : 0);
    });
    return true;
}

Text GetProgramVersion() { return Utf8ToText(QX_PROGRAM_VERSION); }

bool IsInternetConnected(TextView procNetFolder) {
    const std::optional<std::string> ipv4 = ReadSmallFile(JoinPath(procNetFolder, u"route"));
    const std::optional<std::string> ipv6 = ReadSmallFile(JoinPath(procNetFolder, u"ipv6_route"));
    if (!ipv4 && !ipv6) return true;
    return (ipv4 && Ipv4TableHasDefault(*ipv4)) || (ipv6 && Ipv6TableHasDefault(*ipv6));
}

}  // namespace fw
