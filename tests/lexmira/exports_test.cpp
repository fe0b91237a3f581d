#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/common/ExportedNames.h"

namespace {

TEST(LexmiraExports, OnlyTheThreeFunctionsLeaveTheLibrary) {
    // The catalog code and the framework code the library carries stay inside, so nothing of it can clash with
    // the program that links the library.
    EXPECT_EQ(ExportedNames(LEXMIRA_LIBRARY),
              (std::set<std::string>{"wxGetTranslation", "CreateObject", "wxGetLocale"}));
}

}  // namespace
