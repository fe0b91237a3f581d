// A working directory of its own for tests of the translated texts, with the translation globals back at their
// start-up values before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/Translation.h"
#include "framework/Files.h"
#include "tests/framework/TempFolder.h"

namespace qx::testing {

class LanguageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousDir = fw::GetWorkingDirectory();
        ASSERT_TRUE(fw::SetWorkingDirectory(m_dir.Wide()));
        ResetTranslation();
    }
    void TearDown() override {
        ResetTranslation();
        fw::SetWorkingDirectory(m_previousDir);
    }

    static void ResetTranslation() {
        g_bCatalogTranslation = 0;
        g_strLanguageIniPath.clear();
    }

    // "Languages/<name>" with section "dlparam" holding the given "key=value" lines.
    void WriteLanguageIni(const std::string& name, const std::string& lines) const {
        m_dir.Write("Languages/" + name, "[dlparam]\n" + lines);
    }

    fw::testing::TempFolder m_dir;
    fw::Text m_previousDir;
};

}  // namespace qx::testing
