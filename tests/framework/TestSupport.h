// Small helpers of the framework tests: environment variables set for one scope, and waiting for a condition
// that another thread or process brings about.
#pragma once

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace fw::testing {

class ScopedEnv {
public:
    // A null value unsets the variable for the scope.
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// True as soon as done() is; false when it is still not after the limit.
template <class Predicate>
bool Eventually(Predicate done, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace fw::testing
