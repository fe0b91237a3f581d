// The program's link to the offline downloader: the transport the main window owns through its OfflineLink, the
// exchange every request goes through, and the opening of the link with the reading of the identity.
#pragma once

#include <atomic>

#include "app/OfflineLink.h"
#include "framework/Text.h"
#include "offline/Hid.h"
#include "offline/LinkFrame.h"
#include "offline/LinkResync.h"

class CQXDownloadToolDlg;

class LinkSession : public OfflineLink {
public:
    explicit LinkSession(CQXDownloadToolDlg& window) : m_window(window) {}
    bool Open() override;
    bool ReadInfo() override;
    void Close() override;
    bool DevicePresent() override;
    void RunConfiguration() override;

    CHid m_hid;
    // Kept across closing and opening: a reply the downloader still owes may come on the next handle too.
    LinkResync m_resync;

private:
    CQXDownloadToolDlg& m_window;
};

// The window's session; every window made while the offline subsystem is registered has one.
LinkSession& LinkSessionOf(CQXDownloadToolDlg& window);

// Sends one request (hex text of header and payload, without check byte) and reads its reply into `reply`.
// True when a reply came with header 0xA0 and status 0. A reply with another header or a failed status adds the
// "Send:" and "Recv:" lines and the status text (red) to the log; no reply adds nothing, and the caller tells the
// user. A request text that is not a well-formed frame is refused before anything is sent. After a request whose
// reply did not come in time, the link is brought back in step first; when the downloader does not answer that
// either, the request is not sent, the link is closed and the window told it was lost.
bool ExchangeLinkCommand(CQXDownloadToolDlg& window, fw::TextView request, LinkReply& reply);
// The same for a request already in bytes (header and payload, no check byte): the road of the transfers, which
// would otherwise spend most of their time writing and reading hex text.
bool ExchangeLinkRequest(CQXDownloadToolDlg& window, std::span<const uint8_t> request, LinkReply& reply);

// Finds and opens the downloader with the ids of the window's vendor and product id edits.
int OpenLink(CQXDownloadToolDlg& window);
// Reads the module name, firmware and hardware versions and the serial number, logging each.
int ReadLinkInfo(CQXDownloadToolDlg& window);
