#include "optionbytes/SecurityOptionDlg.h"

#include <algorithm>
#include <vector>

#include "app/MainWindow.h"
#include "app/ReadAnswer.h"
#include "core/HexText.h"
#include "core/StatusText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "optionbytes/FieldMessages.h"
#include "optionbytes/SelectBlockDlg.h"

using fw::Text;
using fw::TextView;

namespace {

// The check box of each item, items 1 to 8.
constexpr int kItemBoxes[kOptionItemCount] = {IDC_SO_RDP_BOX,      IDC_SO_WRP_BOX,     IDC_SO_BOOT_M7_BOX,
                                              IDC_SO_BOOT_M4_BOX,  IDC_SO_SEC_BOX,     IDC_SO_PFOER_BOX,
                                              IDC_SO_SEC_MODE_BOX, IDC_SO_CRYPTION_BOX};

int BoxOf(uint8_t item) { return kItemBoxes[item - 1]; }

uint8_t ItemOfBox(int id) {
    const auto it = std::find(std::begin(kItemBoxes), std::end(kItemBoxes), id);
    return it == std::end(kItemBoxes) ? 0 : static_cast<uint8_t>(it - std::begin(kItemBoxes) + 1);
}

// The editors an item's check box enables.
std::vector<int> EditorsOf(uint8_t item) {
    switch (item) {
        case kItemRdp:
            return {IDC_SO_RDP_LEVEL};
        case kItemWrp:
            return {IDC_SO_WRP, IDC_SO_SELECT_BLOCK};
        case kItemBootAddrM7:
            return {IDC_SO_BOOT_M7};
        case kItemBootAddrM4:
            return {IDC_SO_BOOT_M4};
        case kItemSecCfg1:
            return {IDC_SO_SEC_BEGIN, IDC_SO_SEC_END, IDC_SO_DMES, IDC_SO_SEC_ERASE};
        case kItemPfoerCfg1:
            return {IDC_SO_PFOER_BEGIN, IDC_SO_PFOER_END, IDC_SO_DMEP, IDC_SO_PFOER_ERASE};
        case kItemSecMode:
            return {IDC_SO_SEC_MODE};
        case kItemCryption:
            return {IDC_SO_CRYPTION};
        default:
            return {};
    }
}

// What the chip tells when an item cannot be transferred; the two area items have no box of their own.
Text ItemFailureText(uint8_t item) {
    switch (item) {
        case kItemRdp:
            return TranslateText(u"配置RDP失败！");
        case kItemWrp:
            return TranslateText(u"配置WRP失败！");
        case kItemBootAddrM7:
            return TranslateText(u"配置BOOTADDR_M7失败！");
        case kItemBootAddrM4:
            return TranslateText(u"配置BOOTADDR_M4失败！");
        case kItemSecMode:
            return TranslateText(u"配置SEC_MODE失败！");
        case kItemCryption:
            return TranslateText(u"配置CRYPTION失败！");
        default:
            return {};
    }
}

Text WithoutBlanks(TextView text) {
    Text out;
    for (char16_t c : text)
        if (c != u' ') out.push_back(c);
    return out;
}

}  // namespace

const fw::MessageMap<CWriteByteDlg4> CWriteByteDlg4::kMessages{
    fw::OnClick(IDC_SO_OK, &CWriteByteDlg4::OnBnClickedOk),
    fw::OnClick(IDC_SO_ALL, &CWriteByteDlg4::OnBnClickedAllSelect),
    fw::OnNotify(IDC_SO_RDP_BOX, fw::Notification::Click, &CWriteByteDlg4::OnItemBox),
    fw::OnNotify(IDC_SO_WRP_BOX, fw::Notification::Click, &CWriteByteDlg4::OnItemBox),
    fw::OnNotify(IDC_SO_BOOT_M7_BOX, fw::Notification::Click, &CWriteByteDlg4::OnItemBox),
    fw::OnNotify(IDC_SO_BOOT_M4_BOX, fw::Notification::Click, &CWriteByteDlg4::OnItemBox),
    fw::OnNotify(IDC_SO_SEC_BOX, fw::Notification::Click, &CWriteByteDlg4::OnItemBox),
    fw::OnNotify(IDC_SO_PFOER_BOX, fw::Notification::Click, &CWriteByteDlg4::OnItemBox),
    fw::OnNotify(IDC_SO_SEC_MODE_BOX, fw::Notification::Click, &CWriteByteDlg4::OnItemBox),
    fw::OnNotify(IDC_SO_CRYPTION_BOX, fw::Notification::Click, &CWriteByteDlg4::OnItemBox),
    fw::OnEditChange(IDC_SO_SEC_BEGIN, &CWriteByteDlg4::OnAddressEditChange),
    fw::OnEditChange(IDC_SO_SEC_END, &CWriteByteDlg4::OnAddressEditChange),
    fw::OnEditChange(IDC_SO_PFOER_BEGIN, &CWriteByteDlg4::OnAddressEditChange),
    fw::OnEditChange(IDC_SO_PFOER_END, &CWriteByteDlg4::OnAddressEditChange),
    fw::OnSelChange(IDC_SO_RDP_LEVEL, &CWriteByteDlg4::OnCbnSelchangeRdpLevel),
    fw::OnClick(IDC_SO_SELECT_BLOCK, &CWriteByteDlg4::OnBnClickedSelectBlock),
};

CWriteByteDlg4::CWriteByteDlg4(CQXDownloadToolDlg* mainDlg, SecurityOptionMode mode)
    : fw::Dialog(IDD_WRITE_BYTE4), m_pMainDlg(mainDlg), m_mode(mode) {
    if (mainDlg != nullptr) m_flashAreaLimit = mainDlg->m_flashAreaLimit;
}

bool CWriteByteDlg4::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    for (int id : {IDC_SO_WRP, IDC_SO_BOOT_M7, IDC_SO_BOOT_M4})
        GetDlgItem(id).SetLimitText(8);
    for (int id : {IDC_SO_SEC_BEGIN, IDC_SO_SEC_END, IDC_SO_PFOER_BEGIN, IDC_SO_PFOER_END})
        GetDlgItem(id).SetLimitText(4);
    for (const char16_t* level : {u"L0", u"L1", u"L2"})
        GetDlgItem(IDC_SO_RDP_LEVEL).AddString(level);
    GetDlgItem(IDC_SO_RDP_LEVEL).SetCurSel(0);
    GetDlgItem(IDC_SO_SEC_MODE).AddString(TranslateText(u"使能"));
    GetDlgItem(IDC_SO_SEC_MODE).AddString(TranslateText(u"禁止"));
    GetDlgItem(IDC_SO_SEC_MODE).SetCurSel(0);
    for (Text choice : {TranslateText(u"加密不绑定"), TranslateText(u"加密绑定"), TranslateText(u"不加密")})
        GetDlgItem(IDC_SO_CRYPTION).AddString(choice);
    GetDlgItem(IDC_SO_CRYPTION).SetCurSel(2);
    for (int id : {IDC_SO_SEC_ERASE, IDC_SO_PFOER_ERASE}) {
        for (Text choice : {TranslateText(u"无"), TranslateText(u"RDP降级"), TranslateText(u"BANK擦除")})
            GetDlgItem(id).AddString(choice);
        GetDlgItem(id).SetCurSel(0);
    }
    for (uint8_t item = 1; item <= kOptionItemCount; ++item)
        CheckDlgButton(BoxOf(item), 0);
    CheckDlgButton(IDC_SO_ALL, 0);

    if (m_mode == SecurityOptionMode::File) {
        GetDlgItem(IDC_SO_CRYPTION).EnableWindow(false);
        GetDlgItem(IDC_SO_CRYPTION_BOX).EnableWindow(false);
        GetDlgItem(IDC_SO_CRYPTION).SetCurSel(std::clamp(m_cryptionIndex, 0, 2));
        ShowValues();
        return true;
    }
    if (m_mode == SecurityOptionMode::Project) {
        SetUpProjectMode();
        if (!LoadItemText()) {
            EndDialog(fw::IDCANCEL);
            return false;
        }
        ShowValues();
        return true;
    }
    // The "-1A" models carry items 1 to 4 only; the others do not exist on the chip and are not offered.
    if (ShortModel()) {
        for (uint8_t item = kItemSecCfg1; item <= kItemCryption; ++item)
            GetDlgItem(BoxOf(item)).EnableWindow(false);
    }
    // The offline downloader answers no option reads: like the other chip editors, this one then has nothing to
    // show, rather than a failure of items that never reached a chip.
    if (m_pMainDlg->m_interface == kIfaceOfflineLink || !TransferItems(Pass::Read)) {
        m_pMainDlg->AppendLog(TranslateText(u"读取选项字节失败！"), kLogRed);
        EndDialog(fw::IDCANCEL);
        return false;
    }
    ShowValues();
    return true;
}

void CWriteByteDlg4::SetUpProjectMode() {
    // The project always carries the items the model has: their boxes are ticked and cannot be cleared.
    const bool shortBlock = ShortModel();
    for (uint8_t item = 1; item <= kOptionItemCount; ++item) {
        const bool carried = item <= kItemBootAddrM4 || !shortBlock;
        CheckDlgButton(BoxOf(item), carried ? 1 : 0);
        GetDlgItem(BoxOf(item)).EnableWindow(false);
        EnableItemEditors(item, carried && m_editable);
    }
    CheckDlgButton(IDC_SO_ALL, shortBlock ? 0 : 1);
    GetDlgItem(IDC_SO_ALL).EnableWindow(false);
}

bool CWriteByteDlg4::LoadItemText() {
    if (m_itemText.empty()) return true;  // a new project: the defaults
    const Text text = WithoutBlanks(m_itemText);
    const bool blockSized = text.size() == 2 * kItemBlockShortBytes || text.size() == 2 * kItemBlockFullBytes;
    std::vector<uint8_t> bytes(text.size() / 2);
    std::optional<std::vector<OptionItemValue>> items;
    if (blockSized && IsHexText(text) && HexToBytes(text, bytes.data(), bytes.size()))
        items = ReadOptionItemBlock(bytes);
    if (!items) {
        Tell(TranslateText(u"工程中的选项字节数据不正确！"));
        return false;
    }
    for (OptionItemValue value : *items) {
        if (value.item == kItemSecCfg1 || value.item == kItemPfoerCfg1) {
            value.subIndex = 1;
            value.eraseMode = 0;
        }
        StoreItem(value);
    }
    return true;
}

bool CWriteByteDlg4::ItemTicked(uint8_t item) const { return IsDlgButtonChecked(BoxOf(item)) != 0; }

void CWriteByteDlg4::EnableItemEditors(uint8_t item, bool enable) {
    for (int id : EditorsOf(item))
        GetDlgItem(id).EnableWindow(enable);
}

void CWriteByteDlg4::Tell(const Text& text) { m_msgBox.MessageBox(this, text, fw::MB_OK); }

bool CWriteByteDlg4::ValidateField(Text& text, TextView name) {
    text = WithoutBlanks(text);
    const Text label(name);
    if (text.empty()) {
        Tell(label + TranslateText(u" 不能为空！"));
        return false;
    }
    if (!IsHexText(text)) {
        Tell(label + TranslateText(u" 必须输入十六进制数！"));
        return false;
    }
    const bool area = label.find(u"BEGIN") != Text::npos || label.find(u"END") != Text::npos;
    // Eight digits at most reach here (the edits hold no more), but a longer text must not wrap into range.
    if (text.size() > (area ? 4u : 8u)) {
        Tell(label + (area ? TranslateText(u" 不能大于0x1FFF ！") : TranslateText(u" 输入范围不正确！")));
        return false;
    }
    const uint32_t value = HexToUInt32(text);
    if (area && value > kAreaSectorMax) {
        Tell(label + TranslateText(u" 不能大于0x1FFF ！"));
        return false;
    }
    const uint8_t item = label == u"BOOTADDR_M7" ? kItemBootAddrM7 : label == u"BOOTADDR_M4" ? kItemBootAddrM4 : 0;
    if (item != 0 && !BootAddressAccepted(item, value, m_flashAreaLimit)) {
        Tell(label + TranslateText(u" 输入范围不正确！"));
        return false;
    }
    text.insert(0, (area ? 4u : 8u) - text.size(), u'0');
    return true;
}

std::optional<OptionItemValue> CWriteByteDlg4::ItemFromControls(uint8_t item) {
    const auto field = [this](int id, TextView name) -> std::optional<uint32_t> {
        Text text = GetDlgItemText(id);
        if (!ValidateField(text, name)) return std::nullopt;
        return HexToUInt32(text);
    };
    const auto area = [&](uint8_t areaItem, int begin, int end, TextView beginName, TextView endName, int flag,
                          int erase) -> std::optional<OptionItemValue> {
        const std::optional<uint32_t> b = field(begin, beginName);
        if (!b) return std::nullopt;
        const std::optional<uint32_t> e = field(end, endName);
        if (!e) return std::nullopt;
        const int mode = std::max(GetDlgItem(erase).GetCurSel(), 0);
        return AreaItem(areaItem, *b, *e, IsDlgButtonChecked(flag) != 0, static_cast<uint8_t>(mode));
    };
    switch (item) {
        case kItemRdp:
            return RdpItem(static_cast<uint8_t>(std::max(GetDlgItem(IDC_SO_RDP_LEVEL).GetCurSel(), 0)));
        case kItemWrp:
        case kItemBootAddrM7:
        case kItemBootAddrM4: {
            const int id = item == kItemWrp ? IDC_SO_WRP : item == kItemBootAddrM7 ? IDC_SO_BOOT_M7 : IDC_SO_BOOT_M4;
            const std::optional<uint32_t> value = field(id, OptionItemName(item));
            if (!value) return std::nullopt;
            return WordItem(item, *value);
        }
        case kItemSecCfg1:
            return area(item, IDC_SO_SEC_BEGIN, IDC_SO_SEC_END, u"SEC_CFG1 BEGIN", u"SEC_CFG1 END", IDC_SO_DMES,
                        IDC_SO_SEC_ERASE);
        case kItemPfoerCfg1:
            return area(item, IDC_SO_PFOER_BEGIN, IDC_SO_PFOER_END, u"PFOER_CFG1 BEGIN", u"PFOER_CFG1 END", IDC_SO_DMEP,
                        IDC_SO_PFOER_ERASE);
        case kItemSecMode:
            return SecModeItem(GetDlgItem(IDC_SO_SEC_MODE).GetCurSel() == 0);
        default:
            return CryptionItem(std::clamp(GetDlgItem(IDC_SO_CRYPTION).GetCurSel(), 0, 2));
    }
}

void CWriteByteDlg4::StoreItem(const OptionItemValue& value) {
    const auto areaTexts = [](const OptionItemValue& v, Text& begin, Text& end, uint8_t& flag) {
        const AreaWord word = ItemArea(v);
        begin = fw::Format(u"%04X", word.begin);
        end = fw::Format(u"%04X", word.end);
        flag = word.flag ? 1 : 0;
    };
    switch (value.item) {
        case kItemRdp:
            m_rdpLevel = value.data[0];
            break;
        case kItemWrp:
            m_wrpText = fw::Format(u"%08X", ItemWord32(value));
            break;
        case kItemBootAddrM7:
            m_bootM7Text = fw::Format(u"%08X", ItemWord32(value));
            break;
        case kItemBootAddrM4:
            m_bootM4Text = fw::Format(u"%08X", ItemWord32(value));
            break;
        case kItemSecCfg1:
            areaTexts(value, m_secBeginText, m_secEndText, m_dmes);
            m_secEraseMode = 0;
            break;
        case kItemPfoerCfg1:
            // The chip marks an area it did not report by another sub-index; the texts then keep what they were.
            if (value.subIndex == 1) areaTexts(value, m_pfoerBeginText, m_pfoerEndText, m_dmep);
            m_pfoerEraseMode = value.eraseMode;
            break;
        case kItemSecMode:
            m_secMode = ItemPairNumber(value);
            break;
        case kItemCryption:
            m_cryption = ItemPairNumber(value);
            break;
        default:
            break;
    }
}

bool CWriteByteDlg4::DeviceTransfer(OptionItemValue& value, Pass pass) {
    OptionRwBlock block = OptionItemBlockFor(value, pass == Pass::Read ? 0 : 1);
    const StatusCode status = OV_CMD_OPT_RW(m_pMainDlg->m_hDevice, &block);
    if (status != CMD_STATUS_OK) {
        const Text failure = ItemFailureText(value.item);
        if (!failure.empty()) Tell(failure);
        m_pMainDlg->AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
        if (!failure.empty()) m_pMainDlg->AppendLog(failure, kLogRed);
        return false;
    }
    if (pass == Pass::Read) {
        if (!OptionAnswerIsWhole(block, m_pMainDlg->m_chipSeries)) m_readWhole = false;
        value = OptionItemFromBlock(block);
    }
    return true;
}

bool CWriteByteDlg4::TransferItems(Pass pass) {
    // Every ticked item is taken from its controls before the first one goes anywhere: a refused field leaves the
    // chip and the recorded text as they were.
    std::vector<OptionItemValue> values;
    const uint8_t lastItem = m_mode == SecurityOptionMode::Device && ShortModel() ? kItemBootAddrM4 : kOptionItemCount;
    for (uint8_t item = 1; item <= lastItem; ++item) {
        if (pass == Pass::Write && !ItemTicked(item)) continue;
        OptionItemValue value;
        if (pass == Pass::Write) {
            const std::optional<OptionItemValue> fromControls = ItemFromControls(item);
            if (!fromControls) return false;
            value = *fromControls;
        } else {
            value.item = item;
            value.length = OptionItemLength(item);
            if (item == kItemSecCfg1 || item == kItemPfoerCfg1) value.subIndex = 1;
        }
        values.push_back(value);
    }
    // One item word travels through the whole pass: the items after an area item go out with its sub-index and
    // erase mode, as the chip's loader has always received them.
    OptionItemValue carried;
    Text result;
    for (OptionItemValue& value : values) {
        const bool areaItem = value.item == kItemSecCfg1 || value.item == kItemPfoerCfg1;
        if (areaItem) {
            if (pass == Pass::Read) value.eraseMode = 0;
            value.reserved = 0;
            carried = value;
        } else {
            value.subIndex = carried.subIndex;
            value.reserved = carried.reserved;
            value.eraseMode = carried.eraseMode;
        }
        switch (m_mode) {
            case SecurityOptionMode::File:
                result += OptionItemListEntry(value);
                break;
            case SecurityOptionMode::Project:
                result += OptionItemDataText(value);
                break;
            case SecurityOptionMode::Device:
                if (!DeviceTransfer(value, pass)) return false;
                if (pass == Pass::Read) {
                    StoreItem(value);
                    if (areaItem) {
                        carried.subIndex = value.subIndex;
                        carried.reserved = value.reserved;
                        carried.eraseMode = value.eraseMode;
                    }
                }
                break;
        }
    }
    if (pass == Pass::Write) m_itemText = result;
    return true;
}

void CWriteByteDlg4::ShowValues() {
    GetDlgItem(IDC_SO_RDP_LEVEL).SetCurSel(m_rdpLevel == 1 || m_rdpLevel == 2 ? m_rdpLevel : 0);
    SetDlgItemText(IDC_SO_WRP, m_wrpText);
    SetDlgItemText(IDC_SO_BOOT_M7, m_bootM7Text);
    SetDlgItemText(IDC_SO_BOOT_M4, m_bootM4Text);
    SetDlgItemText(IDC_SO_SEC_BEGIN, m_secBeginText);
    SetDlgItemText(IDC_SO_SEC_END, m_secEndText);
    SetDlgItemText(IDC_SO_PFOER_BEGIN, m_pfoerBeginText);
    SetDlgItemText(IDC_SO_PFOER_END, m_pfoerEndText);
    CheckDlgButton(IDC_SO_DMES, m_dmes);
    CheckDlgButton(IDC_SO_DMEP, m_dmep);
    GetDlgItem(IDC_SO_SEC_ERASE).SetCurSel(m_secEraseMode <= kEraseBank ? m_secEraseMode : 0);
    GetDlgItem(IDC_SO_PFOER_ERASE).SetCurSel(m_pfoerEraseMode <= kEraseBank ? m_pfoerEraseMode : 0);
    GetDlgItem(IDC_SO_SEC_MODE).SetCurSel(SecModeEnabled(m_secMode) ? 0 : 1);
    if (m_mode != SecurityOptionMode::File) GetDlgItem(IDC_SO_CRYPTION).SetCurSel(CryptionChoice(m_cryption));
}

void CWriteByteDlg4::OnItemBox(const fw::NotifyInfo& info) {
    const uint8_t item = ItemOfBox(info.id);
    if (item != 0) EnableItemEditors(item, IsDlgButtonChecked(info.id) != 0);
}

bool CWriteByteDlg4::ShortModel() const {
    return m_pMainDlg != nullptr && m_pMainDlg->m_chipModel.find(u"-1A") != Text::npos;
}

void CWriteByteDlg4::OnBnClickedAllSelect() {
    const bool all = IsDlgButtonChecked(IDC_SO_ALL) != 0;
    for (uint8_t item = 1; item <= kOptionItemCount; ++item) {
        if (item == kItemCryption && m_mode == SecurityOptionMode::File) continue;
        if (item > kItemBootAddrM4 && m_mode == SecurityOptionMode::Device && ShortModel()) continue;
        CheckDlgButton(BoxOf(item), all ? 1 : 0);
        EnableItemEditors(item, all);
    }
}

void CWriteByteDlg4::OnAddressEditChange(const fw::NotifyInfo& info) {
    const Text text = WithoutBlanks(GetDlgItemText(info.id));
    if (text.empty()) return;
    if (!IsHexText(text)) {
        Tell(TranslateText(u" 必须输入十六进制数！"));
        return;
    }
    const uint32_t sector = static_cast<uint32_t>(HexToInt(text));
    const bool begin = info.id == IDC_SO_SEC_BEGIN || info.id == IDC_SO_PFOER_BEGIN;
    const int preview = info.id == IDC_SO_SEC_BEGIN     ? IDC_SO_SEC_BEGIN_ADDR
                        : info.id == IDC_SO_SEC_END     ? IDC_SO_SEC_END_ADDR
                        : info.id == IDC_SO_PFOER_BEGIN ? IDC_SO_PFOER_BEGIN_ADDR
                                                        : IDC_SO_PFOER_END_ADDR;
    const uint32_t address = begin ? (sector + 0x15000u) * 0x1000u : sector * 0x1000u + 0x15000FFFu;
    SetDlgItemText(preview, fw::Format(u"%08X", address));
}

void CWriteByteDlg4::OnBnClickedSelectBlock() {
    // An empty or malformed text would read as all zeros, which the selector would show as every block protected.
    Text text = GetDlgItemText(IDC_SO_WRP);
    if (!ValidateField(text, u"WRP")) return;
    m_wrpText = text;
    const int flashKB = m_pMainDlg != nullptr ? static_cast<int>(m_pMainDlg->m_flashSizeKB)
                                              : (m_flashAreaLimit >= 0x153DFFFF ? 4096 : 2048);
    SelectBlockDlg selector(this, flashKB);
    if (selector.DoModal() == fw::IDOK) SetDlgItemText(IDC_SO_WRP, m_wrpText);
}

void CWriteByteDlg4::OnCbnSelchangeRdpLevel() {
    const int selection = GetDlgItem(IDC_SO_RDP_LEVEL).GetCurSel();
    if (selection == 2 &&
        m_msgBox.MessageBox(this, TranslateText(u"此操作将不可逆，请谨慎操作！\n是否继续使能读保护等级L2 ?"),
                            fw::MB_YESNO | fw::MB_ICONQUESTION) != fw::IDYES) {
        GetDlgItem(IDC_SO_RDP_LEVEL).SetCurSel(m_rdpLevel <= 2 ? m_rdpLevel : 0);
        return;
    }
    if (selection >= 0) m_rdpLevel = static_cast<uint8_t>(selection);
}

void CWriteByteDlg4::OnBnClickedOk() {
    bool any = false;
    for (uint8_t item = 1; item <= kOptionItemCount; ++item)
        any = any || ItemTicked(item);
    if (!any) {
        Tell(TranslateText(u"请选择需要配置的选项字节！"));
        return;
    }
    if (m_mode == SecurityOptionMode::Device && !m_readWhole) {
        RefuseIncompleteRead(*m_pMainDlg, this);
        return;
    }
    if (!TransferItems(Pass::Write)) {
        const Text failed = TranslateText(u"配置选项字节失败！");
        Tell(failed);
        if (m_pMainDlg != nullptr) m_pMainDlg->AppendLog(failed, kLogRed);
        return;
    }
    if (m_mode == SecurityOptionMode::Device) {
        const Text done = TranslateText(u"配置选项字节成功，复位后生效！");
        Tell(done);
        m_pMainDlg->AppendLog(done, kLogBlack);
    }
    EndDialog(fw::IDOK);
}
