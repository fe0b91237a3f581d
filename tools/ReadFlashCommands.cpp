#include "tools/ReadFlashCommands.h"

#include <cmath>

#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "core/Translation.h"
#include "tools/FlashDlg.h"
#include "tools/ReadFlashDlg.h"
#include "tools/ReadFlashRange.h"

namespace {

// The chip must be reachable and readable; the mutex stays with `cmd` while the dialogs are open.
bool PrepareRead(ChipCommand& cmd) { return cmd.Begin() && cmd.Window().LiftProtection(nullptr) != 0; }

void ShowFlash(CQXDownloadToolDlg& window) {
    CFlashDlg dialog(&window);
    dialog.DoModal();
}

}  // namespace

void OnReadFlashEntireChip(CQXDownloadToolDlg& window) {
    ChipCommand cmd(window, kReadFlashInterfaces, kUsartJlinkInterfaces);
    if (!PrepareRead(cmd)) return;
    const ReadRange range =
        EntireChipRange({window.m_flashBase, window.m_flashSizeKB, window.m_chipSeries}, window.m_interface);
    window.m_readStart = range.start;
    window.m_readEnd = range.end;
    if (range.start == 0 || range.end == 0) {
        window.m_msgBox.MessageBox(&window, TranslateText(u"读取地址或大小不正确！"), fw::MB_OK);
        return;
    }
    ShowFlash(window);
}

void OnReadFlashRange(CQXDownloadToolDlg& window) {
    ChipCommand cmd(window, kReadFlashInterfaces, kUsartJlinkInterfaces);
    if (!PrepareRead(cmd)) return;
    if (window.m_readStart == 0) window.m_readStart = window.m_flashBase;
    if (window.m_readEnd == 0) {
        const double end = static_cast<double>(window.m_readStart) + window.m_flashSizeKB * 1024.0 - 1.0;
        window.m_readEnd = end > 0 && end <= 0xFFFFFFFF ? static_cast<uint32_t>(std::trunc(end)) : 0;
    }
    CReadFlashDlg range(&window);
    if (range.DoModal() != fw::IDOK) return;
    ShowFlash(window);
}
