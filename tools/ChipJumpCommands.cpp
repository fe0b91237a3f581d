#include "tools/ChipJumpCommands.h"

#include <array>

#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "core/Translation.h"
#include "tools/AppGoDlg.h"

namespace {

constexpr uint8_t kRunFromFlash = 0, kRunFromSram = 4;

void ReportJump(ChipCommand& cmd, StatusCode status) {
    if (cmd.Succeeded(status, TranslateText(u"跳转失败！"))) cmd.Green(TranslateText(u"跳转成功！"));
}

// The boot loader's own run-from-SRAM request of series 8 and 9: 45 06 14 00, the address least significant byte
// first, then twenty zero bytes.
std::array<uint8_t, 28> RunFromSramCommand(uint32_t address) {
    std::array<uint8_t, 28> command{0x45, 0x06, 0x14, 0x00};
    for (int i = 0; i < 4; ++i)
        command[4 + i] = static_cast<uint8_t>(address >> (8 * i));
    return command;
}

}  // namespace

void OnAppGo(CQXDownloadToolDlg& window) {
    ChipCommand cmd(window, kAllInterfaces);
    if (!cmd.Begin()) return;
    uint32_t address = 0;
    if (window.m_chipSeries == 10) {
        AppGoDlg dialog(&window);
        if (dialog.DoModal() != fw::IDOK) return;
        address = dialog.m_address;
    }
    ReportJump(cmd, OV_CMD_APP_GO(window.m_hDevice, address, kRunFromFlash));
}

void OnSramAppGo(CQXDownloadToolDlg& window) {
    ChipCommand cmd(window, kAllInterfaces);
    if (!cmd.Begin()) return;
    AppGoDlg dialog(&window);
    if (dialog.DoModal() != fw::IDOK) return;
    const uint8_t series = window.m_chipSeries;
    if (series == 8 || series == 9) {
        const std::array<uint8_t, 28> command = RunFromSramCommand(dialog.m_address);
        uint8_t response[256] = {};
        uint32_t responseLength = 6;
        ReportJump(cmd, OV_CMD_SEND_COMMAND(window.m_hDevice, command.data(), static_cast<uint32_t>(command.size()),
                                            response, &responseLength));
        return;
    }
    ReportJump(cmd, OV_CMD_APP_GO(window.m_hDevice, dialog.m_address, kRunFromSram));
}
