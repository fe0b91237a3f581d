// The file tools' dialogs on the headless host, in a working directory of their own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "framework/Files.h"
#include "framework/Resources.h"
#include "framework/host/headless/HeadlessHost.h"
#include "tests/framework/TempFolder.h"

class ToolDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousDir = fw::GetWorkingDirectory();
        fw::SetWorkingDirectory(dir.Wide());
        fw::SetResourceLanguage(fw::kLangChinese);
    }
    void TearDown() override { fw::SetWorkingDirectory(m_previousDir); }

    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.Path() / name); }
    // Every file under the working directory, relative, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path())) {
            if (e.is_regular_file()) out.push_back(std::filesystem::relative(e.path(), dir.Path()).string());
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    std::vector<uint8_t> Bytes(const std::string& name) const {
        const std::string s = dir.Read(name);
        return {s.begin(), s.end()};
    }

    fw::HeadlessHost host;
    fw::testing::TempFolder dir;

private:
    fw::Text m_previousDir;
};
