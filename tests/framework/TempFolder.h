// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/Text.h"

namespace fw::testing {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qx-fw-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string Os(const std::string& name = {}) const {
        return name.empty() ? m_path.string() : (m_path / name).string();
    }
    Text Wide(const std::string& name = {}) const { return Utf8ToText(Os(name)); }

    void Write(const std::string& name, const std::string& bytes) const {
        std::filesystem::create_directories((m_path / name).parent_path());
        std::ofstream(m_path / name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::string bytes;
        if (std::FILE* f = std::fopen((m_path / name).c_str(), "rb")) {
            char chunk[4096];
            for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
                bytes.append(chunk, got);
            std::fclose(f);
        }
        return bytes;
    }

private:
    std::filesystem::path m_path;
};

}  // namespace fw::testing
