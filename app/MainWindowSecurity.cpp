// The security chip's side of the main window: its files (module, information package, JTAG key), the check of the
// firmware against its package, the secure-mode token, the external API loads and the external flash key.
#include <algorithm>
#include <cstring>

#include "app/ChipCommand.h"
#include "app/ChipDialogHooks.h"
#include "app/DownloadFiles.h"
#include "app/MainWindow.h"
#include "core/Aes.h"
#include "core/BuiltinKeys.h"
#include "core/Des.h"
#include "core/FileFilters.h"
#include "core/FileServices.h"
#include "core/HexText.h"
#include "core/SecureModeToken.h"
#include "core/SecurityFiles.h"
#include "core/StatusText.h"
#include "core/TextMatching.h"
#include "core/Translation.h"
#include "framework/FileDialog.h"
#include "framework/Profile.h"

using fw::Text;

namespace {

constexpr uint32_t kBrowseFlags = fw::OFN_HIDEREADONLY | fw::OFN_NOCHANGEDIR | fw::OFN_OVERWRITEPROMPT;

constexpr uint8_t kRandomChallengeCommand = 0x20;
constexpr uint32_t kRandomChallengeReplyBytes = 22;
constexpr uint8_t kLoadExternalApiCommand = 0x49;
constexpr uint8_t kApiFromNvr = 1, kApiFromOptionBytes = 2, kApiAutoload = 0;

// The external flash key as its 16 bytes; nothing when the text is not 32 hex digits (blanks aside).
std::optional<std::array<uint8_t, 16>> ExternalFlashKeyBytes(fw::TextView text) {
    const Text digits = WithoutBlanks(text);
    if (digits.size() != 32 || !IsHexText(digits)) return std::nullopt;
    std::array<uint8_t, 16> key{};
    HexToBytes(digits, key.data(), key.size());
    return key;
}

}  // namespace

fw::Text CQXDownloadToolDlg::BrowseForOpen(fw::TextView filter) {
    fw::FileDialog dialog(true, {}, {}, kBrowseFlags, filter, this);
    if (dialog.DoModal() != fw::IDOK) return {};
    return dialog.GetPathName();
}

void CQXDownloadToolDlg::OnBnClickedBrowseSafeModule() {
    const Text path = BrowseForOpen(BinFilesEntry());
    if (path.empty()) return;
    std::vector<uint8_t> data;
    uint32_t size = 0;
    if (!ReadFileToBuffer(data, size, path, true)) return;
    AppendLog(FileSizeLine(size), kLogBlack);
    m_safeModuleSize = size;
    m_safeModuleData = std::move(data);
    AppendLog(TranslateText(u"安全模块文件加载成功！"), kLogBlack);
    SetDlgItemText(IDC_EDIT_SAFE_MODULE, path);
}

void CQXDownloadToolDlg::OnBnClickedBrowseInfoPackage() {
    const Text path = BrowseForOpen(BinFilesEntry() + u"|");
    if (path.empty()) return;
    std::vector<uint8_t> data;
    uint32_t size = 0;
    if (!ReadFileToBuffer(data, size, path, false)) {
        m_msgBox.MessageBox(this, TranslateText(u"加载安全信息包失败！"), fw::MB_OK);
        return;
    }
    const std::optional<SecurityInfoPack> pack = DecodeSecurityInfoPack(data);
    if (!pack) {
        m_msgBox.MessageBox(this, TranslateText(u"安全信息包长度不正确！"), fw::MB_OK);
        return;
    }
    AppendLog(FileSizeLine(size), kLogBlack);
    m_infoPackMode = pack->mode == kInfoPackBound ? 1 : pack->mode == kInfoPackNotBound ? 0 : 2;
    std::copy_n(pack->nonce.begin(), m_infoPackNonce.size(), m_infoPackNonce.begin());
    m_rek = pack->rek;
    m_idKey = pack->idKey;
    m_writeOptionBytes = pack->options.empty() ? 0 : 1;
    if (!pack->options.empty()) m_optionTable = pack->options;
    AppendLog(TranslateText(u"安全信息包文件加载成功！"), kLogBlack);
    SetDlgItemText(IDC_EDIT_INFO_PACKAGE, path);
}

void CQXDownloadToolDlg::OnBnClickedBrowseJtagKey() {
    const Text path = BrowseForOpen(BinOrEncFilesEntry() + u"|");
    if (path.empty()) return;
    const bool enciphered = path.size() >= 3 && fw::EqualsNoCase(fw::TextView(path).substr(path.size() - 3), u"enc");
    std::vector<uint8_t> data;
    uint32_t size = 0;
    if (!ReadFileToBuffer(data, size, path, false)) return;
    const std::optional<uint32_t> key = ReadJtagKeyFile(data, enciphered, m_builtinKey);
    if (!key) {
        m_msgBox.MessageBox(this, TranslateText(u"文件长度不正确！"), fw::MB_OK);
        return;
    }
    m_jtagKey = *key;
    AppendLog(TranslateText(u"JTAG密钥文件加载成功！"), kLogBlack);
    SetDlgItemText(IDC_EDIT_JTAG_KEY, path);
}

void CQXDownloadToolDlg::OnBnClickedJtagMode() {
    GetDlgItem(IDC_BTN_BROWSE_JTAG_KEY).EnableWindow(IsDlgButtonChecked(IDC_CHECK_JTAG_MODE) != 0);
}

void CQXDownloadToolDlg::OnBnClickedSafeModule() {
    const bool ticked = IsDlgButtonChecked(IDC_CHECK_SAFE_MODULE) != 0;
    GetDlgItem(IDC_BTN_BROWSE_SAFE_MODULE).EnableWindow(ticked);
    GetDlgItem(IDC_EDIT_SAFE_MODULE_ADDR).EnableWindow(ticked);
}

void CQXDownloadToolDlg::OnBnClickedFirmwareFile() {
    const bool ticked = IsDlgButtonChecked(IDC_CHECK_FIRMWARE_FILE) != 0;
    for (int id : {IDC_BTN_BROWSE, IDC_EDIT_START_ADDR, IDC_COMBO_DOWNLOAD_AREA})
        GetDlgItem(id).EnableWindow(ticked);
}

int CQXDownloadToolDlg::VerifyInfoPackage() const {
    const DownloadItem& firmware = m_items[0];
    const std::vector<uint8_t>& data = firmware.data[0];
    const size_t length = std::min<size_t>(firmware.length[0], data.size());
    SecurityInfoPack pack;
    pack.mode = m_infoPackMode == 1 ? kInfoPackBound : kInfoPackNotBound;
    std::copy(m_infoPackNonce.begin(), m_infoPackNonce.end(), pack.nonce.begin());
    pack.rek = m_rek;
    pack.idKey = m_idKey;
    // An image shorter than its header (or none at all) cannot carry a digest to compare.
    return VerifySecurityFirmware(std::span<const uint8_t>(data.data(), length), firmware.address[0], pack,
                                  m_builtinKey)
               ? 1
               : 0;
}

StatusCode CQXDownloadToolDlg::RequestRandomChallenge(std::array<uint8_t, 16>& challenge) {
    const uint8_t command[8] = {kRandomChallengeCommand, 0, 0, 0, 0, 0, 0, 0};
    uint8_t reply[256] = {};
    uint32_t replyLength = kRandomChallengeReplyBytes;
    const StatusCode status = OV_CMD_SEND_COMMAND(m_hDevice, command, sizeof command, reply, &replyLength);
    if (status != CMD_STATUS_OK) return status;
    std::copy_n(reply + 4, challenge.size(), challenge.begin());
    return CMD_STATUS_OK;
}

StatusCode CQXDownloadToolDlg::MakeSecureModeToken(uint8_t out[32]) {
    std::array<uint8_t, 16> challenge{};
    const StatusCode status = RequestRandomChallenge(challenge);
    if (status != CMD_STATUS_OK) {
        AppendLog(TranslateText(u"获取随机数失败！"), kLogRed);
        return status;
    }
    uint8_t ucid[kSecureModeUcidMaxBytes] = {};
    HexToBytes(m_ucid, ucid, sizeof ucid);
    const size_t n = std::min(m_ucid.size() / 2, kSecureModeUcidMaxBytes);
    const auto token = MakeSecureModeTokenBytes(std::span<const uint8_t>(ucid, n), challenge, m_builtinKey);
    std::copy(token.begin(), token.end(), out);
    return CMD_STATUS_OK;
}

int CQXDownloadToolDlg::LoadExternalApi(uint8_t source, fw::Text failureLine, fw::Text successLine) {
    uint8_t command[24] = {};
    uint8_t reply[256] = {};
    const bool authenticated = (m_partitions[2].flags >> 4) == 1;
    if (authenticated) {
        const std::optional<std::array<uint8_t, 16>> key = ExternalFlashKeyBytes(m_extFlashKey);
        if (!key) {
            AppendLog(TranslateText(u"外设FLASH加密密钥不正确，请先设置外设Flash密钥！"), kLogRed);
            return 0;
        }
        std::array<uint8_t, 16> challenge{};
        const StatusCode status = RequestRandomChallenge(challenge);
        if (status != CMD_STATUS_OK) {
            AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
            AppendLog(TranslateText(u"获取随机数失败！"), kLogRed);
            return 0;
        }
        AES(key->data()).EncryptBlock(challenge.data());
        std::copy(challenge.begin(), challenge.end(), command + 8);
    }
    command[0] = kLoadExternalApiCommand;
    command[1] = source;
    command[2] = 0x10;
    uint32_t replyLength = 6;
    const StatusCode status = OV_CMD_SEND_COMMAND(m_hDevice, command, sizeof command, reply, &replyLength);
    if (status != CMD_STATUS_OK) {
        AppendLog(StatusCodeToText(static_cast<int32_t>(status)), kLogRed);
        AppendLog(failureLine, kLogRed);
        return 0;
    }
    AppendLog(successLine, kLogBlack);
    return 1;
}

int CQXDownloadToolDlg::LoadApiFromNvr() {
    return LoadExternalApi(kApiFromNvr, TranslateText(u"从NVR装载到CCM SRAM失败！"),
                           TranslateText(u"从NVR装载到CCM SRAM成功！"));
}

int CQXDownloadToolDlg::LoadApiFromOpt() {
    return LoadExternalApi(kApiFromOptionBytes, TranslateText(u"从Option Byte装载到CCM SRAM失败！"),
                           TranslateText(u"从Option Byte装载到CCM SRAM成功！"));
}

int CQXDownloadToolDlg::LoadApiAutoload() {
    return LoadExternalApi(kApiAutoload, TranslateText(u"自动装载API失败！"), TranslateText(u"自动装载API成功！"));
}

void CQXDownloadToolDlg::OnLoadApiFromNvr() {
    ChipCommand cmd(*this, kChipMutexInterfaces);
    if (cmd.Begin()) LoadApiFromNvr();
}

void CQXDownloadToolDlg::OnLoadApiFromOpt() {
    ChipCommand cmd(*this, kChipMutexInterfaces);
    if (cmd.Begin()) LoadApiFromOpt();
}

void CQXDownloadToolDlg::OnLoadApiAutoload() {
    ChipCommand cmd(*this, kChipMutexInterfaces);
    if (cmd.Begin()) LoadApiAutoload();
}

void CQXDownloadToolDlg::SetExternalFlashKey() {
    const std::optional<Text> keyText = AskExternalFlashKey(*this);
    if (!keyText) return;
    const std::optional<std::array<uint8_t, 16>> key = ExternalFlashKeyBytes(*keyText);
    if (!key) return;  // the dialog accepts nothing else
    if (m_keyTable.size() > 31) HexToBytes(m_keyTable[31], m_keyUpdates[2].key, sizeof m_keyUpdates[2].key);
    OvKey128 value{};
    std::copy(key->begin(), key->end(), value.bytes);
    const StatusCode status = OV_CMD_EXT_KEY_CFG(m_hDevice, value, &m_partitions[2], &m_keyUpdates[2]);
    if (!::ReportStatus(*this, status, TranslateText(u"设置外设FLash加密密钥失败！"))) return;
    AppendLog(TranslateText(u"设置外设FLash加密密钥成功！"), kLogGreen);
    m_extFlashKey = *keyText;
    m_extFlashKeyBytes = *key;
    fw::WriteProfileString(u"Settings", u"ExtFlashKey", DesCryptHex(kDesEncrypt, *keyText, g_strProfileKeyCipherKey));
}

void CQXDownloadToolDlg::OnUpdateExternalFlashKey() { SetExternalFlashKey(); }
