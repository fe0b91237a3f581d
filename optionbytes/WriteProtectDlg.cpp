#include "optionbytes/WriteProtectDlg.h"

#include <algorithm>
#include <cwctype>

#include "app/MainWindow.h"
#include "app/ReadAnswer.h"
#include "core/HexText.h"
#include "core/OptionLayouts.h"
#include "core/StatusText.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "optionbytes/FieldMessages.h"

using fw::Text;
using fw::TextView;

namespace {

constexpr int kEdits[4] = {IDC_WP_WRP0, IDC_WP_WRP1, IDC_WP_WRP2, IDC_WP_WRP3};
constexpr int kHelps[4] = {IDC_WP_HELP0, IDC_WP_HELP1, IDC_WP_HELP2, IDC_WP_HELP3};

bool ContainsAny(TextView text, std::initializer_list<const char16_t*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char16_t* n) { return text.find(n) != TextView::npos; });
}

Text Upper(TextView text) {
    Text out(text);
    for (char16_t& c : out)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    return out;
}

// Help lines per group; an empty entry keeps the template's line.
std::array<Text, 4> HelpLines(WrpGroup group) {
    const Text a0 = TranslateText(u"第0~63页的写保护，bit[0]对应Page(0~7)，...，bit[7] 对应 Page(56~63)");
    const Text a1 = TranslateText(u"第64~127页的写保护，bit[0]对应 Page(64~71)，...，bit[7]对应 Page(120~127)");
    switch (group) {
        case WrpGroup::A:
            return {a0, a1, Text(), Text()};
        case WrpGroup::B:
            return {Text(), Text(), Text(),
                    TranslateText(u"第48~63页的写保护，bit[0]对应Page48/49，...，bit[7]对应Page62/63")};
        case WrpGroup::D:
            return {a0, a1,
                    TranslateText(u"第128~191 页的写保护， bit[0]对应 Page(128~135)，  ……， bit[7]对应 Page(184~191)"),
                    TranslateText(
                        u"第192~255 页的写保护， bit[0]对应 Page（ 192~199）， ……， bit[7]对应 Page（ 248~255）")};
        case WrpGroup::E:
            return {TranslateText(u"第0~511页的写保护，bit[1]对应Page(64~127)，...，bit[7]对应Page(448~511)"),
                    TranslateText(u"第512~1023页的写保护，bit[0]对应Page(512~575)，...，bit[7]对应Page(960~1023)"),
                    TranslateText(u"第1024~1535页的写保护，bit[0]对应Page(1024~1087)，...，bit[7]对应Page(1472~1535)"),
                    TranslateText(u"第1536~2047页的写保护，bit[0]对应Page(1536~1599)，...，bit[7]对应Page(1984~2047)")};
        default:
            return {};
    }
}

}  // namespace

WrpGroup WrpGroupOf(uint8_t series, TextView model) {
    if (series == 3 || series == 4 || series == 6 || series == 12 ||
        ContainsAny(model, {u"VK232", u"VK632", u"VK230", u"VK231", u"VK233"}))
        return WrpGroup::A;
    if (series == 2 || series == 8 || series == 9 ||
        ContainsAny(model, {u"VK42X", u"VK44X", u"VK43X", u"VK72X", u"VK71X", u"VK73X"}))
        return WrpGroup::B;
    if (series == 5 || ContainsAny(model, {u"VK420", u"VK401", u"VK620"})) return WrpGroup::C;
    if (series == 11 || ContainsAny(model, {u"VK26X"})) return WrpGroup::D;
    if (series == 10 || ContainsAny(model, {u"VK82X", u"VK81X"})) return WrpGroup::E;
    return WrpGroup::F;
}

const fw::MessageMap<CWriteProtectDlg> CWriteProtectDlg::kMessages{
    fw::OnClick(IDC_WP_OK, &CWriteProtectDlg::OnBnClickedOk),
};

CWriteProtectDlg::CWriteProtectDlg(CQXDownloadToolDlg* mainDlg) : fw::Dialog(IDD_WRITE_PROTECT), m_pMainDlg(mainDlg) {}

void CWriteProtectDlg::Tell(const Text& text) { m_msgBox.MessageBox(this, text, fw::MB_OK); }

bool CWriteProtectDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    for (int id : kEdits)
        GetDlgItem(id).SetLimitText(2);
    const WrpGroup group = WrpGroupOf(m_pMainDlg->m_chipSeries, Upper(m_pMainDlg->m_deviceCombo.GetWindowText()));
    const std::array<Text, 4> lines = HelpLines(group);
    for (size_t k = 0; k < 4; ++k)
        if (!lines[k].empty()) SetDlgItemText(kHelps[k], lines[k]);
    if (group == WrpGroup::A || group == WrpGroup::C) {
        for (int id : {IDC_WP_LABEL2, IDC_WP_LABEL3, IDC_WP_WRP2, IDC_WP_WRP3, IDC_WP_HELP2, IDC_WP_HELP3})
            GetDlgItem(id).ShowWindow(fw::SW_HIDE);
    }
    if (!ReadWriteProtection()) {
        m_pMainDlg->AppendLog(TranslateText(u"读取选项字节失败！"), kLogRed);
        EndDialog(fw::IDCANCEL);
        return false;
    }
    return true;
}

bool CWriteProtectDlg::ReadWriteProtection() {
    const uint8_t series = m_pMainDlg->m_chipSeries;
    OptionRwBlock block{};
    if (series == 10) {
        block.item = 2;
        block.length = 4;
    }
    const StatusCode status = OV_CMD_OPT_RW(m_pMainDlg->m_hDevice, &block);
    if (status != CMD_STATUS_OK) {
        m_pMainDlg->AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
        return false;
    }
    std::vector<size_t> places = series == 10 ? std::vector<size_t>{0, 1, 2, 3} : WriteProtectPlaces(series);
    // A code without a layout of its own is offered WRP0 and WRP1 only, from where series 0 keeps them.
    if (series > 12) places.resize(std::min<size_t>(places.size(), 2));
    for (size_t k = 0; k < places.size(); ++k) {
        // What a short answer did not bring is shown as 00, never as what the block held beyond it.
        m_wrp[k] = places[k] < block.length ? block.data[places[k]] : 0x00;
        SetDlgItemText(kEdits[k], fw::Format(u"%02X", m_wrp[k]));
    }
    m_readDone = OptionAnswerIsWhole(block, series);
    return true;
}

bool CWriteProtectDlg::FourByteChip() const {
    const uint8_t s = m_pMainDlg->m_chipSeries;
    if (s <= 2 || s == 8 || s == 9 || s == 10 || s == 11) return true;
    return ContainsAny(m_pMainDlg->m_deviceCombo.GetWindowText(),
                       {u"VK51X", u"VK51R", u"VK51W", u"VK42X", u"VK44X", u"VK43X", u"VK615", u"VK72X", u"VK71X",
                        u"VK73X", u"VK82X", u"VK81X", u"VK26X"});
}

void CWriteProtectDlg::OnBnClickedOk() {
    if (!m_readDone) return RefuseIncompleteRead(*m_pMainDlg, this);
    const int count = FourByteChip() ? 4 : 2;
    Text texts[4];
    for (int k = 0; k < count; ++k)
        texts[k] = GetDlgItemText(kEdits[k]);
    // Emptiness of a pair is told before a bad digit in it.
    const Text empty[4] = {TranslateText(u"WRP0数据不能为空！"), TranslateText(u"WRP1数据不能为空！"),
                           TranslateText(u"WRP2数据不能为空！"), TranslateText(u"WRP3数据不能为空！")};
    const Text notHex[4] = {
        TranslateText(u"WRP0输入的数据必须为十六进制的数据！"), TranslateText(u"WRP1输入的数据必须为十六进制的数据！"),
        TranslateText(u"WRP2输入的数据必须为十六进制的数据！"), TranslateText(u"WRP3输入的数据必须为十六进制的数据！")};
    for (int pair = 0; pair < count; pair += 2) {
        for (int k = pair; k < pair + 2; ++k)
            if (texts[k].empty()) return Tell(empty[k]);
        for (int k = pair; k < pair + 2; ++k)
            if (!IsHexText(texts[k])) return Tell(notHex[k]);
    }
    std::array<uint8_t, 4> wrp = m_wrp;
    for (int k = 0; k < count; ++k)
        wrp[k] = static_cast<uint8_t>(HexToInt(texts[k]) & 0xFF);
    if (OV_CMD_WRITE_PROTECT(m_pMainDlg->m_hDevice, wrp[0], wrp[1], wrp[2], wrp[3]) != CMD_STATUS_OK) {
        Tell(TranslateText(u"配置写保护失败！"));
        return;
    }
    m_wrp = wrp;
    const Text done = TranslateText(u"配置写保护成功，复位后生效！");
    Tell(done);
    m_pMainDlg->AppendLog(done, kLogBlack);
    EndDialog(fw::IDOK);
}
