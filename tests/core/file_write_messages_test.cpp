// A file the program cannot write is named to the user in the interface language: the box holds the path and the
// translated failure, whichever writer met it.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <vector>

#include "core/FileServices.h"
#include "framework/host/headless/HeadlessHost.h"
#include "tests/core/LanguageFixture.h"

namespace {

class FileWriteMessages : public qx::testing::LanguageFixture {
protected:
    fw::HeadlessHost m_host;
};

TEST_F(FileWriteMessages, AnUnwritablePathIsReportedInEnglish) {
    std::filesystem::create_directories(m_dir.Path() / "Languages");
    std::filesystem::copy_file(std::filesystem::path(LANGUAGES_DIR) / "en.ini", m_dir.Path() / "Languages" / "en.ini");
    SetLanguageFile(1);
    // A folder that cannot exist, whoever runs the test: its parent is a plain file.
    m_dir.Write("Key", "not a folder");
    const fw::Text unwritable = m_dir.Wide("Key/JTAG_Key_1.bin");
    const fw::Text writable = m_dir.Wide("Nonce_1.bin");
    const std::vector<uint8_t> bytes(16, 0xA5);

    struct Case {
        const char* writer;
        std::function<bool()> write;
    };
    const Case cases[] = {
        {"one file", [&] { return WriteBufferToFile(unwritable, bytes); }},
        {"files that belong together",
         [&] {
             const std::array files = {fw::FileToWrite{writable, bytes}, fw::FileToWrite{unwritable, bytes}};
             return WriteBuffersToFiles(files);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.writer);
        m_host.ExpectBox(unwritable + u"File open failed!", fw::IDOK);
        EXPECT_FALSE(c.write());
        EXPECT_FALSE(std::filesystem::exists(m_dir.Path() / "Nonce_1.bin"));
    }
    EXPECT_EQ(m_host.Boxes().size(), 2u);
}

}  // namespace
