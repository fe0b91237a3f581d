#include "app/OfflineLink.h"

#include <utility>

#include "app/MainWindow.h"
#include "framework/UiThread.h"

namespace {

OfflineLinkFactory& Factory() {
    static OfflineLinkFactory factory;
    return factory;
}

}  // namespace

void SetOfflineLinkFactory(OfflineLinkFactory factory) { Factory() = std::move(factory); }

const OfflineLinkFactory& GetOfflineLinkFactory() { return Factory(); }

OfflineLink::Reservation::Reservation(OfflineLink* link, fw::Text busyText) : m_link(link) {
    if (!m_link) return;
    m_previousText = std::exchange(m_link->m_busyText, std::move(busyText));
    m_link->m_reservations.fetch_add(1, std::memory_order_acq_rel);
}

OfflineLink::Reservation::~Reservation() {
    if (!m_link) return;
    m_link->m_reservations.fetch_sub(1, std::memory_order_acq_rel);
    m_link->m_busyText = std::move(m_previousText);
}

OfflineLink::Hold::Hold(CQXDownloadToolDlg& window)
    : m_window(window), m_link(window.GetOfflineLink()), m_wasConnected(window.m_connected != 0) {
    if (m_link) m_link->m_holds.fetch_add(1, std::memory_order_acq_rel);
}

OfflineLink::Hold::~Hold() {
    if (!m_link) return;
    m_link->m_holds.fetch_sub(1, std::memory_order_acq_rel);
    // The departures seen during the hold were left alone: whether the downloader is still there is asked now.
    if (m_wasConnected) fw::RunOnUi([this] { m_window.NoticeOfflineLinkLoss(); });
}
