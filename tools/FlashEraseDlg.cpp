#include "tools/FlashEraseDlg.h"

#include <algorithm>
#include <cmath>

#include "app/ChipCommand.h"
#include "app/ChipSeries.h"
#include "app/MainWindow.h"
#include "core/HexText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "resources/ui/flash_erase.h"

using fw::Text;

namespace {

constexpr int kPageDigits = 4;

struct PartitionName {
    fw::TextView text;
    int partition;
};
constexpr PartitionName kPartitionNames[] = {{u"USER1", kEraseUser1},
                                             {u"USER2", kEraseUser2},
                                             {u"USER3", kEraseUser3},
                                             {u"Data Flash", kEraseDataFlash},
                                             {u"SRAM", kEraseSram}};

bool ReadsNoPartitions(uint8_t series, InterfaceIndex iface) {
    return series == 4 || series == 6 || series == 10 || series == 12 || IsSwd(iface);
}

// A size as read: 0 and 0xFF both say the partition is not configured.
bool Unpartitioned(uint32_t units) { return units == 0 || units == 0xFF; }

uint32_t AddressOf(double address) { return static_cast<uint32_t>(static_cast<uint64_t>(std::trunc(address))); }

Text RangeText(uint64_t first, uint64_t last) {
    return fw::Format(u"0x%08X-0x%08X", static_cast<uint32_t>(first), static_cast<uint32_t>(last));
}

}  // namespace

const fw::MessageMap<CFlashEraseDlg> CFlashEraseDlg::kMessages{
    fw::OnClick(IDC_ERASE_OK, &CFlashEraseDlg::OnBnClickedOk),
    fw::OnSelChange(IDC_ERASE_PARTITION, &CFlashEraseDlg::OnCbnSelchangePartition),
    fw::OnEditChange(IDC_ERASE_FIRST_PAGE, &CFlashEraseDlg::OnEnChangePageRange),
    fw::OnEditChange(IDC_ERASE_PAGE_COUNT, &CFlashEraseDlg::OnEnChangePageRange),
};

CFlashEraseDlg::CFlashEraseDlg(CQXDownloadToolDlg* owner) : fw::Dialog(IDD_FLASH_ERASE, owner), m_owner(owner) {}

void CFlashEraseDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Control(IDC_ERASE_PARTITION, m_partitionList);
    dx.Control(IDC_ERASE_FIRST_PAGE, m_firstPageEdit);
    dx.Control(IDC_ERASE_PAGE_COUNT, m_pageCountEdit);
    dx.Control(IDC_ERASE_RANGE, m_rangeText);
    dx.Control(IDC_ERASE_WINDOW, m_windowEdit);
    dx.Control(IDC_ERASE_WINDOW_SIZE, m_windowSizeText);
    dx.Control(IDC_ERASE_PAGE_NOTE, m_pageNote);
}

PageEraseLayout CFlashEraseDlg::Layout() const {
    const CQXDownloadToolDlg& w = *m_owner;
    PageEraseLayout l;
    l.series = w.m_chipSeries;
    l.iface = w.m_interface;
    l.flashBase = w.m_flashBase;
    l.flashKB = w.m_flashSizeKB;
    l.unitKB = w.m_partitionUnitKB;
    l.user1Units = m_user1Units;
    l.user3Units = Unpartitioned(w.m_items[2].readSize) ? 0 : w.m_items[2].readSize;
    return l;
}

Text CFlashEraseDlg::SizeText(uint32_t units) const {
    const uint32_t unitKB = m_owner->m_partitionUnitKB;
    return fw::Format(TranslateText(u"(%dKB)(最小单位%dKB)"), static_cast<int>(units * unitKB),
                      static_cast<int>(unitKB));
}

void CFlashEraseDlg::ShowWindowRange(double first, double last, const Text& sizeText) {
    m_windowEdit.SetWindowText(RangeText(AddressOf(first), AddressOf(last)));
    m_windowSizeText.SetWindowText(sizeText);
}

bool CFlashEraseDlg::ReadLayout() {
    CQXDownloadToolDlg& w = *m_owner;
    const uint8_t series = w.m_chipSeries;
    if (ReadsNoPartitions(series, w.m_interface)) {
        if (w.m_flashSizeKB == 0.0 || w.m_partitionUnitKB == 0) {
            w.AppendLog(TranslateText(u"没有读取到FLASH大小！"), kLogRed);
            EndDialog(fw::IDCANCEL);
            return false;
        }
        const double usableKB = std::max(0.0, ErasableFlashKB(series, w.m_flashSizeKB));
        m_user1Units = static_cast<uint32_t>(usableKB / w.m_partitionUnitKB);
        // The item keeps a byte; 0xFF would read as "not partitioned", so a larger USER1 stops just below it.
        w.m_items[0].readSize = static_cast<uint8_t>(std::min<uint32_t>(m_user1Units, 0xFE));
        if (series != 11) m_partitionList.EnableWindow(false);
        return true;
    }
    if (!w.ReadPartitions(w.m_partitions, nullptr)) {
        w.AppendLog(TranslateText(u"读取分区信息失败！"), kLogRed);
        EndDialog(fw::IDCANCEL);
        return false;
    }
    // The item's byte stops at 255, which reads "not partitioned": a flash of 256 units or more needs the wide count.
    m_user1Units = g_channels[0].user1Units;
    return true;
}

bool CFlashEraseDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    CQXDownloadToolDlg& w = *m_owner;
    const uint8_t series = w.m_chipSeries;
    m_partitionList.AddString(u"USER1");
    if (series != 5) m_partitionList.AddString(u"USER2");
    m_partitionList.AddString(u"USER3");
    if (series == 11) {
        m_partitionList.AddString(u"Data Flash");
        m_partitionList.AddString(u"SRAM");
    }
    m_partitionList.SetCurSel(0);

    if (series == 7) {
        // No partitions: the fixed window of the boot loader stays what the dialog shows.
        const bool usart = w.m_interface == kIfaceUsart;
        m_windowEdit.SetWindowText(usart ? u"0x08000C00-0x080075FF" : u"0x08000000-0x080075FF");
        m_windowSizeText.SetWindowText(usart ? TranslateText(u"(26.5KB)(最小单位4KB)")
                                             : TranslateText(u"(29.5KB)(最小单位4KB)"));
        m_partitionList.EnableWindow(false);
    } else {
        if (!ReadLayout()) return true;
        ShowWindowRange(w.m_flashBase, User1End(Layout()) - 1, SizeText(m_user1Units));
    }

    m_windowEdit.EnableWindow(false);
    m_firstPageEdit.SetLimitText(kPageDigits);
    m_pageCountEdit.SetLimitText(kPageDigits);
    m_firstPageEdit.SetWindowText(u"0000");
    m_pageCountEdit.SetWindowText(u"0010");
    if (w.m_pageSize != 0) {
        m_pageNote.SetWindowText(
            fw::Format(TranslateText(u"注：每页为%dByte，页地址编号为擦除的起始页，页数则为擦除的页数"),
                       static_cast<int>(w.m_pageSize)));
    }
    ShowEraseRange(m_firstPageEdit.GetWindowText(), m_pageCountEdit.GetWindowText());
    return true;
}

void CFlashEraseDlg::OnCbnSelchangePartition() {
    const int selection = m_partitionList.GetCurSel();
    const Text name = selection >= 0 ? m_partitionList.GetLBText(selection) : Text();
    for (const PartitionName& p : kPartitionNames) {
        if (name == p.text) m_partition = p.partition;
    }
    const CQXDownloadToolDlg& w = *m_owner;
    const PageEraseLayout layout = Layout();
    const auto sizeOf = [&](uint32_t units) {
        return Unpartitioned(units) ? TranslateText(u"(未分区)") : SizeText(units);
    };
    switch (m_partition) {
        case kEraseUser1:
            // USER1 is wide here: 0xFF units is a size, only 0 means nothing is configured.
            ShowWindowRange(layout.flashBase, User1End(layout) - 1,
                            m_user1Units == 0 ? TranslateText(u"(未分区)") : SizeText(m_user1Units));
            break;
        case kEraseUser2:
        case kEraseUser3: {
            const uint8_t units = w.m_items[static_cast<size_t>(m_partition)].readSize;
            const double first = m_partition == kEraseUser2 ? User1End(layout) : User3Start(layout);
            const double end = m_partition == kEraseUser2 ? User3Start(layout) : FlashEnd(layout);
            ShowWindowRange(first, Unpartitioned(units) ? end : end - 1, sizeOf(units));
            break;
        }
        case kEraseDataFlash:
            m_windowEdit.SetWindowText(u"0x1FFF1000-0x1FFF2FFF");
            m_windowSizeText.SetWindowText(TranslateText(u"(8KB)(最小单位4KB)"));
            break;
        case kEraseSram:
            m_windowEdit.SetWindowText(u"0x20000000-0x20003FFF");
            m_windowSizeText.SetWindowText(TranslateText(u"(16KB)(最小单位4KB)"));
            break;
        default:
            break;
    }
    ShowEraseRange(m_firstPageEdit.GetWindowText(), m_pageCountEdit.GetWindowText());
}

void CFlashEraseDlg::OnEnChangePageRange() {
    ShowEraseRange(m_firstPageEdit.GetWindowText(), m_pageCountEdit.GetWindowText());
}

void CFlashEraseDlg::ShowEraseRange(const Text& firstPage, const Text& pageCount) {
    if (firstPage.empty() || pageCount.empty() || !IsHexText(firstPage) || !IsHexText(pageCount)) {
        m_rangeText.SetWindowText(u"");
        return;
    }
    const uint64_t pageSize = m_owner->m_pageSize;
    const uint64_t first = PageEraseWindowOf(Layout(), m_partition).pageBase + HexToUInt32(firstPage) * pageSize;
    const uint64_t count = HexToUInt32(pageCount);
    const uint64_t last = count == 0 ? first : first + count * pageSize - 1;
    m_rangeText.SetWindowText(RangeText(first, last));
}

void CFlashEraseDlg::OnBnClickedOk() {
    if (m_msgBox.MessageBox(this, TranslateText(u"确认擦除FLASH?"), fw::MB_YESNO | fw::MB_ICONQUESTION) != fw::IDYES) {
        return;
    }
    const Text firstText = m_firstPageEdit.GetWindowText();
    const Text countText = m_pageCountEdit.GetWindowText();
    const auto box = [this](const Text& text) { m_msgBox.MessageBox(this, text, fw::MB_OK); };
    if (firstText.empty()) return box(TranslateText(u"擦除页地址编号不能为空"));
    if (countText.empty()) return box(TranslateText(u"擦除页数不能为空"));
    if (!IsHexText(firstText) || !IsHexText(countText)) {
        return box(TranslateText(u"输入的数据必须为十六进制的数据！"));
    }
    CQXDownloadToolDlg& w = *m_owner;
    // Pages are counted in the chip's page size; without one there is nothing to count in.
    if (w.m_pageSize == 0) return box(TranslateText(u"没有读取到页大小！"));
    const uint64_t pageSize = w.m_pageSize;
    const auto pages = static_cast<int64_t>(w.m_flashSizeKB * 1024.0 / static_cast<double>(pageSize));
    const int64_t page = HexToUInt32(firstText), count = HexToUInt32(countText);
    if (page > pages - 1)
        return box(fw::Format(TranslateText(u"擦除页地址编号范围(0~%d)"), static_cast<int>(pages - 1)));
    if (count < 1 || count > pages)
        return box(fw::Format(TranslateText(u"擦除页数范围(1~%d)"), static_cast<int>(pages)));

    const PageEraseWindow window = PageEraseWindowOf(Layout(), m_partition);
    const uint64_t first = window.pageBase + static_cast<uint64_t>(page) * pageSize;
    const uint64_t last = first + static_cast<uint64_t>(count) * pageSize - 1;
    if (static_cast<double>(first) < window.start || static_cast<double>(last) > window.comparedEnd) {
        return box(TranslateText(u"不能超出可擦除地址范围！"));
    }
    if (PageEraseLiftsProtection(w.m_interface, w.m_chipSeries, m_partition, static_cast<uint32_t>(first)) &&
        !w.LiftProtection(nullptr)) {
        return;
    }
    if (!ReportStatus(w, SendErase(static_cast<uint32_t>(first), static_cast<uint32_t>(last)),
                      TranslateText(u"FLASH页擦除失败！"))) {
        return box(TranslateText(u"FLASH页擦除失败！"));
    }
    w.AppendLog(TranslateText(u"FLASH页擦除成功！"), kLogGreen);
    box(TranslateText(u"FLASH页擦除成功！"));
}

StatusCode CFlashEraseDlg::SendErase(uint32_t first, uint32_t last) {
    CQXDownloadToolDlg& w = *m_owner;
    if (m_partition == kEraseSram) return CMD_STATUS_OK;
    if (m_partition == kEraseDataFlash) {
        // The data flash travels in a copy of USER1's records: the window's own stay as they are for the erases
        // and downloads that follow.
        UserPartitionRecord partition = w.m_partitions[0];
        partition.index = static_cast<uint8_t>(m_partition);
        KeyUpdateRecord key = w.m_keyUpdates[0];
        return OV_CMD_FLASH_ERASE(w.m_hDevice, first, last, &partition, &key);
    }
    const auto r = static_cast<size_t>(m_partition);
    w.m_partitions[r].index = static_cast<uint8_t>(m_partition);
    const Text& keyText = w.m_items[r].partitionKeyText;
    // Only a whole key goes in: a damaged text would send a key that no partition holds.
    if (w.m_items[r].readAuthentication != 0 && keyText.size() == 32 && IsHexText(keyText)) {
        HexToBytes(keyText, w.m_keyUpdates[r].key, sizeof w.m_keyUpdates[r].key);
    }
    return OV_CMD_FLASH_ERASE(w.m_hDevice, first, last, &w.m_partitions[r], &w.m_keyUpdates[r]);
}
