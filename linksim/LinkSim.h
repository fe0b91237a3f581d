// The simulated offline downloader: the device side of the link protocol, reached through the program's link
// transport, and the control API tests use to plug downloaders in, inject faults and look at what arrived.
//
// A downloader answers one request report with one reply report. Commands are served from a table by command
// byte (CommandTable.h); each concern keeps its own state, reached with State<T>() and created on first use, so a
// new concern adds a header and a file without touching this one.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "core/LinkUsbIds.h"

namespace linksim {

// The key the simulated downloaders' update program deciphers firmware images with; tests and the sample update
// folder encipher their images under it.
inline constexpr std::array<uint8_t, 16> kSimFirmwareKey = {0x51, 0x58, 0x2D, 0x4C, 0x69, 0x6E, 0x6B, 0x2D,
                                                            0x46, 0x69, 0x72, 0x6D, 0x77, 0x61, 0x72, 0x65};

// How a downloader presents itself and what it holds when it leaves the factory.
struct DownloaderSpec {
    std::string path;  // the name it goes by in enumeration; empty: "linksim:<n>"
    uint16_t vendorId = kLinkDefaultVendorId;
    uint16_t productId = kLinkDefaultProductId;
    std::string moduleName = "OV-Link-Pro";
    std::string firmwarePrefix = "Firmware:";  // the identity text is prefix + version
    std::string firmwareVersion = "3.1.6";
    std::string hardwareText = "Hardware:V1.0";
    std::vector<uint8_t> serial;                       // empty: 16 bytes derived from the path
    std::optional<std::array<uint8_t, 16>> deviceKey;  // factory key; none: the serial's first 16 bytes
    int outputReportLength = 65;                       // both count the report id byte, as the HID capabilities do
    int inputReportLength = 65;
    std::array<uint8_t, 16> firmwareKey = kSimFirmwareKey;  // what its update program deciphers images with
    // How long each report waits for its turn on the bus, each way: a full-speed HID link polls every 1 ms, so a
    // request and its reply take 2 ms or more. 0 answers as fast as memory.
    std::chrono::milliseconds reportInterval{0};
};

// One request frame as the downloader read it.
struct Request {
    uint8_t command = 0, p1 = 0, p2 = 0, p3 = 0;
    std::vector<uint8_t> payload;
};

// The reply a handler builds; status 0 is success.
struct Reply {
    uint8_t p1 = 0, p2 = 0, status = 0;
    std::vector<uint8_t> payload;  // at most 57 bytes
};

// Reply status codes a real downloader uses for what it checks itself.
inline constexpr uint8_t kStatusCommandError = 1;
inline constexpr uint8_t kStatusParameterError = 2;
inline constexpr uint8_t kStatusCheckByteError = 3;
inline constexpr uint8_t kStatusKeyError = 4;
inline constexpr uint8_t kStatusSaveError = 5;

class Downloader : public std::enable_shared_from_this<Downloader> {
public:
    explicit Downloader(DownloaderSpec spec);
    Downloader(const Downloader&) = delete;
    Downloader& operator=(const Downloader&) = delete;

    const DownloaderSpec& Spec() const { return m_spec; }
    const std::string& Path() const { return m_spec.path; }
    bool Plugged() const { return m_plugged; }

    // The device side of the transport. Write takes the report's data bytes (after the report id) and answers
    // false when the downloader is not plugged in or the report is longer than its output report; Read waits up
    // to `timeout` for the next reply report (nullopt: none, or unplugged).
    bool Write(std::span<const uint8_t> data);
    std::optional<std::vector<uint8_t>> Read(std::chrono::milliseconds timeout);

    // Per-concern state, default-constructed on first use. Handlers run under the downloader's lock; tests read
    // and change state between requests.
    template <class T>
    T& State() {
        std::lock_guard lock(m_stateMutex);
        auto& slot = m_states[std::type_index(typeid(T))];
        if (!slot) slot = std::make_shared<T>();
        return *static_cast<T*>(slot.get());
    }
    // Faults, each for the next matching requests.
    // The next `times` requests of `command` (0: any) answer `status` unread; with `p1`, only those whose p1 it is.
    void ForceStatus(uint8_t command, uint8_t status, int times = 1, std::optional<uint8_t> p1 = std::nullopt);
    void DropReplies(int count = 1);         // processed, never answered
    void CorruptNextHeader(uint8_t header);  // reply byte 0 replaced
    void ShortenNextReply(size_t bytes);     // reply report cut to this many bytes
    void FailWrites(bool fail);              // the transport's write fails
    void StayAwayOnNextRestart();            // leaves the bus at its next restart and stays away
    // Answered `delay` after the request on the link's own time, which passes only by the waits of reads (and by
    // PassTime), never by the wall clock: a read that would wait at least what is left of the delay gets the
    // reply at once, a shorter one gets nothing and leaves that much less. Whether a reply came in time then
    // depends on the waits the program chose, not on how busy the machine is.
    void DelayNextReply(std::chrono::milliseconds delay);
    // Lets `time` pass on the link's own time with nobody reading: a delayed reply due meanwhile is there to read.
    void PassTime(std::chrono::milliseconds time);
    // Answered, but held back until the next request arrives and then sent just before that request's reply: a
    // reply that comes after its request gave up, released by an event instead of after a time.
    void HoldNextReply();

    // Request frames as received (the frame's bytes up to its check byte, or the whole report when its length
    // byte is unusable), and how many replies are waiting to be read.
    std::vector<std::vector<uint8_t>> ReceivedFrames() const;
    void ClearReceivedFrames();
    size_t PendingReplies() const;

    // The firmware version it runs: the spec's until an update installed another.
    std::string FirmwareVersion();
    // Firmware version as numbers, for the commands newer firmware serves.
    bool FirmwareAtLeast(int major, int minor, int patch);

    // For a handler: once the reply to this request has been read, the downloader leaves the bus and comes back
    // (a removal and an arrival), as it does when it starts another program. Handles opened before stay dead.
    void RestartAfterReply();
    // Counts the times the downloader left the bus; a handle opened at another count is stale.
    uint64_t Generation() const { return m_generation; }

    void SetPlugged(bool plugged);

private:
    struct Queued {
        // When the bus lets the reply through: the earliest time point for an unpaced link, so the common case
        // reads no clock (a clock read costs as much as serving a frame, and transfers send thousands).
        std::chrono::steady_clock::time_point ready;
        std::chrono::milliseconds due{0};  // on the link's own time (DelayNextReply)
        std::vector<uint8_t> bytes;
        bool restart = false;  // the downloader restarts once this reply has been read
    };
    std::optional<std::vector<uint8_t>> TakeReply(std::unique_lock<std::mutex>& lock);
    bool FirstReplyDueWithin(std::chrono::milliseconds wait);
    void Restart();
    std::vector<uint8_t> Serve(std::span<const uint8_t> data, bool& answer);

    DownloaderSpec m_spec;
    mutable std::mutex m_mutex;  // reports, faults, log
    std::condition_variable m_replyReady;
    std::deque<Queued> m_replies;
    // m_replies' size, stored under m_mutex whenever it changes, so a poll that finds nothing queued takes no lock.
    std::atomic<size_t> m_queued{0};
    std::vector<std::vector<uint8_t>> m_frames;
    // Changed under m_mutex; read without it too, so the transport's per-report checks (is the handle stale, did
    // the downloader leave) take no lock.
    std::atomic<bool> m_plugged{true};
    bool m_failWrites = false;
    bool m_restartAfterReply = false;
    bool m_stayAway = false;
    std::atomic<uint64_t> m_generation{0};
    struct Forced {
        uint8_t command, status;
        int times;
        std::optional<uint8_t> p1;
    };
    std::vector<Forced> m_forced;
    int m_drop = 0;
    std::chrono::milliseconds m_delay{0};
    std::chrono::milliseconds m_linkTime{0};
    std::optional<uint8_t> m_header;
    std::optional<size_t> m_shorten;
    bool m_holdNext = false;
    std::optional<Queued> m_held;
    std::mutex m_stateMutex;
    std::unordered_map<std::type_index, std::shared_ptr<void>> m_states;
};

// The program-wide set of simulated downloaders. Until a test configures it, the first use reads
// "OvLinkSim.ini" of the working directory ([Downloader1] ... with VID, PID, Name, Firmware, Hardware, Serial,
// DeviceKey, ReportInterval); Reset empties it and stops that.
void Reset();
std::shared_ptr<Downloader> Plug(DownloaderSpec spec = {});  // raises a HID arrival
void Unplug(const std::string& path);                        // raises a HID removal; open handles fail
// The same downloader, unplugged before, plugged in again: it keeps what it stores and loses what it does not.
void Replug(const std::shared_ptr<Downloader>& downloader);
std::vector<std::shared_ptr<Downloader>> Downloaders();  // plugged ones, in plugging order
std::shared_ptr<Downloader> Find(const std::string& path);
// Reads an INI file of the format above into the set (after Reset); answers how many downloaders it added.
int LoadIni(const std::string& path);

}  // namespace linksim
