#include "framework/System.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <thread>

#include "framework/host/headless/HeadlessHost.h"
#include "tests/framework/HeldOpener.h"
#include "tests/framework/RecordingWindow.h"
#include "tests/framework/TempFolder.h"
#include "tests/framework/TestSupport.h"

namespace fw {
namespace {

using fw::testing::Eventually;
using fw::testing::HeldOpener;
using fw::testing::RecordingWindow;
using fw::testing::ScopedEnv;
using fw::testing::TempFolder;
using fw::testing::WM_RECORD;
using namespace std::chrono_literals;

TEST(System, LanguageComesFromTheFirstLocaleVariableThatIsSet) {
    struct Row {
        const char *all, *messages, *lang;
        std::uint16_t want;
    };
    const Row rows[] = {
        {nullptr, nullptr, "zh_CN.UTF-8", 2052},
        {nullptr, nullptr, "zh_TW", 2052},
        {nullptr, nullptr, "en_US.UTF-8", 1033},
        {nullptr, nullptr, "de_DE", 1033},
        {nullptr, nullptr, "C", 1033},
        {nullptr, nullptr, nullptr, 1033},
        {nullptr, "zh_CN.UTF-8", "en_US.UTF-8", 2052},
        {"en_US.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", 1033},
        {"", "", "zh_CN", 2052},  // empty counts as unset
        {nullptr, nullptr, "z", 1033},
    };
    SetUiLanguageOverride(0);
    for (const Row& r : rows) {
        ScopedEnv all("LC_ALL", r.all), messages("LC_MESSAGES", r.messages), lang("LANG", r.lang);
        EXPECT_EQ(GetUiLanguageId(), r.want) << (r.lang ? r.lang : "(unset)");
    }
    ScopedEnv lang("LANG", "zh_CN.UTF-8");
    SetUiLanguageOverride(kLanguageEnglish);
    EXPECT_EQ(GetUiLanguageId(), kLanguageEnglish);
    SetUiLanguageOverride(0);
    EXPECT_EQ(GetUiLanguageId(), kLanguageChinese);
}

TEST(System, HostNameAndFirstIpv4Address) {
    const std::optional<Text> host = GetHostName();
    ASSERT_TRUE(host.has_value());
    EXPECT_FALSE(host->empty());
    EXPECT_EQ(GetFirstIpv4Address(u"localhost"), Text(u"127.0.0.1"));
    EXPECT_EQ(GetFirstIpv4Address(u"10.1.2.3"), Text(u"10.1.2.3"));
}

TEST(System, StartProgramRunsInTheGivenFolder) {
    TempFolder dir;
    ASSERT_TRUE(StartProgram(u"/bin/sh", {u"-c", u"pwd > where.txt"}, dir.Wide()));
    ASSERT_TRUE(Eventually([&] { return dir.Read("where.txt").size() > 1; }));
    EXPECT_EQ(dir.Read("where.txt"), std::filesystem::canonical(dir.Path()).string() + "\n");
    EXPECT_FALSE(StartProgram(dir.Wide("no-such-program"), {}, dir.Wide()));
    EXPECT_FALSE(StartProgram(u"/bin/sh", {}, dir.Wide("no-such-folder")));
}

TEST(System, RestartSelfKeepsArgumentsAndWorkingFolder) {
    TempFolder dir;
    const std::string record = dir.Os("record.txt");
    ASSERT_TRUE(
        StartProgram(Utf8ToText(QX_TEST_HELPER), {u"restart", Utf8ToText(record), u"a", u"b c", u""}, dir.Wide()));
    const std::string want = std::filesystem::canonical(dir.Path()).string() + "|restart|" + record + "|a|b c|";
    EXPECT_TRUE(Eventually([&] { return dir.Read("record.txt") == want; })) << dir.Read("record.txt");
}

// The handler's verdict reaches the window whenever the handler ends, also long after OpenDocument returned (as
// xdg-open on a busy machine, still looking for a viewer); only a clean exit counts as opened.
TEST(System, OpenDocumentPostsTheHandlersVerdictWheneverItComes) {
    HeadlessHost host;
    RecordingWindow window;
    ASSERT_TRUE(window.CreateEx(nullptr, u"w", WS_POPUP, 0, Rect{0, 0, 100, 100}));
    TempFolder dir;
    dir.Write("manual.pdf", "%PDF");
    const HeldOpener lateFailure(dir, 4);
    const HeldOpener lateSuccess(dir, 0);
    struct Row {
        const char* what;
        Text opener;
        const HeldOpener* held;
        WParam verdict;
    };
    const Row rows[] = {
        {"quick success", u"/bin/true", nullptr, 1},
        {"quick failure", u"/bin/false", nullptr, 0},
        {"late failure", lateFailure.Program(), &lateFailure, 0},
        {"late success", lateSuccess.Program(), &lateSuccess, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        window.received.clear();
        SetDocumentOpener(r.opener);
        ASSERT_TRUE(OpenDocument(dir.Wide("manual.pdf"), window, WM_RECORD));
        if (r.held != nullptr) {
            EXPECT_TRUE(host.PumpUntilIdle());
            EXPECT_TRUE(window.received.empty()) << "a verdict while the handler still runs";
            r.held->Release();
        }
        ASSERT_TRUE(host.PumpUntil([&] { return !window.received.empty(); }, 30s));
        EXPECT_EQ(window.received, std::vector<WParam>{r.verdict});
    }

    // Nothing started, nothing to wait for: the caller hears it at once.
    window.received.clear();
    EXPECT_FALSE(OpenDocument(dir.Wide("missing.pdf"), window, WM_RECORD));
    SetDocumentOpener(dir.Wide("no-such-opener"));
    EXPECT_FALSE(OpenDocument(dir.Wide("manual.pdf"), window, WM_RECORD));
    EXPECT_TRUE(host.PumpUntilIdle());
    EXPECT_TRUE(window.received.empty());
    SetDocumentOpener(u"");
}

TEST(System, VersionIsTheProjectVersion) {
    std::string cmake;
    std::FILE* f = std::fopen(QX_SOURCE_DIR "/CMakeLists.txt", "rb");
    ASSERT_NE(f, nullptr);
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
        cmake.append(chunk, got);
    std::fclose(f);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(cmake, match, std::regex(R"(project\(QXDownloadTool VERSION (\d+\.\d+\.\d+))")));
    EXPECT_EQ(TextToUtf8(GetProgramVersion()), match[1].str());
    EXPECT_GE(GetOsMajorVersion(), 6);
}

TEST(System, InternetCheckLooksOnlyForADefaultRoute) {
    const std::string header4 = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    const std::string default4 = "eth0\t00000000\t0100A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n";
    const std::string local4 = "eth0\t0000A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n";
    const std::string downDefault4 = "eth0\t00000000\t0100A8C0\t0002\t0\t0\t100\t00000000\t0\t0\t0\n";
    const std::string zero(32, '0');
    const std::string default6 =
        zero + " 00 " + zero + " 00 fe800000000000000000000000000001 00000400 00000001 " + "00000000 00000003 eth0\n";
    const std::string unreachable6 =
        zero + " 00 " + zero + " 00 " + zero + " ffffffff 00000001 00000000 " + "00200200 lo\n";
    const std::string local6 =
        "fe800000000000000000000000000000 40 " + zero + " 00 " + zero + " 00000100 00000001 00000000 00000001 eth0\n";
    struct Row {
        std::optional<std::string> route, route6;
        bool want;
    };
    const Row rows[] = {
        {header4 + local4 + default4, local6, true},
        {header4 + local4, local6 + unreachable6, false},
        {header4 + downDefault4, std::nullopt, false},
        {header4, default6, true},
        {header4, std::nullopt, false},
        {std::nullopt, std::nullopt, true},  // tables not shown: counted as online
    };
    for (const Row& r : rows) {
        TempFolder dir;
        if (r.route) dir.Write("route", *r.route);
        if (r.route6) dir.Write("ipv6_route", *r.route6);
        EXPECT_EQ(IsInternetConnected(dir.Wide()), r.want) << r.route.value_or("(none)");
    }
}

}  // namespace
}  // namespace fw
