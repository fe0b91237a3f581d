// Lookups from several threads at once, while another catalog is being added.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "framework/Text.h"
#include "lexmira/Lexmira.h"

namespace {

std::u16string Fixture(const char* name) { return fw::Utf8ToText(std::string(LEXMIRA_FIXTURE_DIR "/") + name); }

TEST(LexmiraThreads, LookupsFromSeveralThreadsAnswerConsistently) {
    lexmira::wxLocale* locale = CreateObject(2);
    ASSERT_TRUE(locale->LoadCatalog(Fixture("basic.mo").c_str()));

    constexpr int kThreads = 8;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&wrong] {
            for (int i = 0; i < 2000; ++i) {
                if (std::u16string(wxGetTranslation(u"芯片型号:")) != u"Chip model:") ++wrong;
                const std::u16string connect = wxGetTranslation(u"请先连接设备！");
                // Until the newer catalog is in, the older answer; afterwards the newer one.
                if (connect != u"Please connect a device first!" && connect != u"Connect a device first, please!") {
                    ++wrong;
                }
                const char16_t* missing = u"没有这条";
                if (wxGetTranslation(missing) != missing) ++wrong;
            }
        });
    }
    const bool loaded = locale->LoadCatalog(Fixture("newer.mo").c_str());
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_TRUE(loaded);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(std::u16string(wxGetTranslation(u"请先连接设备！")), u"Connect a device first, please!");
    locale->Destroy();
}

}  // namespace
