// The simulated downloader checks frames as the firmware does, so a wrong request fails on it: the check byte,
// the length byte, unknown commands, and the parameter ranges. Also its INI description.
#include "linksim/LinkSim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "framework/DeviceNotification.h"
#include "linksim/FirmwareUpdateState.h"
#include "linksim/ParameterState.h"
#include "tests/framework/TempFolder.h"
#include "tools/EncFiles.h"

namespace {

// A request as it travels: the length byte raised and the check byte taken over the bare length.
std::vector<uint8_t> Frame(std::vector<uint8_t> header, std::vector<uint8_t> payload = {}) {
    header.resize(5);
    header.push_back(static_cast<uint8_t>(payload.size()));
    header.insert(header.end(), payload.begin(), payload.end());
    uint8_t check = 0;
    for (uint8_t b : header)
        check ^= b;
    header[5] = static_cast<uint8_t>(header[5] + 1);
    header.push_back(check);
    header.resize(64, 0);
    return header;
}

std::vector<uint8_t> Ask(linksim::Downloader& d, const std::vector<uint8_t>& frame) {
    EXPECT_TRUE(d.Write(frame));
    auto reply = d.Read(std::chrono::milliseconds(100));
    return reply ? *reply : std::vector<uint8_t>{};
}

class LinkSim : public ::testing::Test {
protected:
    void SetUp() override {
        fw::SetDeviceEventSource(fw::DeviceEventSource::InjectedOnly);
        linksim::Reset();
    }
    void TearDown() override { linksim::Reset(); }
};

}  // namespace

TEST_F(LinkSim, FramesAreCheckedBeforeTheCommandRuns) {
    auto d = linksim::Plug();
    struct Row {
        const char* name;
        std::vector<uint8_t> frame;
        uint8_t status;
    };
    std::vector<uint8_t> badCheck = Frame({0xA0, 0x01, 0x01});
    badCheck[6] ^= 0x01;
    std::vector<uint8_t> plainXor = {0xA0, 0x01, 0x01, 0x00, 0x00, 0x01, 0xA1};  // check over the raised length
    plainXor.resize(64);
    std::vector<uint8_t> beyond = Frame({0xA0, 0x0B, 0x01}, {0, 0, 0x25, 0x80});
    beyond[5] = 0x3B;  // 58 payload bytes: more than a frame holds
    const Row rows[] = {
        {"good", Frame({0xA0, 0x01, 0x01}), 0},
        {"check byte wrong", badCheck, 3},
        {"check byte over the raised length", plainXor, 3},
        {"length byte beyond the frame", beyond, 2},
        {"unknown command", Frame({0xA0, 0x7E}), 1},
        {"identity item 5", Frame({0xA0, 0x01, 0x05}), 2},
        {"baud rate not in the list", Frame({0xA0, 0x0B, 0x01}, {0, 0, 0x25, 0x81}), 2},
        {"voltage index 3", Frame({0xA0, 0x05, 0x01}, {3, 0, 0, 0, 0}), 2},
        {"level write one byte short", Frame({0xA0, 0x06, 0x01}, {1, 0, 0, 0}), 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto reply = Ask(*d, row.frame);
        ASSERT_GE(reply.size(), 7u);
        EXPECT_EQ(reply[0], 0xA0);
        EXPECT_EQ(reply[4], row.status);
    }
    EXPECT_EQ(d->State<linksim::ParameterState>().working, linksim::LinkParameters{});
}

TEST_F(LinkSim, RepliesCarryTheirOwnCheckByte) {
    auto d = linksim::Plug();
    const auto reply = Ask(*d, Frame({0xA0, 0x01, 0x01}));
    ASSERT_EQ(reply.size(), 64u);
    const size_t length = reply[5] - 1u;
    EXPECT_EQ(length, 11u);  // "OV-Link-Pro"
    uint8_t check = 0;
    for (size_t i = 0; i < 6 + length; ++i)
        check ^= reply[i];
    check ^= reply[5] ^ static_cast<uint8_t>(length);
    EXPECT_EQ(reply[6 + length], check);
}

TEST_F(LinkSim, NoiseAndOversizedReportsGetNoAnswer) {
    auto d = linksim::Plug();
    std::vector<uint8_t> noise = Frame({0xA0, 0x01, 0x01});
    noise[0] = 0x55;
    EXPECT_TRUE(d->Write(noise));
    EXPECT_FALSE(d->Read(std::chrono::milliseconds(20)));
    EXPECT_FALSE(d->Write(std::vector<uint8_t>(65, 0xA0)));
    EXPECT_EQ(d->ReceivedFrames().size(), 1u);
}

TEST_F(LinkSim, PlugAndUnplugRaiseHidEvents) {
    std::vector<std::pair<bool, fw::Text>> events;
    const auto registration = fw::RegisterDeviceChange(
        fw::DeviceKind::Hid, [&](const fw::DeviceChange& c) { events.emplace_back(c.arrival, c.name); });
    auto d = linksim::Plug();
    linksim::Unplug(d->Path());
    fw::UnregisterDeviceChange(registration);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(events[0].first);
    EXPECT_FALSE(events[1].first);
    EXPECT_EQ(events[1].second, fw::Utf8ToText(d->Path()));
    EXPECT_FALSE(d->Write(Frame({0xA0, 0x01, 0x01})));
    EXPECT_TRUE(linksim::Downloaders().empty());
}

TEST_F(LinkSim, IniDescribesTheDownloaders) {
    fw::testing::TempFolder dir;
    dir.Write("OvLinkSim.ini",
              "[Downloader1]\nName=First\nFirmware=3.1.5\nSerial=0102\nReportInterval=3\n"
              "[Downloader2]\nVID=1234\nPID=abcd\nDeviceKey=000102030405060708090A0B0C0D0E0F\n"
              "[Downloader3]\n");
    ASSERT_EQ(linksim::LoadIni(dir.Path().string() + "/OvLinkSim.ini"), 2);
    const auto all = linksim::Downloaders();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->Spec().moduleName, "First");
    EXPECT_FALSE(all[0]->FirmwareAtLeast(3, 1, 6));
    EXPECT_EQ(all[0]->Spec().serial, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(all[0]->Spec().vendorId, kLinkDefaultVendorId);
    EXPECT_EQ(all[1]->Spec().vendorId, 0x1234);
    EXPECT_EQ(all[1]->Spec().productId, 0xABCD);
    EXPECT_EQ((*all[1]->Spec().deviceKey)[15], 0x0F);
    EXPECT_EQ(all[0]->Spec().reportInterval, std::chrono::milliseconds(3));
    EXPECT_EQ(all[1]->Spec().reportInterval, std::chrono::milliseconds(0));
}

TEST_F(LinkSim, APacedLinkMovesOneReportPerIntervalEachWay) {
    linksim::DownloaderSpec spec;
    spec.reportInterval = std::chrono::milliseconds(5);
    auto d = linksim::Plug(spec);
    const auto request = Frame({0xA0, 0x16});
    // A reply polled as soon as its request went out is not there yet, unless a busy machine polled it so late that
    // its slot had come.
    const auto writing = std::chrono::steady_clock::now();
    ASSERT_TRUE(d->Write(request));
    const bool polledAtOnce = d->Read(std::chrono::milliseconds(0)).has_value();
    EXPECT_TRUE(!polledAtOnce || std::chrono::steady_clock::now() - writing >= 2 * spec.reportInterval);
    EXPECT_TRUE(polledAtOnce || d->Read(std::chrono::milliseconds(100)));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i)
        ASSERT_FALSE(Ask(*d, request).empty());
    // Ten requests and ten replies, each waiting 5 ms for the bus.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(95));

    // The make-run working directory's downloader is paced like a full-speed link.
    ASSERT_EQ(linksim::LoadIni(std::string(QX_SOURCE_DIR) + "/linksim/OvLinkSim.ini"), 1);
    EXPECT_EQ(linksim::Downloaders().back()->Spec().reportInterval, std::chrono::milliseconds(1));
}

// A delayed reply comes on the link's own time: the waits of the reads that missed it and the time passed add up to
// its delay, and a reply behind it waits for it.
TEST_F(LinkSim, ADelayedReplyComesWhenTheReadsHaveWaitedItsDelay) {
    auto d = linksim::Plug();
    using std::chrono::milliseconds;
    d->DelayNextReply(milliseconds(500));
    ASSERT_TRUE(d->Write(Frame({0xA0, 0x01, 0x01})));
    ASSERT_TRUE(d->Write(Frame({0xA0, 0x01, 0x02})));
    EXPECT_FALSE(d->Read(milliseconds(0)));
    EXPECT_FALSE(d->Read(milliseconds(200)));
    d->PassTime(milliseconds(100));
    EXPECT_FALSE(d->Read(milliseconds(199)));
    EXPECT_EQ(d->PendingReplies(), 2u);
    const auto late = d->Read(milliseconds(1));
    ASSERT_TRUE(late);
    EXPECT_EQ((*late)[2], 0x01);
    const auto next = d->Read(milliseconds(0));
    ASSERT_TRUE(next);
    EXPECT_EQ((*next)[2], 0x02);
}

namespace {

// A firmware image naming `version`, enciphered for the simulated downloaders' update program.
std::vector<uint8_t> FirmwareFile(const std::string& version, size_t size = 1000) {
    std::vector<uint8_t> plain(size, 0x5A);
    const std::string mark = "Firmware:" + version;
    std::copy(mark.begin(), mark.end(), plain.begin() + 16);
    plain[16 + mark.size()] = 0;
    return MakeDigestHeaderEncFile(plain, linksim::kSimFirmwareKey, 0x800);
}

// Header packet, then the image bytes in packets of 57, the last one marked.
std::vector<std::vector<uint8_t>> FirmwarePackets(const std::vector<uint8_t>& file) {
    std::vector<std::vector<uint8_t>> frames;
    frames.push_back(Frame({0xA0, 0x04, 0x00, 0x01}, {file.begin(), file.begin() + 36}));
    for (size_t at = 40; at < file.size(); at += 57) {
        const size_t n = std::min<size_t>(57, file.size() - at);
        const uint8_t p2 = at + n == file.size() ? 0x03 : 0x02;
        frames.push_back(Frame({0xA0, 0x04, 0x00, p2},
                               {file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at + n)}));
    }
    return frames;
}

}  // namespace

TEST_F(LinkSim, UpdateProgramInstallsTheImageAndComesBackWithItsVersion) {
    auto d = linksim::Plug();
    std::vector<std::pair<bool, fw::Text>> events;
    const auto registration = fw::RegisterDeviceChange(
        fw::DeviceKind::Hid, [&](const fw::DeviceChange& c) { events.emplace_back(c.arrival, c.name); });
    const uint64_t generation = d->Generation();
    const std::vector<uint8_t> file = FirmwareFile("3.1.7");

    // The application takes 0x04 as its own parameter, not as firmware.
    Ask(*d, Frame({0xA0, 0x04, 0x00, 0x01}, {file.begin(), file.begin() + 36}));
    EXPECT_FALSE(d->State<linksim::FirmwareUpdateState>().imageLength);
    // Entering the update program: answered, then the downloader leaves the bus and comes back.
    ASSERT_EQ(Ask(*d, Frame({0xA0, 0x03}))[4], 0);
    EXPECT_NE(d->Generation(), generation);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_FALSE(events[0].first);
    EXPECT_TRUE(events[1].first);
    EXPECT_TRUE(d->Plugged());
    EXPECT_EQ(Ask(*d, Frame({0xA0, 0x0B, 0x00}))[4], 1) << "the update program serves no parameters";
    const auto boot = Ask(*d, Frame({0xA0, 0x01, 0x01}));
    EXPECT_EQ(std::string(boot.begin() + 6, boot.begin() + 6 + boot[5] - 1), "OV-Link-Pro Boot");

    const auto packets = FirmwarePackets(file);
    for (size_t i = 0; i < packets.size(); ++i)
        ASSERT_EQ(Ask(*d, packets[i])[4], 0) << "packet " << i;
    fw::UnregisterDeviceChange(registration);
    EXPECT_EQ(events.size(), 4u) << "back in the application after the last packet";
    const auto& state = d->State<linksim::FirmwareUpdateState>();
    EXPECT_FALSE(state.inUpdateProgram);
    EXPECT_EQ(state.installs, 1);
    EXPECT_EQ(state.dataPackets, static_cast<int>(packets.size()) - 1);
    EXPECT_EQ(d->FirmwareVersion(), "3.1.7");
    const auto version = Ask(*d, Frame({0xA0, 0x01, 0x02}));
    EXPECT_EQ(std::string(version.begin() + 6, version.begin() + 6 + version[5] - 1), "Firmware:3.1.7");
}

TEST_F(LinkSim, UpdateProgramRefusesWhatItCannotInstall) {
    struct Row {
        const char* name;
        std::function<std::vector<std::vector<uint8_t>>()> packets;
    };
    const std::vector<uint8_t> good = FirmwareFile("3.1.7");
    std::vector<uint8_t> foreignKey = good;
    foreignKey[100] ^= 0xFF;  // a cipher block that no longer deciphers to the digested plaintext
    std::vector<uint8_t> noVersion(1000, 0x11);
    const Row rows[] = {
        {"digest does not match", [&] { return FirmwarePackets(foreignKey); }},
        {"image names no version",
         [&] { return FirmwarePackets(MakeDigestHeaderEncFile(noVersion, linksim::kSimFirmwareKey, 0x800)); }},
        {"data before the header",
         [&] {
             auto p = FirmwarePackets(good);
             p.erase(p.begin());
             return p;
         }},
        {"a packet missing",
         [&] {
             auto p = FirmwarePackets(good);
             p.erase(p.begin() + 3);
             return p;
         }},
        {"header length not whole blocks",
         [&] {
             auto file = good;
             file[3] = static_cast<uint8_t>(file[3] + 1);
             return FirmwarePackets(file);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        linksim::Reset();
        auto d = linksim::Plug();
        ASSERT_EQ(Ask(*d, Frame({0xA0, 0x03}))[4], 0);
        uint8_t status = 0;
        for (const auto& packet : row.packets()) {
            status = Ask(*d, packet)[4];
            if (status != 0) break;
        }
        EXPECT_NE(status, 0);
        EXPECT_EQ(d->State<linksim::FirmwareUpdateState>().installs, 0);
        EXPECT_TRUE(d->State<linksim::FirmwareUpdateState>().inUpdateProgram);
        EXPECT_EQ(d->FirmwareVersion(), "3.1.6");
    }
}
