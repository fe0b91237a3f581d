// A stand-in for the desktop's document opener that keeps running until the test lets it go and then exits with the
// code it was given: xdg-open on a busy machine can take seconds to find that nothing opens a file, and the test
// decides when that moment comes instead of betting on a sleep.
#pragma once

#include <filesystem>
#include <string>

#include "framework/Text.h"
#include "tests/framework/TempFolder.h"

namespace fw::testing {

class HeldOpener {
public:
    HeldOpener(const TempFolder& dir, int exitCode)
        : m_dir(dir), m_release("opener-" + std::to_string(exitCode) + ".released") {
        const std::string script = "opener-" + std::to_string(exitCode) + ".sh";
        // It also ends when its folder is gone, so a test that stops before letting it go leaves nothing behind.
        m_dir.Write(script, "#!/bin/sh\nwhile [ ! -e '" + m_dir.Os(m_release) +
                                "' ] && [ -e \"$0\" ]; do sleep 0.01; done\nexit " + std::to_string(exitCode) + "\n");
        std::filesystem::permissions(m_dir.Path() / script, std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add);
        m_program = m_dir.Wide(script);
    }

    const Text& Program() const { return m_program; }
    void Release() const { m_dir.Write(m_release, ""); }

private:
    const TempFolder& m_dir;
    std::string m_release;
    Text m_program;
};

}  // namespace fw::testing
