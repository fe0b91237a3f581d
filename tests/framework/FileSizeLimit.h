// A file-size limit for one scope: a write past it fails as on a full disk, without filling a disk.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace fw::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_ok = ::getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        // Ignored, the signal lets the write fail with EFBIG instead of ending the test program.
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_ok = m_ok && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool Ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_ok = false;
};

}  // namespace fw::testing
