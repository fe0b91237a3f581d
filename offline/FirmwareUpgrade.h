// Replacing the offline downloader's firmware: the downloader is sent into its update program, reconnected, and
// given the enciphered image of a firmware file (its 36-byte header, then the image in packets of 57 bytes), and
// reconnected once more to read the identity of the new firmware. The upgrade runs on a worker against
// FirmwareUpgradeHost, the part of the dialog and the main window it needs, so tests can drive it without either.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "framework/Text.h"

// What the upgrade needs; every call comes from the upgrade's worker.
class FirmwareUpgradeHost {
public:
    virtual ~FirmwareUpgradeHost() = default;
    // Opens again the downloader of a connected window, found by the window's ids; false for a window that is not
    // connected. The link's own failures are logged by it.
    virtual bool OpenLink() = 0;
    // Closes the link, waits for the downloader to come back (FirmwareReconnectPauseMs) and opens it again; the
    // window counts as connected only once it is open.
    virtual bool Reconnect() = 0;
    // One request (header and payload bytes, no check byte) and its reply; true for a reply with status 0.
    virtual bool Exchange(std::span<const uint8_t> request) = 0;
    // Reads and logs the downloader's identity, refreshing the window's firmware version.
    virtual bool ReadLinkInfo() = 0;
    // A box over the dialog, shown on the UI thread; the text is translated already.
    virtual void ShowMessage(const fw::Text& text) = 0;
    // The synchronous progress messages: the bar to 0..upper, and one step unless it stands at upper.
    virtual void ProgressRange(uint32_t upper) = 0;
    virtual void ProgressStep(uint32_t upper) = 0;
    virtual void SetCaption(const fw::Text& caption) = 0;
};

// A firmware file: bytes 0 to 3 the image length N (big-endian), 4 to 35 the digest, 36 to 39 a CRC that the
// downloader does not take, then the N bytes of the enciphered image.
inline constexpr size_t kLinkFirmwareHeaderBytes = 36;
inline constexpr size_t kLinkFirmwareImageOffset = 40;
inline constexpr size_t kLinkFirmwarePacketBytes = 57;
// The largest image the downloader's update program takes: its application flash. The update program refuses a
// larger one only after the downloader has left its application, so the program refuses it first: the manual
// upgrade before anything is sent, the firmware fetch as soon as the server announces more. This bound is also
// what keeps the fetch's deadline within minutes.
inline constexpr size_t kMaxLinkFirmwareImageBytes = size_t{1} << 20;
inline constexpr size_t kMaxLinkFirmwareFileBytes = kLinkFirmwareImageOffset + kMaxLinkFirmwareImageBytes;

// What the user is told of a firmware file larger than the downloader takes (translated).
fw::Text FirmwareTooLargeText();

// Reads and checks a firmware file before anything is sent: a file that cannot be read answers nullopt with
// "文件打开失败！", one larger than the downloader takes with FirmwareTooLargeText; one without a whole header,
// without image bytes, whose image is not whole AES blocks or whose length field does not match its size answers
// nullopt with "固件文件格式不正确！" (all translated, in `refusal`). Sending such a file would leave the downloader
// in its update program with nothing to install.
std::optional<std::vector<uint8_t>> ReadFirmwareFile(fw::TextView path, fw::Text& refusal);

// How the bar follows the packets: the range the downloader's packets give (image bytes / 57, rounded down), cut
// to what a bar's 16-bit range holds by stepping once per `packetsPerStep` packets.
struct FirmwareProgress {
    uint32_t packets = 0;         // image bytes / 57, rounded up
    uint32_t upper = 0;           // the bar's range 0..upper
    uint32_t packetsPerStep = 1;  // a step after every packetsPerStep-th packet
};
FirmwareProgress PlanFirmwareProgress(size_t imageBytes);

class FirmwareUpgrade {
public:
    // `path`: the firmware file; relative paths resolve against the working directory.
    FirmwareUpgrade(FirmwareUpgradeHost& host, fw::Text path) : m_host(host), m_path(std::move(path)) {}
    // True after "固件更新成功！"; every failure has shown its one message.
    bool Run();

    // The caption once `sent` of `packets` packets have gone out.
    static fw::Text ProgressCaption(uint32_t sent, uint32_t packets);

private:
    bool Fail(const fw::Text& text);
    bool SendPackets(const std::vector<uint8_t>& file);

    FirmwareUpgradeHost& m_host;
    fw::Text m_path;
};

// The wait between closing the link and opening it again, in ms: the time a downloader takes to come back.
uint32_t FirmwareReconnectPauseMs();
void SetFirmwareReconnectPauseMs(uint32_t milliseconds);
