// A second process for the named-mutex tests: named_mutex_helper <runtime folder> <name> try <ms> | hold
// "try" waits the given time and exits 0 when it got the mutex, 1 when not. "hold" says "waiting", waits without
// limit, says "locked" and then keeps the mutex until it is killed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "framework/Sync.h"

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    fw::SetRuntimeFolder(fw::Utf8ToText(argv[1]));
    fw::NamedMutex mutex(fw::Utf8ToText(argv[2]));
    if (std::strcmp(argv[3], "try") == 0 && argc == 5) {
        return mutex.Wait(static_cast<std::uint32_t>(std::atoi(argv[4]))) ? 0 : 1;
    }
    if (std::strcmp(argv[3], "hold") == 0) {
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
