#include "offline/LinkSession.h"

#include <chrono>

#include "app/MainWindow.h"
#include "core/HexText.h"
#include "core/StatusText.h"
#include "core/Translation.h"
#include "offline/LinkTimeouts.h"
#include "offline/OVLinkConfigTabDlg.h"

bool LinkSession::Open() { return OpenLink(m_window) != 0; }

bool LinkSession::ReadInfo() { return ReadLinkInfo(m_window) != 0; }

void LinkSession::Close() { m_hid.Close(); }

bool LinkSession::DevicePresent() { return Held() || m_hid.DevicePresent(); }

void LinkSession::RunConfiguration() { OnOfflineDownloader(m_window); }

LinkSession& LinkSessionOf(CQXDownloadToolDlg& window) {
    // The factory that RegisterOfflineCommands installs makes nothing but LinkSessions.
    return static_cast<LinkSession&>(*window.GetOfflineLink());
}

namespace {

// Reads until the reply that `answers` comes, passing over those of requests that gave up, or `waitMs` passed.
template <class Answers>
bool AwaitReply(CHid& hid, int waitMs, LinkReply& reply, Answers answers) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        uint8_t length = 0;
        if (left <= 0 || !hid.ReadReport(reply.Buffer().data(), length, static_cast<int>(left))) {
            reply.SetSize(0);
            return false;
        }
        reply.SetSize(length);
        if (answers(reply)) return true;
    }
}

// Sends `frame` and waits its time for its reply; a reply that did not come leaves the link out of step.
bool SendAndAwait(LinkSession& session, std::span<const uint8_t> frame, LinkReply& reply) {
    CHid& hid = session.m_hid;
    if (!hid.WriteReport(frame.data(), static_cast<uint8_t>(frame.size()))) return false;
    const int waitMs = LinkReplyTimeoutMs(frame[1], frame[2]);
    if (AwaitReply(hid, waitMs, reply, [&](const LinkReply& r) { return LinkReplyAnswers(r, frame); })) return true;
    session.m_resync.Unanswered(frame, waitMs);
    return false;
}

// False when the link could not be brought back in step: then it is closed, and the window, unless the firmware
// upgrade holds the link, disconnects as for an unplugged downloader.
bool Resynchronise(CQXDownloadToolDlg& window, LinkSession& session) {
    LinkResync& resync = session.m_resync;
    if (!resync.OutOfStep()) return true;
    LinkFrameBuffer frame;
    EncodeLinkRequest(resync.Request(), frame);
    CHid& hid = session.m_hid;
    if (!hid.WriteReport(frame.bytes.data(), static_cast<uint8_t>(frame.size))) return false;
    LinkReply reply;
    // Its reply says which item it is; whether the downloader served it does not matter.
    if (AwaitReply(hid, resync.WaitMs(), reply,
                   [&](const LinkReply& r) { return r.HasHeader() && LinkReplyAnswers(r, frame.View()); })) {
        resync.InStep();
        return true;
    }
    // Its reply may still come too: the next try asks for another item.
    resync.Unanswered(frame.View(), resync.WaitMs());
    window.AppendLog(TranslateText(u"下载器没有应答，连接已断开！"), kLogRed);
    session.Close();
    if (!session.Held()) window.NoticeOfflineLinkLoss();
    return false;
}

bool ExchangeLinkFrame(CQXDownloadToolDlg& window, std::span<const uint8_t> frame, LinkReply& reply) {
    if (window.GetOfflineLink() == nullptr) return false;
    LinkSession& session = LinkSessionOf(window);
    // Late replies already waiting are dropped here; those still on their way are passed over below.
    session.m_hid.DrainInput();
    if (!Resynchronise(window, session)) return false;
    if (!SendAndAwait(session, frame, reply)) return false;
    if (reply.Complete() && reply.Byte(0) == kLinkFrameHeader && reply.Status() == 0) return true;
    // The texts are made only for the log of a failure: transfers send thousands of frames that succeed.
    window.AppendLog(u"Send:" + BytesToHex(frame), kLogBlack);
    window.AppendLog(u"Recv:" + reply.Hex(), kLogBlack);
    window.AppendLog(StatusCodeToText(reply.HasHeader() ? reply.Status() : -1), kLogRed);
    return false;
}

bool RefuseMalformedRequest(CQXDownloadToolDlg& window, const fw::Text& requestText) {
    window.AppendLog(u"Send:" + requestText, kLogBlack);
    window.AppendLog(TranslateText(u"指令数据格式错误！"), kLogRed);
    return false;
}

}  // namespace

bool ExchangeLinkCommand(CQXDownloadToolDlg& window, fw::TextView request, LinkReply& reply) {
    reply = LinkReply();
    std::vector<uint8_t> frame;
    if (EncodeLinkRequest(request, frame) != LinkRequestError::None)
        return RefuseMalformedRequest(window, fw::Text(request));
    return ExchangeLinkFrame(window, frame, reply);
}

bool ExchangeLinkRequest(CQXDownloadToolDlg& window, std::span<const uint8_t> request, LinkReply& reply) {
    reply.SetSize(0);
    LinkFrameBuffer frame;
    if (EncodeLinkRequest(request, frame) != LinkRequestError::None)
        return RefuseMalformedRequest(window, BytesToHex(request));
    return ExchangeLinkFrame(window, frame.View(), reply);
}

int OpenLink(CQXDownloadToolDlg& window) {
    const fw::Text vid = window.m_vidEdit.GetWindowText();
    if (vid.empty()) {
        window.m_msgBox.MessageBox(&window, TranslateText(u"请输入VID！"), fw::MB_OK);
        return 0;
    }
    const fw::Text pid = window.m_pidEdit.GetWindowText();
    if (pid.empty()) {
        window.m_msgBox.MessageBox(&window, TranslateText(u"请输入PID！"), fw::MB_OK);
        return 0;
    }
    CHid& hid = LinkSessionOf(window).m_hid;
    const bool found = hid.FindDevice(static_cast<uint16_t>(HexToInt(vid)), static_cast<uint16_t>(HexToInt(pid)));
    if (!hid.m_notifyRegistered) {
        hid.RegisterNotification(window);
        hid.m_notifyRegistered = 1;
    }
    hid.m_isOpen = found ? 1 : 0;
    return found ? 1 : 0;
}

int ReadLinkInfo(CQXDownloadToolDlg& window) {
    LinkReply reply;
    if (!ExchangeLinkCommand(window, u"A0 01 01 00 00 00", reply)) {
        window.AppendLog(TranslateText(u"获取设备名失败！"), kLogRed);
        return 0;
    }
    window.AppendLog(u"ModuleName:" + LinkPayloadText(reply.Payload()), kLogBlack);

    if (!ExchangeLinkCommand(window, u"A0 01 02 00 00 00", reply)) {
        window.AppendLog(TranslateText(u"获取设备固件版本失败！"), kLogRed);
        return 0;
    }
    const fw::Text firmware = LinkPayloadText(reply.Payload());
    window.AppendLog(firmware, kLogBlack);
    window.m_linkFirmwareVersion = firmware.size() > 9 ? firmware.substr(9) : fw::Text();

    if (!ExchangeLinkCommand(window, u"A0 01 03 00 00 00", reply)) {
        window.AppendLog(TranslateText(u"获取设备硬件版本失败！"), kLogRed);
        return 0;
    }
    window.AppendLog(LinkPayloadText(reply.Payload()), kLogBlack);

    if (!ExchangeLinkCommand(window, u"A0 01 04 00 00 00", reply) || reply.Payload().empty()) {
        window.AppendLog(TranslateText(u"获取设备序列号失败！"), kLogRed);
        return 0;
    }
    window.m_linkSerialText = BytesToHex(reply.Payload());
    window.AppendLog(u"SN:" + window.m_linkSerialText, kLogBlack);
    return 1;
}
