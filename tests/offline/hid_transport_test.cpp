// The transport under the link: report lengths from a HID report descriptor, hidapi's enumeration and device
// calls through their seam (no downloader is attached where the tests run), and CHid's choice of device and its
// report framing over a scripted backend.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "offline/Hid.h"
#include "offline/HidReportDescriptor.h"
#include "offline/HidapiBackend.h"

namespace {

// Vendor page, one application collection, 8-bit fields.
std::vector<uint8_t> Descriptor(const std::vector<uint8_t>& body) {
    static constexpr uint8_t kHead[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                                        0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08};
    std::vector<uint8_t> d(std::begin(kHead), std::end(kHead));
    d.reserve(d.size() + body.size() + 1);
    for (uint8_t b : body)
        d.push_back(b);
    d.push_back(0xC0);
    return d;
}

}  // namespace

TEST(HidReportDescriptor, LengthsCountTheLongestReportAndTheIdByte) {
    struct Row {
        const char* name;
        std::vector<uint8_t> descriptor;
        std::optional<HidReportLengths> lengths;
    };
    const Row rows[] = {
        {"64 in, 64 out", Descriptor({0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02}),
         HidReportLengths{65, 65}},
        {"numbered reports: the longest counts",
         Descriptor({0x85, 0x01, 0x95, 0x20, 0x81, 0x02, 0x85, 0x02, 0x95, 0x3F, 0x91, 0x02, 0x85, 0x03, 0x95, 0x08,
                     0x91, 0x02}),
         HidReportLengths{33, 64}},
        {"two fields of one report add up", Descriptor({0x95, 0x20, 0x81, 0x02, 0x95, 0x20, 0x81, 0x02}),
         HidReportLengths{65, 0}},
        {"bits round up", {0x75, 0x01, 0x95, 0x0C, 0x91, 0x02}, HidReportLengths{0, 3}},
        {"push and pop restore the sizes", Descriptor({0x95, 0x40, 0xA4, 0x95, 0x02, 0x81, 0x02, 0xB4, 0x91, 0x02}),
         HidReportLengths{3, 65}},
        {"long items are skipped", Descriptor({0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x95, 0x10, 0x81, 0x02}),
         HidReportLengths{17, 0}},
        {"four-byte data", {0x77, 0x08, 0, 0, 0, 0x97, 0x04, 0, 0, 0, 0x81, 0x02}, HidReportLengths{5, 0}},
        {"item cut short", {0x75, 0x08, 0x96, 0x40}, std::nullopt},
        {"long item cut short", {0xFE, 0x09, 0x00, 0x01}, std::nullopt},
        {"pop without push", {0xB4}, std::nullopt},
        {"no reports", {0x06, 0x00, 0xFF, 0xA1, 0x01, 0xC0}, std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto lengths = ParseHidReportLengths(row.descriptor);
        ASSERT_EQ(lengths.has_value(), row.lengths.has_value());
        if (lengths) {
            EXPECT_EQ(lengths->input, row.lengths->input);
            EXPECT_EQ(lengths->output, row.lengths->output);
        }
    }
}

TEST(HidReportDescriptor, HugeCountsStayBounded) {
    const std::vector<uint8_t> d = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF,
                                    0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02, 0x81, 0x02};
    const auto lengths = ParseHidReportLengths(d);
    ASSERT_TRUE(lengths);
    EXPECT_GT(lengths->input, 0);
    EXPECT_LE(lengths->input, 4097);
}

// ---------------------------------------------------------------------------------------------------------------
// hidapi through its seam.

namespace {

struct FakeHidapi {
    std::vector<hid_device_info> infos;
    std::vector<std::string> paths;
    std::map<std::string, std::vector<uint8_t>> descriptors;
    std::vector<std::string> opened;
    int closed = 0;
    int freed = 0;
    int writeAnswer = -2;  // -2: the whole report
    std::vector<std::vector<uint8_t>> writes;
    std::deque<std::vector<uint8_t>> reads;
    int readFailure = 0;
    std::vector<std::string> refuse;
};

FakeHidapi* g_fake = nullptr;
int g_handle;

HidapiCalls FakeCalls() {
    HidapiCalls c;
    c.init = [] { return 0; };
    c.enumerate = [](unsigned short, unsigned short) -> hid_device_info* {
        auto& infos = g_fake->infos;
        for (size_t i = 0; i < infos.size(); ++i) {
            infos[i].path = g_fake->paths[i].empty() ? nullptr : g_fake->paths[i].data();
            infos[i].next = i + 1 < infos.size() ? &infos[i + 1] : nullptr;
        }
        return infos.empty() ? nullptr : infos.data();
    };
    c.freeEnumeration = [](hid_device_info*) { ++g_fake->freed; };
    c.openPath = [](const char* path) -> hid_device* {
        for (const auto& r : g_fake->refuse) {
            if (r == path) return nullptr;
        }
        g_fake->opened.push_back(path);
        return reinterpret_cast<hid_device*>(&g_handle);
    };
    c.write = [](hid_device*, const unsigned char* data, size_t length) {
        g_fake->writes.emplace_back(data, data + length);
        return g_fake->writeAnswer == -2 ? static_cast<int>(length) : g_fake->writeAnswer;
    };
    c.readTimeout = [](hid_device*, unsigned char* data, size_t length, int) {
        if (g_fake->readFailure) return -1;
        if (g_fake->reads.empty()) return 0;
        auto report = g_fake->reads.front();
        g_fake->reads.pop_front();
        const size_t n = std::min(length, report.size());
        std::copy_n(report.begin(), n, data);
        return static_cast<int>(n);
    };
    c.close = [](hid_device*) { ++g_fake->closed; };
    c.reportDescriptor = [](const std::string& path) -> std::optional<std::vector<uint8_t>> {
        auto it = g_fake->descriptors.find(path);
        if (it == g_fake->descriptors.end()) return std::nullopt;
        return it->second;
    };
    return c;
}

class HidapiSeam : public ::testing::Test {
protected:
    void SetUp() override { g_fake = &fake; }
    void TearDown() override { g_fake = nullptr; }
    void AddDevice(const std::string& path, uint16_t vid, uint16_t pid) {
        hid_device_info info{};
        info.vendor_id = vid;
        info.product_id = pid;
        fake.infos.push_back(info);
        fake.paths.push_back(path);
    }
    FakeHidapi fake;
};

}  // namespace

TEST_F(HidapiSeam, EnumerationListsEveryDeviceWithAPathAndFreesTheList) {
    AddDevice("/dev/hidraw0", 0x046D, 0xC077);
    AddDevice("", 0x5158, 0x4C50);
    AddDevice("/dev/hidraw3", 0x5158, 0x4C50);
    HidapiBackend backend(FakeCalls());
    const auto found = backend.Enumerate();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].path, "/dev/hidraw0");
    EXPECT_EQ(found[1].path, "/dev/hidraw3");
    EXPECT_EQ(found[1].vendorId, 0x5158);
    EXPECT_EQ(found[1].productId, 0x4C50);
    EXPECT_EQ(fake.freed, 1);
    EXPECT_TRUE(fake.opened.empty());
}

TEST_F(HidapiSeam, ReportLengthsComeFromTheDescriptorOrDefaultTo64Bytes) {
    fake.descriptors["/dev/hidraw1"] = Descriptor({0x95, 0x20, 0x81, 0x02, 0x95, 0x40, 0x91, 0x02});
    fake.descriptors["/dev/hidraw2"] = {0x75, 0x08, 0x96};  // unreadable
    HidapiBackend backend(FakeCalls());
    auto described = backend.Open({"/dev/hidraw1", 1, 2});
    ASSERT_TRUE(described);
    EXPECT_EQ(described->InputReportLength(), 33);
    EXPECT_EQ(described->OutputReportLength(), 65);
    for (const char* path : {"/dev/hidraw2", "/dev/hidraw9"}) {
        SCOPED_TRACE(path);
        auto device = backend.Open({path, 1, 2});
        ASSERT_TRUE(device);
        EXPECT_EQ(device->InputReportLength(), 65);
        EXPECT_EQ(device->OutputReportLength(), 65);
    }
    fake.refuse.push_back("/dev/hidraw4");
    EXPECT_EQ(backend.Open({"/dev/hidraw4", 1, 2}), nullptr);
    EXPECT_EQ(fake.closed, 2);
    described.reset();
    EXPECT_EQ(fake.closed, 3);
}

TEST_F(HidapiSeam, ShortWritesAndFailedReadsAreFailures) {
    HidapiBackend backend(FakeCalls());
    auto device = backend.Open({"/dev/hidraw1", 1, 2});
    ASSERT_TRUE(device);
    const std::vector<uint8_t> report(65, 0);
    EXPECT_TRUE(device->Write(report));
    fake.writeAnswer = 64;
    EXPECT_FALSE(device->Write(report));
    fake.writeAnswer = -1;
    EXPECT_FALSE(device->Write(report));

    std::vector<uint8_t> buffer(64);
    EXPECT_EQ(device->Read(buffer, 10), 0);
    fake.reads.push_back(std::vector<uint8_t>(80, 0xA0));
    EXPECT_EQ(device->Read(buffer, 10), 64);
    fake.readFailure = 1;
    EXPECT_EQ(device->Read(buffer, 10), -1);

    // A device that left the bus fails every read on its handle, even one that waits for nothing.
    fake.readFailure = 0;
    EXPECT_TRUE(device->Alive());
    fake.readFailure = 1;
    EXPECT_FALSE(device->Alive());
}

// ---------------------------------------------------------------------------------------------------------------
// CHid over a scripted backend.

namespace {

struct ScriptedDevice : LinkDevice {
    int output = 65, input = 65;
    bool writeOk = true;
    std::vector<std::vector<uint8_t>>* writes = nullptr;
    std::deque<std::vector<uint8_t>>* reads = nullptr;
    const bool* alive = nullptr;
    int OutputReportLength() const override { return output; }
    int InputReportLength() const override { return input; }
    bool Write(std::span<const uint8_t> report) override {
        writes->emplace_back(report.begin(), report.end());
        return writeOk;
    }
    int Read(std::span<uint8_t> buffer, int) override {
        if (reads->empty()) return 0;
        auto r = reads->front();
        reads->pop_front();
        const size_t n = std::min(buffer.size(), r.size());
        std::copy_n(r.begin(), n, buffer.begin());
        return static_cast<int>(n);
    }
    bool Alive() override { return *alive; }
};

struct ScriptedBackend : LinkBackend {
    std::vector<LinkDeviceInfo> devices;
    std::vector<std::string> opened;
    std::vector<std::string> refuse;
    int output = 65, input = 65;
    bool writeOk = true;
    bool alive = true;  // the devices opened so far still reach what they opened
    std::vector<std::vector<uint8_t>> writes;
    std::deque<std::vector<uint8_t>> reads;
    std::vector<LinkDeviceInfo> Enumerate() override { return devices; }
    std::unique_ptr<LinkDevice> Open(const LinkDeviceInfo& info) override {
        if (std::find(refuse.begin(), refuse.end(), info.path) != refuse.end()) return nullptr;
        opened.push_back(info.path);
        auto d = std::make_unique<ScriptedDevice>();
        d->output = output;
        d->input = input;
        d->writeOk = writeOk;
        d->writes = &writes;
        d->reads = &reads;
        d->alive = &alive;
        return d;
    }
};

}  // namespace

TEST(CHidTransport, TheFirstMatchingDeviceIsOpenedAndNoOther) {
    ScriptedBackend sim, real;
    sim.devices = {{"sim-a", 0x5158, 0x1111}};
    real.devices = {
        {"/dev/hidraw0", 0x5158, 0x1111}, {"/dev/hidraw1", 0x5158, 0x4C50}, {"/dev/hidraw2", 0x5158, 0x4C50}};
    CHid hid({&sim, &real});
    EXPECT_TRUE(hid.FindDevice(0x5158, 0x4C50));
    EXPECT_EQ(hid.DevicePath(), "/dev/hidraw1");
    EXPECT_TRUE(sim.opened.empty());
    EXPECT_EQ(real.opened, std::vector<std::string>{"/dev/hidraw1"});

    // One that cannot be opened is passed over.
    real.opened.clear();
    real.refuse = {"/dev/hidraw1"};
    EXPECT_TRUE(hid.FindDevice(0x5158, 0x4C50));
    EXPECT_EQ(hid.DevicePath(), "/dev/hidraw2");
    // Gone from the list, it is gone; the others staying does not count. Listed again under its path after it
    // left the bus, it is another device, which the handle does not reach.
    EXPECT_TRUE(hid.DevicePresent());
    real.devices.pop_back();
    EXPECT_FALSE(hid.DevicePresent());
    real.devices.push_back({"/dev/hidraw2", 0x5158, 0x4C50});
    real.alive = false;
    EXPECT_FALSE(hid.DevicePresent());

    EXPECT_FALSE(hid.FindDevice(0x5158, 0x9999));
    EXPECT_FALSE(hid.DeviceOpen());
    EXPECT_EQ(hid.DevicePath(), "");
}

TEST(CHidTransport, ReportsCarryIdZeroAndArePaddedToTheOutputLength) {
    ScriptedBackend backend;
    backend.devices = {{"d", 1, 2}};
    CHid hid({&backend});
    const uint8_t frame[] = {0xA0, 0x01, 0x02, 0x00, 0x00, 0x01, 0xA3};
    EXPECT_EQ(hid.WriteReport(frame, sizeof frame), 0);  // nothing open yet
    ASSERT_TRUE(hid.FindDevice(1, 2));
    EXPECT_EQ(hid.WriteReport(frame, sizeof frame), 0);  // found, but not opened by the link
    hid.m_isOpen = 1;
    ASSERT_EQ(hid.WriteReport(frame, sizeof frame), 1);
    ASSERT_EQ(backend.writes.size(), 1u);
    std::vector<uint8_t> expected(65, 0);
    std::copy(std::begin(frame), std::end(frame), expected.begin() + 1);
    EXPECT_EQ(backend.writes[0], expected);

    // A frame the report cannot hold is not cut; nothing goes out.
    const std::vector<uint8_t> big(65, 0x11);
    EXPECT_EQ(hid.WriteReport(big.data(), static_cast<uint8_t>(big.size())), 0);
    EXPECT_EQ(backend.writes.size(), 1u);
}

TEST(CHidTransport, AFailedWriteAnswersZero) {
    ScriptedBackend backend;
    backend.devices = {{"d", 1, 2}};
    backend.writeOk = false;
    CHid hid({&backend});
    ASSERT_TRUE(hid.FindDevice(1, 2));
    hid.m_isOpen = 1;
    const uint8_t frame[] = {0xA0, 0x02, 0, 0, 0, 1, 0xA2};
    EXPECT_EQ(hid.WriteReport(frame, sizeof frame), 0);
}

TEST(CHidTransport, ReadsAreBoundedByTheInputLengthAndDrainDiscardsWaitingReports) {
    ScriptedBackend backend;
    backend.devices = {{"d", 1, 2}};
    backend.input = 33;
    CHid hid({&backend});
    ASSERT_TRUE(hid.FindDevice(1, 2));
    hid.m_isOpen = 1;
    uint8_t buffer[256];
    uint8_t length = 0xEE;
    EXPECT_EQ(hid.ReadReport(buffer, length, 10), 0);
    EXPECT_EQ(length, 0);

    backend.reads.push_back(std::vector<uint8_t>(64, 0x5A));
    ASSERT_EQ(hid.ReadReport(buffer, length, 10), 1);
    EXPECT_EQ(length, 32);
    EXPECT_EQ(buffer[31], 0x5A);
    EXPECT_EQ(buffer[32], 0);

    backend.reads = {std::vector<uint8_t>(8, 1), std::vector<uint8_t>(8, 2)};
    EXPECT_EQ(hid.DrainInput(), 2);
    EXPECT_EQ(hid.ReadReport(buffer, length, 10), 0);
}

TEST(CHidTransport, AFullReportGives64DataBytes) {
    ScriptedBackend backend;
    backend.devices = {{"d", 1, 2}};
    CHid hid({&backend});
    ASSERT_TRUE(hid.FindDevice(1, 2));
    hid.m_isOpen = 1;
    backend.reads.push_back(std::vector<uint8_t>(64, 0x77));
    uint8_t buffer[256];
    uint8_t length = 0;
    ASSERT_EQ(hid.ReadReport(buffer, length, 10), 1);
    EXPECT_EQ(length, 64);
}
