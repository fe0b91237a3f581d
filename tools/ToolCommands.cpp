#include "tools/ToolCommands.h"

#include <optional>

#include "app/ChipDialogHooks.h"
#include "app/MainWindow.h"
#include "app/MainWindowCommands.h"
#include "core/Translation.h"
#include "resources/ui/resource.h"
#include "tools/Bin2HexFileDlg.h"
#include "tools/ChipJumpCommands.h"
#include "tools/ChipRecordCommands.h"
#include "tools/CreateKeyDlg.h"
#include "tools/EraseSectorsCommands.h"
#include "tools/MakeEnFileDlg.h"
#include "tools/MakeSecurityFirmwareDlg.h"
#include "tools/PartitionCommands.h"
#include "tools/ReadFlashCommands.h"
#include "tools/SelectChipSeriesDlg.h"
#include "tools/SetExtFlashKeyDlg.h"
#include "tools/SetKeyCommands.h"

namespace {

// The File menu's file-making tools.
void OnMakeEncryptedFiles(CQXDownloadToolDlg& w) {
    if (!w.m_connected) {
        w.m_msgBox.MessageBox(&w, TranslateText(u"请先连接设备！"), fw::MB_OK);
        return;
    }
    CMakeEnFileDlg dlg(&w, w.m_chipSeries, w.m_keyTable);
    dlg.DoModal();
}

void OnMakeKeyFiles(CQXDownloadToolDlg& w) {
    Key16 builtinKey{};
    std::copy(w.m_builtinKey.begin(), w.m_builtinKey.end(), builtinKey.begin());
    CCreateKeyDlg dlg(&w, builtinKey);
    dlg.DoModal();
}

void OpenSecurityFirmwareMaker(CQXDownloadToolDlg& w, uint8_t kind) {
    w.m_securityFileKind = kind;
    SecurityFirmwareSettings settings{kind, w.m_workDir, {}, w.m_flashAreaLimit};
    std::copy(w.m_builtinKey.begin(), w.m_builtinKey.end(), settings.builtinKey.begin());
    CMakeSecurityFirmwareDlg dlg(&w, settings);
    dlg.DoModal();
}

void OnMakeSecurityFirmwareFiles(CQXDownloadToolDlg& w) { OpenSecurityFirmwareMaker(w, 0); }

void OnMakeSecurityModuleFiles(CQXDownloadToolDlg& w) { OpenSecurityFirmwareMaker(w, 1); }

void OnMakeBinHexFile(CQXDownloadToolDlg& w) {
    CBin2HexFileDlg dlg(&w);
    dlg.DoModal();
}

}  // namespace

void RegisterToolCommands() {
    AddMainWindowCommand(ID_MAKE_ENCRYPTED_FILES, OnMakeEncryptedFiles);
    AddMainWindowCommand(ID_MAKE_KEY_FILES, OnMakeKeyFiles);
    AddMainWindowCommand(ID_MAKE_SECURITY_FIRMWARE_FILES, OnMakeSecurityFirmwareFiles);
    AddMainWindowCommand(ID_MAKE_SECURITY_MODULE_FILES, OnMakeSecurityModuleFiles);
    AddMainWindowCommand(ID_MAKE_BIN_HEX_FILE, OnMakeBinHexFile);

    // Chip commands of the Operations menu and the small dialogs the window's own commands open.
    AddMainWindowCommand(ID_APP_GO, OnAppGo);
    AddMainWindowCommand(ID_SRAM_APP_GO, OnSramAppGo);
    AddMainWindowCommand(ID_READ_FLASH_ENTIRE_CHIP, OnReadFlashEntireChip);
    AddMainWindowCommand(ID_READ_FLASH_RANGE, OnReadFlashRange);
    // No menu item offers it (the item stays greyed); the command id still opens the editor.
    AddMainWindowCommand(ID_SET_EXTERNAL_OPTIONS_BYTES, OnSetExternalOptionsBytes);
    AddMainWindowCommand(ID_SET_OTP, OnSetOtp);
    AddMainWindowCommand(ID_CONFIGURATION_PARTITION, OnConfigurationPartition);
    AddMainWindowCommand(ID_UPDATE_KEY, OnUpdateKey);
    AddMainWindowCommand(ID_PARTITION_DOWNLOAD_CONFIGURATION, OnPartitionDownloadConfiguration);
    AddMainWindowCommand(ID_ERASE_SECTORS, OnEraseSectors);
    AddMainWindowCommand(ID_ERASE_SECTORS_AFTER_UNLOCK, OnEraseSectorsAfterUnlock);
    AddMainWindowCommand(ID_SET_SECURE_MODE, OnSetSecureMode);
    AddMainWindowCommand(ID_SET_JTAG_MODE, OnSetJtagMode);
    AddMainWindowCommand(ID_SET_JTAG_KEY, OnSetJtagKey);
    SetChipSeriesChooser([](CQXDownloadToolDlg& window) {
        CSelectChipSeriesDlg dialog(&window);
        return dialog.DoModal() == fw::IDOK;
    });
    SetExternalFlashKeyAsker([](CQXDownloadToolDlg& window) -> std::optional<fw::Text> {
        CSetExtFlashKeyDlg dialog(&window);
        if (dialog.DoModal() != fw::IDOK) return std::nullopt;
        return dialog.m_keyText;
    });
}
