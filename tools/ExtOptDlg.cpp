#include "tools/ExtOptDlg.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "app/MainWindow.h"
#include "app/MainWindowState.h"
#include "core/HexText.h"
#include "core/StatusText.h"
#include "core/Translation.h"
#include "resources/ui/ext_options.h"
#include "tools/RecordRead.h"

using fw::Text;
using fw::TextView;

namespace {

constexpr uint8_t kRecordBytes = 4 * CExtOPTDlg::kWordCount;

// The flag words pick one of a few markers; the last entry stands for every other value and writes all ones.
struct FlagChoices {
    std::array<const char16_t*, 2> markers;  // of the entries before the last one
    int count;
};

constexpr FlagChoices kOperationFlag{{u"12345678", u"AABBCCDD"}, 3};
constexpr FlagChoices kMarkerOrOther{{u"12345678", nullptr}, 2};
constexpr TextView kOtherMarker = u"FFFFFFFF";

struct Field {
    int box;
    int editor;
    const FlagChoices* choices;  // null: an edit of hex digits
};

constexpr Field kFields[CExtOPTDlg::kWordCount] = {
    {IDC_EXT_OPT_FLAG_BOX, IDC_EXT_OPT_FLAG, &kOperationFlag},
    {IDC_EXT_OPT_STS_BOX, IDC_EXT_OPT_STS, &kMarkerOrOther},
    {IDC_EXT_OPT_MAIN_ADDR_BOX, IDC_EXT_OPT_MAIN_ADDR, nullptr},
    {IDC_EXT_OPT_MAIN_LEN_BOX, IDC_EXT_OPT_MAIN_LEN, nullptr},
    {IDC_EXT_OPT_ADDR1_BOX, IDC_EXT_OPT_ADDR1, nullptr},
    {IDC_EXT_OPT_LEN1_BOX, IDC_EXT_OPT_LEN1, nullptr},
    {IDC_EXT_OPT_ENC_START_BOX, IDC_EXT_OPT_ENC_START, nullptr},
    {IDC_EXT_OPT_ENC_END_BOX, IDC_EXT_OPT_ENC_END, nullptr},
    {IDC_EXT_OPT_ADDR2_BOX, IDC_EXT_OPT_ADDR2, nullptr},
    {IDC_EXT_OPT_LEN2_BOX, IDC_EXT_OPT_LEN2, nullptr},
    {IDC_EXT_OPT_ADDR3_BOX, IDC_EXT_OPT_ADDR3, nullptr},
    {IDC_EXT_OPT_LEN3_BOX, IDC_EXT_OPT_LEN3, nullptr},
    {IDC_EXT_OPT_ADDR4_BOX, IDC_EXT_OPT_ADDR4, nullptr},
    {IDC_EXT_OPT_LEN4_BOX, IDC_EXT_OPT_LEN4, nullptr},
    {IDC_EXT_OPT_API_BOX, IDC_EXT_OPT_API, &kMarkerOrOther},
};

// The word's name in messages.
Text FieldName(int word) {
    switch (word) {
        case 0:
            return TranslateText(u"外设存储操作标志");
        case 1:
            return TranslateText(u"外设存储备份恢复完成标志");
        case 2:
            return TranslateText(u"内置Flash存储器地址");
        case 3:
            return TranslateText(u"内置Flash程序长度");
        case 4:
            return TranslateText(u"外设存储起始地址");
        case 5:
            return TranslateText(u"外设存储程序长度");
        case 6:
            return TranslateText(u"外设程序加密段起始地址");
        case 7:
            return TranslateText(u"外设程序加密段结束地址");
        case 8:
            return TranslateText(u"外设存储程序地址2");
        case 9:
            return TranslateText(u"外设存储程序长度2");
        case 10:
            return TranslateText(u"外设存储程序地址3");
        case 11:
            return TranslateText(u"外设存储程序长度3");
        case 12:
            return TranslateText(u"外设存储程序地址4");
        case 13:
            return TranslateText(u"外设存储程序长度4");
        default:
            return TranslateText(u"外设接口API程序标志");
    }
}

// The entries of a flag word's combo, in marker order.
std::vector<Text> FlagEntries(int word) {
    if (word == 0) return {TranslateText(u"备份恢复"), TranslateText(u"程序跳转"), TranslateText(u"其它")};
    if (word == 1) return {TranslateText(u"恢复成功"), TranslateText(u"未成功或不需要恢复")};
    return {TranslateText(u"用户自定义API有效"), TranslateText(u"用户自定义API无效")};
}

int ChoiceOf(const FlagChoices& choices, TextView word) {
    for (int i = 0; i + 1 < choices.count; ++i)
        if (word == choices.markers[static_cast<size_t>(i)]) return i;
    return choices.count - 1;
}

}  // namespace

const fw::MessageMap<CExtOPTDlg> CExtOPTDlg::kMessages{
    fw::OnClick(IDC_EXT_OPT_OK, &CExtOPTDlg::OnBnClickedOk),
    fw::OnClick(IDC_EXT_OPT_ALL, &CExtOPTDlg::OnBnClickedAllCheck),
    fw::OnNotify(IDC_EXT_OPT_FLAG_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_STS_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_MAIN_ADDR_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_MAIN_LEN_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_ADDR1_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_LEN1_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_ENC_START_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_ENC_END_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_ADDR2_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_LEN2_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_ADDR3_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_LEN3_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_ADDR4_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_LEN4_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
    fw::OnNotify(IDC_EXT_OPT_API_BOX, fw::Notification::Click, &CExtOPTDlg::OnFieldBox),
};

CExtOPTDlg::CExtOPTDlg(CQXDownloadToolDlg* mainDlg) : fw::Dialog(IDD_EXT_OPT, mainDlg), m_pMainDlg(mainDlg) {}

bool CExtOPTDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    for (int word = 0; word < kWordCount; ++word) {
        const Field& f = kFields[word];
        if (f.choices == nullptr) {
            GetDlgItem(f.editor).SetLimitText(8);
            continue;
        }
        for (const Text& entry : FlagEntries(word))
            GetDlgItem(f.editor).AddString(entry);
    }
    if (!ReadExtOptRecord()) {
        m_pMainDlg->AppendLog(TranslateText(u"读取外设选项字节失败！"), kLogRed);
        EndDialog(fw::IDCANCEL);
        return false;
    }
    ShowExtOptWords();
    return true;
}

bool CExtOPTDlg::ReadExtOptRecord() {
    m_block = {};
    m_block.operation = 0;
    m_block.address = kRecordAddress;
    m_block.length = kRecordBytes;
    const StatusCode status = OV_CMD_EXT_OPT_RW(m_pMainDlg->m_hDevice, &m_block);
    if (!RecordReadSucceeded(*m_pMainDlg, status, m_block.length, sizeof m_block.data, kRecordBytes)) return false;
    m_recordHex = BytesToHex(std::span<const uint8_t>(m_block.data, kRecordBytes));
    return true;
}

void CExtOPTDlg::ShowExtOptWords() {
    for (int word = 0; word < kWordCount; ++word) {
        const Field& f = kFields[word];
        const Text value = SwapHexByteOrder(TextView(m_recordHex).substr(static_cast<size_t>(8 * word), 8));
        if (f.choices != nullptr) {
            GetDlgItem(f.editor).SetCurSel(ChoiceOf(*f.choices, value));
        } else {
            SetDlgItemText(f.editor, value);
        }
    }
}

void CExtOPTDlg::OnFieldBox(const fw::NotifyInfo& info) {
    for (const Field& f : kFields)
        if (f.box == info.id) GetDlgItem(f.editor).EnableWindow(IsDlgButtonChecked(f.box) != 0);
}

void CExtOPTDlg::OnBnClickedAllCheck() {
    const int state = IsDlgButtonChecked(IDC_EXT_OPT_ALL);
    for (const Field& f : kFields) {
        CheckDlgButton(f.box, state);
        GetDlgItem(f.editor).EnableWindow(state != 0);
    }
}

void CExtOPTDlg::OnBnClickedOk() {
    const bool anyTicked = std::any_of(std::begin(kFields), std::end(kFields),
                                       [this](const Field& f) { return IsDlgButtonChecked(f.box) != 0; });
    if (!anyTicked) {
        m_msgBox.MessageBox(this, TranslateText(u"请选择需要写入的字段！"), fw::MB_OK);
        return;
    }
    WriteCheckedFields();
}

Text CExtOPTDlg::FieldValue(int word) const {
    const Field& f = kFields[word];
    if (f.choices == nullptr) return GetDlgItemText(f.editor);
    const int choice = GetDlgItem(f.editor).GetCurSel();
    if (choice >= 0 && choice + 1 < f.choices->count) return Text(f.choices->markers[static_cast<size_t>(choice)]);
    return Text(kOtherMarker);
}

bool CExtOPTDlg::WriteCheckedFields() {
    m_block.operation = 1;
    for (int word = 0; word < kWordCount; ++word) {
        if (IsDlgButtonChecked(kFields[word].box) == 0) continue;
        if (!WriteExtOptField(word, FieldValue(word), FieldName(word))) return false;
    }
    m_msgBox.MessageBox(this, TranslateText(u"外设选项字节写入成功！"), fw::MB_OK);
    return true;
}

bool CExtOPTDlg::WriteExtOptField(int word, Text value, const Text& name) {
    if (value.empty()) {
        m_msgBox.MessageBox(this, name + TranslateText(u"长度不能为空！"), fw::MB_OK);
        return false;
    }
    // More than eight digits cannot come from the edit; taken as they stand they would spill into the next word.
    if (!IsHexText(value) || value.size() > 8) {
        m_msgBox.MessageBox(this, name + TranslateText(u"应为十六进制！"), fw::MB_OK);
        return false;
    }
    value.insert(0, 8 - value.size(), u'0');
    m_block.operation = 1;
    m_block.address = kRecordAddress + 4u * static_cast<uint32_t>(word);
    m_block.length = 4;
    HexToBytes(SwapHexByteOrder(value), m_block.data, 4);
    const StatusCode status = OV_CMD_EXT_OPT_RW(m_pMainDlg->m_hDevice, &m_block);
    if (status != CMD_STATUS_OK) {
        const Text failed = name + TranslateText(u"写入失败！");
        m_msgBox.MessageBox(this, failed, fw::MB_OK);
        m_pMainDlg->AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
        m_pMainDlg->AppendLog(failed, kLogRed);
        return false;
    }
    return true;
}
