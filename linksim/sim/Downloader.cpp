#include <algorithm>
#include <cstdio>
#include <thread>

#include "linksim/CommandTable.h"
#include "linksim/FirmwareUpdateState.h"

namespace linksim {
namespace {

constexpr uint8_t kHeader = 0xA0;
constexpr size_t kMaxPayload = 57;

// The check byte covers header and payload with the length byte still holding the bare payload length.
uint8_t CheckByte(std::span<const uint8_t> frame, size_t payloadLength) {
    uint8_t check = 0;
    for (size_t i = 0; i < 6 + payloadLength; ++i)
        check ^= frame[i];
    return static_cast<uint8_t>(check ^ frame[5] ^ static_cast<uint8_t>(payloadLength));
}

std::vector<uint8_t> DerivedSerial(const std::string& path) {
    std::vector<uint8_t> serial(16);
    uint32_t h = 2166136261u;
    for (char c : path)
        h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    for (size_t i = 0; i < serial.size(); ++i) {
        h = h * 1103515245u + 12345u;
        serial[i] = static_cast<uint8_t>(h >> 16);
    }
    return serial;
}

}  // namespace

Downloader::Downloader(DownloaderSpec spec) : m_spec(std::move(spec)) {
    if (m_spec.serial.empty()) m_spec.serial = DerivedSerial(m_spec.path);
    if (!m_spec.deviceKey) {
        std::array<uint8_t, 16> key{};
        std::copy_n(m_spec.serial.begin(), std::min<size_t>(16, m_spec.serial.size()), key.begin());
        m_spec.deviceKey = key;
    }
    m_spec.outputReportLength = std::clamp(m_spec.outputReportLength, 1, 256);
    m_spec.inputReportLength = std::clamp(m_spec.inputReportLength, 1, 256);
}

void Downloader::SetPlugged(bool plugged) {
    {
        std::lock_guard lock(m_mutex);
        if (m_plugged && !plugged) ++m_generation;
        m_plugged = plugged;
        if (!plugged) {
            m_replies.clear();
            m_held.reset();
        }
        m_queued.store(m_replies.size(), std::memory_order_release);
    }
    m_replyReady.notify_all();
}

bool Downloader::Write(std::span<const uint8_t> data) {
    const std::chrono::milliseconds interval = m_spec.reportInterval;
    // The request waits for the bus to poll it, as the writing thread does on a real link.
    if (interval.count() > 0) std::this_thread::sleep_for(interval);
    std::unique_lock lock(m_mutex);
    if (!m_plugged || m_failWrites) return false;
    if (data.size() > static_cast<size_t>(m_spec.outputReportLength - 1)) return false;
    bool answer = true;
    std::vector<uint8_t> reply = Serve(data, answer);
    if (!answer) return true;
    if (m_held) {
        m_replies.push_back(std::move(*m_held));
        m_held.reset();
        m_queued.store(m_replies.size(), std::memory_order_release);
        m_replyReady.notify_all();
    }
    if (m_drop > 0) {
        --m_drop;
        return true;
    }
    if (m_header) {
        reply[0] = *m_header;
        m_header.reset();
    }
    if (m_shorten) {
        reply.resize(std::min(reply.size(), *m_shorten));
        m_shorten.reset();
    }
    if (m_holdNext) {
        m_holdNext = false;
        m_held =
            Queued{std::chrono::steady_clock::time_point::min(), m_linkTime, std::move(reply), m_restartAfterReply};
        m_restartAfterReply = false;
        return true;
    }
    // The reply waits for its own slot, one interval after the request's.
    const auto ready = interval.count() == 0 ? std::chrono::steady_clock::time_point::min()
                                             : std::chrono::steady_clock::now() + interval;
    m_replies.push_back({ready, m_linkTime + m_delay, std::move(reply), m_restartAfterReply});
    m_queued.store(m_replies.size(), std::memory_order_release);
    m_restartAfterReply = false;
    m_delay = std::chrono::milliseconds(0);
    lock.unlock();
    m_replyReady.notify_all();
    return true;
}

std::optional<std::vector<uint8_t>> Downloader::Read(std::chrono::milliseconds timeout) {
    // The transport polls like this before every request; nearly always nothing is there.
    if (timeout.count() <= 0 && m_queued.load(std::memory_order_acquire) == 0) return std::nullopt;
    std::unique_lock lock(m_mutex);
    if (m_plugged && !m_replies.empty()) {
        if (!FirstReplyDueWithin(timeout)) return std::nullopt;
        if (m_replies.front().ready == std::chrono::steady_clock::time_point::min()) return TakeReply(lock);
    }
    if (m_replies.empty() && timeout.count() <= 0) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (!m_plugged) return std::nullopt;
        const auto now = std::chrono::steady_clock::now();
        if (!m_replies.empty()) {
            // A reply written while this read waited has what is left of the read's wait to become due.
            if (!FirstReplyDueWithin(std::chrono::ceil<std::chrono::milliseconds>(deadline - now))) return std::nullopt;
            if (m_replies.front().ready <= now) return TakeReply(lock);
        }
        auto wakeAt = deadline;
        if (!m_replies.empty()) wakeAt = std::min(wakeAt, m_replies.front().ready);
        if (now >= deadline) return std::nullopt;
        m_replyReady.wait_until(lock, wakeAt);
    }
}

bool Downloader::FirstReplyDueWithin(std::chrono::milliseconds wait) {
    wait = std::max(wait, std::chrono::milliseconds(0));
    const std::chrono::milliseconds due = m_replies.front().due;
    if (due - m_linkTime > wait) {
        m_linkTime += wait;
        return false;
    }
    m_linkTime = std::max(m_linkTime, due);
    return true;
}

std::optional<std::vector<uint8_t>> Downloader::TakeReply(std::unique_lock<std::mutex>& lock) {
    std::vector<uint8_t> bytes = std::move(m_replies.front().bytes);
    const bool restart = m_replies.front().restart;
    m_replies.pop_front();
    m_queued.store(m_replies.size(), std::memory_order_release);
    if (restart) {
        lock.unlock();
        Restart();
    }
    return bytes;
}

void Downloader::Restart() {
    // Through the registry, so the program sees the removal and the arrival it would see from a real one.
    bool stayAway = false;
    {
        std::lock_guard lock(m_mutex);
        std::swap(stayAway, m_stayAway);
    }
    const std::shared_ptr<Downloader> self = weak_from_this().lock();
    if (self && Find(Path()) == self) {
        Unplug(Path());
        if (!stayAway) Replug(self);
        return;
    }
    SetPlugged(false);
    if (stayAway) return;
    Commands().PowerUp(*this);
    SetPlugged(true);
}

void Downloader::RestartAfterReply() { m_restartAfterReply = true; }

std::vector<uint8_t> Downloader::Serve(std::span<const uint8_t> data, bool& answer) {
    const size_t declared = data.size() >= 6 && data[5] >= 1 ? data[5] - 1u : 0;
    const bool lengthUsable = data.size() >= 6 && data[5] >= 1 && 7 + declared <= data.size();
    m_frames.emplace_back(data.begin(), lengthUsable ? data.begin() + static_cast<long>(7 + declared) : data.end());

    // Anything that does not start like a frame is line noise to the firmware: it is not answered.
    if (data.size() < 7 || data[0] != kHeader) {
        answer = false;
        return {};
    }
    Request request{data[1], data[2], data[3], data[4], {}};
    Reply reply{request.p1, request.p2, 0, {}};
    if (!lengthUsable || declared > kMaxPayload) {
        reply.status = kStatusParameterError;
    } else if (CheckByte(data, declared) != data[6 + declared]) {
        reply.status = kStatusCheckByteError;
    } else {
        request.payload.assign(data.begin() + 6, data.begin() + static_cast<long>(6 + declared));
        auto forced = std::find_if(m_forced.begin(), m_forced.end(), [&](const Forced& f) {
            return (f.command == 0 || f.command == request.command) && (!f.p1 || *f.p1 == request.p1);
        });
        if (forced != m_forced.end()) {
            reply.status = forced->status;
            if (--forced->times <= 0) m_forced.erase(forced);
        } else if (!Commands().Admits(*this, request)) {
            reply.status = kStatusCommandError;
        } else if (const CommandHandler* handler = Commands().Find(request.command)) {
            (*handler)(*this, request, reply);
        } else {
            reply.status = kStatusCommandError;
        }
    }
    if (reply.status != 0 || reply.payload.size() > kMaxPayload) {
        if (reply.status == 0) reply.status = kStatusParameterError;
        reply.payload.clear();
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(m_spec.inputReportLength - 1), 0);
    std::vector<uint8_t> frame = {kHeader,  request.command, reply.p1,
                                  reply.p2, reply.status,    static_cast<uint8_t>(reply.payload.size())};
    frame.insert(frame.end(), reply.payload.begin(), reply.payload.end());
    uint8_t check = 0;
    for (uint8_t b : frame)
        check ^= b;
    frame[5] = static_cast<uint8_t>(frame[5] + 1);
    frame.push_back(check);
    if (bytes.size() < frame.size()) bytes.resize(frame.size());
    std::copy(frame.begin(), frame.end(), bytes.begin());
    return bytes;
}

void Downloader::ForceStatus(uint8_t command, uint8_t status, int times, std::optional<uint8_t> p1) {
    std::lock_guard lock(m_mutex);
    m_forced.push_back({command, status, times, p1});
}

void Downloader::DropReplies(int count) {
    std::lock_guard lock(m_mutex);
    m_drop = count;
}

void Downloader::HoldNextReply() {
    std::lock_guard lock(m_mutex);
    m_holdNext = true;
}

void Downloader::DelayNextReply(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_delay = delay;
}

void Downloader::PassTime(std::chrono::milliseconds time) {
    std::lock_guard lock(m_mutex);
    m_linkTime += time;
}

void Downloader::CorruptNextHeader(uint8_t header) {
    std::lock_guard lock(m_mutex);
    m_header = header;
}

void Downloader::ShortenNextReply(size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_shorten = bytes;
}

void Downloader::StayAwayOnNextRestart() {
    std::lock_guard lock(m_mutex);
    m_stayAway = true;
}

void Downloader::FailWrites(bool fail) {
    std::lock_guard lock(m_mutex);
    m_failWrites = fail;
}

std::vector<std::vector<uint8_t>> Downloader::ReceivedFrames() const {
    std::lock_guard lock(m_mutex);
    return m_frames;
}

void Downloader::ClearReceivedFrames() {
    std::lock_guard lock(m_mutex);
    m_frames.clear();
}

size_t Downloader::PendingReplies() const {
    std::lock_guard lock(m_mutex);
    return m_replies.size();
}

std::string Downloader::FirmwareVersion() {
    const std::optional<std::string> installed = State<FirmwareUpdateState>().installedVersion;
    return installed ? *installed : m_spec.firmwareVersion;
}

bool Downloader::FirmwareAtLeast(int major, int minor, int patch) {
    int v[3] = {0, 0, 0};
    std::sscanf(FirmwareVersion().c_str(), "%d.%d.%d", &v[0], &v[1], &v[2]);
    const int want[3] = {major, minor, patch};
    for (int i = 0; i < 3; ++i) {
        if (v[i] != want[i]) return v[i] > want[i];
    }
    return true;
}

}  // namespace linksim
