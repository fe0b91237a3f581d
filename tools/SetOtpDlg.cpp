#include "tools/SetOtpDlg.h"

#include <algorithm>
#include <span>

#include "app/MainWindow.h"
#include "app/MainWindowState.h"
#include "core/HexText.h"
#include "core/StatusText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "resources/ui/otp_items.h"
#include "tools/RecordRead.h"

using fw::Text;

namespace {

constexpr uint8_t kItemBytes = 4;  // the value, least significant byte first, then its complement
constexpr int kTcmOtherEntry = 44;

struct Item {
    int box;
    int value;
    int editor;  // combo, or the watchdog item's button
};

// By item number; entry 0 unused.
constexpr Item kItems[CSetOTPDlg::kItemCount + 1] = {
    {0, 0, 0},
    {IDC_OTP_DCD_BOX, IDC_OTP_DCD_VALUE, IDC_OTP_DCD},
    {IDC_OTP_BTM_BOX, IDC_OTP_BTM_VALUE, IDC_OTP_BTM},
    {IDC_OTP_BORLS_BOX, IDC_OTP_BORLS_VALUE, IDC_OTP_BORLS},
    {IDC_OTP_IWDG_BOX, IDC_OTP_IWDG_VALUE, IDC_OTP_SELECT_CONFIGURATION},
    {IDC_OTP_TCM_BOX, IDC_OTP_TCM_VALUE, IDC_OTP_TCM},
};

// The values items 1 and 2 choose between; the last entry ("other") writes all ones.
constexpr uint32_t kDcdValues[] = {0x0000, 0x0001, 0xFFFF};
constexpr uint32_t kBootValues[] = {0x5AA5, 0x4884, 0xFFFF};

int EntryOf(const uint32_t (&values)[3], uint32_t value) {
    for (int i = 0; i < 2; ++i)
        if (values[i] == value) return i;
    return 2;
}

Text ItemFailureText(int item) {
    switch (item) {
        case 1:
            return TranslateText(u"配置DCD_HIGH_VCORE失败！");
        case 2:
            return TranslateText(u"配置OTP_SYS_CFG_BTM失败！");
        case 3:
            return TranslateText(u"配置OTP_SYS_CFG_BORLS失败！");
        case 4:
            return TranslateText(u"配置OTP_SYS_CFG_IWDG失败！");
        default:
            return TranslateText(u"配置OTP_TCM_SZ_CFG失败！");
    }
}

// Every split of 1024, 896, ... 128 KB between ITCM and DTCM in 128 KB steps, ITCM falling; the codes 0x2C to
// 0x3F share the last entry.
std::vector<Text> TcmEntries() {
    std::vector<Text> out;
    for (int total = 1024; total >= 128; total -= 128) {
        for (int itcm = total; itcm >= 0; itcm -= 128)
            out.push_back(
                fw::Format(u"%02X:ITCM:%d(KB),DTCM:%d(KB)", static_cast<int>(out.size()), itcm, total - itcm));
    }
    out.push_back(fw::Format(u"(2C~3F):ITCM:%d(KB),DTCM:%d(KB)", 0, 0));
    return out;
}

// The watchdog bits' boxes, bit 13 first.
constexpr int kIwdgBoxes[14] = {IDC_IWDG_NRST_STOP_C_M7,  IDC_IWDG_NRST_STOP_C_M4, IDC_IWDG_NRST_STDBY_C_M7,
                                IDC_IWDG_NRST_STDBY_C_M4, IDC_IWDG_SW_M7,          IDC_IWDG_SW_M4,
                                IDC_IWDG_STOP0_M7,        IDC_IWDG_STOP0_M4,       IDC_IWDG_STOP2_M7,
                                IDC_IWDG_STOP2_M4,        IDC_IWDG_STANDBY_M7,     IDC_IWDG_STANDBY_M4,
                                IDC_IWDG_SLEEP_M7,        IDC_IWDG_SLEEP_M4};
constexpr uint32_t kIwdgBoxBits = 0x3FFF;

uint32_t BitOfBox(size_t index) { return 1u << (13 - index); }

}  // namespace

const fw::MessageMap<CSetOTPDlg> CSetOTPDlg::kMessages{
    fw::OnClick(IDC_OTP_OK, &CSetOTPDlg::OnBnClickedOk),
    fw::OnClick(IDC_OTP_SELECT_CONFIGURATION, &CSetOTPDlg::OnBnClickedSelectConfiguration),
    fw::OnSelChange(IDC_OTP_BTM, &CSetOTPDlg::OnCbnSelchangeBootMode),
    fw::OnSelChange(IDC_OTP_BORLS, &CSetOTPDlg::OnCbnSelchangeBorls),
    fw::OnSelChange(IDC_OTP_TCM, &CSetOTPDlg::OnCbnSelchangeTcmSize),
    fw::OnSelChange(IDC_OTP_DCD, &CSetOTPDlg::OnCbnSelchangeDcdHighVcore),
    fw::OnNotify(IDC_OTP_DCD_BOX, fw::Notification::Click, &CSetOTPDlg::OnItemBox),
    fw::OnNotify(IDC_OTP_BTM_BOX, fw::Notification::Click, &CSetOTPDlg::OnItemBox),
    fw::OnNotify(IDC_OTP_BORLS_BOX, fw::Notification::Click, &CSetOTPDlg::OnItemBox),
    fw::OnNotify(IDC_OTP_IWDG_BOX, fw::Notification::Click, &CSetOTPDlg::OnItemBox),
    fw::OnNotify(IDC_OTP_TCM_BOX, fw::Notification::Click, &CSetOTPDlg::OnItemBox),
};

CSetOTPDlg::CSetOTPDlg(CQXDownloadToolDlg* mainDlg) : fw::Dialog(IDD_SET_OTP, mainDlg), m_pMainDlg(mainDlg) {}

bool CSetOTPDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    for (const Text& entry : {TranslateText(u"禁止"), TranslateText(u"使能"), TranslateText(u"其它")})
        GetDlgItem(IDC_OTP_DCD).AddString(entry);
    for (const Text& entry : {TranslateText(u"从flash启动"), TranslateText(u"串行下载模式"), TranslateText(u"其它")})
        GetDlgItem(IDC_OTP_BTM).AddString(entry);
    for (const char16_t* level : {u"0:1.72V", u"1:1.9V", u"2:2.2V", u"3:2.5V", u"4:2.8V", u"5:3.1V", u"6:3.4V"})
        GetDlgItem(IDC_OTP_BORLS).AddString(level);
    GetDlgItem(IDC_OTP_BORLS).AddString(TranslateText(u"其它"));
    for (const Text& entry : TcmEntries())
        GetDlgItem(IDC_OTP_TCM).AddString(entry);
    if (!ReadOtpItems()) {
        m_pMainDlg->AppendLog(TranslateText(u"读取OTP失败！"), kLogRed);
        EndDialog(fw::IDCANCEL);
        return false;
    }
    ShowOtpItems();
    return true;
}

bool CSetOTPDlg::ReadOtpItems() {
    for (int item = 1; item <= kItemCount; ++item) {
        m_block = {};
        m_block.operation = 0;
        m_block.length = kItemBytes;
        m_block.item = static_cast<uint8_t>(item);
        const StatusCode status = OV_CMD_OTP_RW(m_pMainDlg->m_hDevice, &m_block);
        if (!RecordReadSucceeded(*m_pMainDlg, status, m_block.length, sizeof m_block.data, kItemBytes)) return false;
        m_itemHex[static_cast<size_t>(item)] = BytesToHex(std::span<const uint8_t>(m_block.data, kItemBytes));
    }
    return true;
}

uint32_t CSetOTPDlg::ItemValue(int item) const { return HexToUInt32(GetDlgItemText(kItems[item].value)); }

void CSetOTPDlg::SetItemValue(int item, uint32_t value) {
    SetDlgItemText(kItems[item].value, fw::Format(u"%04X", value & 0xFFFF));
}

void CSetOTPDlg::ShowOtpItems() {
    for (int item = 1; item <= kItemCount; ++item)
        SetDlgItemText(kItems[item].value,
                       SwapHexByteOrder(fw::TextView(m_itemHex[static_cast<size_t>(item)]).substr(0, 4)));
    GetDlgItem(IDC_OTP_DCD).SetCurSel(EntryOf(kDcdValues, ItemValue(1)));
    GetDlgItem(IDC_OTP_BTM).SetCurSel(EntryOf(kBootValues, ItemValue(2)));
    GetDlgItem(IDC_OTP_BORLS).SetCurSel(static_cast<int>(ItemValue(3) & 7));
    GetDlgItem(IDC_OTP_TCM).SetCurSel(std::min<int>(static_cast<int>(ItemValue(5) & 0x3F), kTcmOtherEntry));
}

void CSetOTPDlg::OnItemBox(const fw::NotifyInfo& info) {
    for (int item = 1; item <= kItemCount; ++item)
        if (kItems[item].box == info.id) GetDlgItem(kItems[item].editor).EnableWindow(IsDlgButtonChecked(info.id) != 0);
}

void CSetOTPDlg::OnCbnSelchangeDcdHighVcore() {
    const int entry = std::clamp(GetDlgItem(IDC_OTP_DCD).GetCurSel(), 0, 2);
    SetItemValue(1, kDcdValues[entry]);
}

void CSetOTPDlg::OnCbnSelchangeBootMode() {
    const int entry = std::clamp(GetDlgItem(IDC_OTP_BTM).GetCurSel(), 0, 2);
    SetItemValue(2, kBootValues[entry]);
}

void CSetOTPDlg::OnCbnSelchangeBorls() {
    const auto entry = static_cast<uint32_t>(std::max(0, GetDlgItem(IDC_OTP_BORLS).GetCurSel()));
    SetItemValue(3, (ItemValue(3) & ~7u) | entry);
}

void CSetOTPDlg::OnCbnSelchangeTcmSize() {
    const auto entry = static_cast<uint32_t>(std::max(0, GetDlgItem(IDC_OTP_TCM).GetCurSel()));
    SetItemValue(5, (ItemValue(5) & ~0x3Fu) | entry);
}

void CSetOTPDlg::OnBnClickedSelectConfiguration() {
    m_iwdgText = GetDlgItemText(IDC_OTP_IWDG_VALUE);
    OTPSYSCFGIWDGDlg dialog(this);
    if (dialog.DoModal() == fw::IDOK) SetDlgItemText(IDC_OTP_IWDG_VALUE, m_iwdgText);
}

void CSetOTPDlg::OnBnClickedOk() {
    bool anyTicked = false;
    for (int item = 1; item <= kItemCount; ++item)
        anyTicked = anyTicked || IsDlgButtonChecked(kItems[item].box) != 0;
    if (!anyTicked) {
        m_msgBox.MessageBox(this, TranslateText(u"请选择需要配置的项目！"), fw::MB_OK);
        return;
    }
    WriteOtpItems();
}

bool CSetOTPDlg::WriteOtpItems() {
    for (int item = 1; item <= kItemCount; ++item) {
        if (IsDlgButtonChecked(kItems[item].box) == 0) continue;
        const Text value = SwapHexByteOrder(fw::Format(u"%04X", ItemValue(item) & 0xFFFF));
        const Text data = value + ComplementHexBytes(value);
        m_block = {};
        m_block.operation = 1;
        m_block.item = static_cast<uint8_t>(item);
        m_block.length = static_cast<uint8_t>(data.size() / 2);
        HexToBytes(data, m_block.data, sizeof m_block.data);
        const StatusCode status = OV_CMD_OTP_RW(m_pMainDlg->m_hDevice, &m_block);
        if (status != CMD_STATUS_OK) {
            const Text failed = ItemFailureText(item);
            m_msgBox.MessageBox(this, failed, fw::MB_OK);
            m_pMainDlg->AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
            m_pMainDlg->AppendLog(failed, kLogRed);
            return false;
        }
    }
    m_pMainDlg->AppendLog(TranslateText(u"配置OTP成功，复位后生效！"), kLogGreen);
    return true;
}

const fw::MessageMap<OTPSYSCFGIWDGDlg> OTPSYSCFGIWDGDlg::kMessages{
    fw::OnClick(IDC_IWDG_SELECT_ALL, &OTPSYSCFGIWDGDlg::OnBnClickedSelectAll),
    fw::OnClick(fw::IDOK, &OTPSYSCFGIWDGDlg::OnBnClickedOk),
};

OTPSYSCFGIWDGDlg::OTPSYSCFGIWDGDlg(CSetOTPDlg* owner) : fw::Dialog(IDD_OTP_IWDG, owner), m_owner(owner) {}

bool OTPSYSCFGIWDGDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    const uint32_t word = HexToUInt32(m_owner->m_iwdgText) & 0xFFFF;
    m_keptBits = word & ~kIwdgBoxBits;
    CheckDlgButton(IDC_IWDG_SELECT_ALL, (word & kIwdgBoxBits) == kIwdgBoxBits ? 1 : 0);
    for (size_t i = 0; i < std::size(kIwdgBoxes); ++i)
        CheckDlgButton(kIwdgBoxes[i], (word & BitOfBox(i)) != 0 ? 1 : 0);
    return true;
}

void OTPSYSCFGIWDGDlg::OnBnClickedSelectAll() {
    const int state = IsDlgButtonChecked(IDC_IWDG_SELECT_ALL);
    for (int box : kIwdgBoxes)
        CheckDlgButton(box, state);
}

void OTPSYSCFGIWDGDlg::OnBnClickedOk() {
    uint32_t word = m_keptBits;
    for (size_t i = 0; i < std::size(kIwdgBoxes); ++i)
        if (IsDlgButtonChecked(kIwdgBoxes[i]) != 0) word |= BitOfBox(i);
    m_owner->m_iwdgText = fw::Format(u"%04X", word);
    EndDialog(fw::IDOK);
}
