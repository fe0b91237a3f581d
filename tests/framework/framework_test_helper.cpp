// A second process for the framework tests.
//   framework_test_helper mutex <runtime folder> <name> try <ms>   exits 0 when it got the mutex in time, 1 if not
//   framework_test_helper mutex <runtime folder> <name> hold       says "waiting", waits, says "locked", keeps it
//   framework_test_helper restart <record file> [args...]          restarts itself once, then records its working
//                                                                  folder and arguments in the file
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "framework/Files.h"
#include "framework/Sync.h"
#include "framework/System.h"

namespace {

int Mutex(int argc, char** argv) {
    if (argc < 5) return 2;
    fw::SetRuntimeFolder(fw::Utf8ToText(argv[2]));
    fw::NamedMutex mutex(fw::Utf8ToText(argv[3]));
    if (std::strcmp(argv[4], "try") == 0 && argc == 6) {
        return mutex.Wait(static_cast<std::uint32_t>(std::atoi(argv[5]))) ? 0 : 1;
    }
    if (std::strcmp(argv[4], "hold") == 0) {
        std::printf("waiting\n");
        std::fflush(stdout);
        mutex.Wait();
        std::printf("locked\n");
        std::fflush(stdout);
        for (;;)
            std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    return 2;
}

int Restart(int argc, char** argv) {
    if (argc < 3) return 2;
    const fw::Text record = fw::Utf8ToText(argv[2]);
    if (!fw::FileExists(record)) {
        if (!fw::WriteFileAtomic(record, std::string_view("restarting"))) return 1;
        return fw::RestartSelf() ? 0 : 1;
    }
    std::string seen = fw::TextToUtf8(fw::GetWorkingDirectory());
    for (int i = 1; i < argc; ++i)
        seen += std::string("|") + argv[i];
    return fw::WriteFileAtomic(record, std::string_view(seen)) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "mutex") == 0) return Mutex(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "restart") == 0) return Restart(argc, argv);
    return 2;
}
