#include "optionbytes/OptionByteCommands.h"

#include <algorithm>

#include "app/ChannelSlot.h"
#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "app/MainWindowCommands.h"
#include "app/OptionItems.h"
#include "app/ReadAnswer.h"
#include "core/HexText.h"
#include "core/MessageBoxEx.h"
#include "core/Translation.h"
#include "framework/Format.h"
#include "optionbytes/FieldMessages.h"
#include "optionbytes/OptionByteEditor.h"
#include "optionbytes/SecurityOptionDlg.h"
#include "optionbytes/SelectBlockDlg.h"
#include "optionbytes/WriteProtectDlg.h"

void OnOptionsBytes(CQXDownloadToolDlg& window) {
    ChipCommand command(window, kChipMutexInterfaces);
    if (!command.Connected()) return;
    command.LockDevice();
    switch (window.m_chipSeries) {
        case 0:
        case 1:
        case 2:
        case 5:
        case 8:
        case 9: {
            CWriteByteDlg dialog(&window);
            dialog.DoModal();
            break;
        }
        case 3:
        case 4:
        case 6:
        case 7:
        case 11:
        case 12: {
            CWriteByteDlg2 dialog(&window);
            dialog.DoModal();
            break;
        }
        case 10: {
            // Marks the item editor's caller as the chip, not the firmware maker.
            window.m_securityFileKind = 0xFF;
            CWriteByteDlg4 dialog(&window, SecurityOptionMode::Device);
            dialog.DoModal();
            break;
        }
        default:
            break;
    }
}

void OnWriteProtection(CQXDownloadToolDlg& window) {
    ChipCommand command(window, kChipMutexInterfaces, kSwdInterfaces);
    if (!command.Begin()) return;
    if (window.m_chipSeries == 7) {
        // Its option bytes hold no write protection: an editor would show and write other bytes under that name.
        CMessageBoxEx().MessageBox(&window, TranslateText(u"该系列芯片没有写保护字节！"));
        return;
    }
    if (window.m_chipSeries != 10) {
        CWriteProtectDlg dialog(&window);
        dialog.DoModal();
        // Only what was read from the chip, or written to it, says whether it is protected.
        if (dialog.m_readDone) {
            const bool none =
                std::all_of(dialog.m_wrp.begin(), dialog.m_wrp.end(), [](uint8_t b) { return b == 0xFF; });
            g_channels[0].writeProtected = none ? 0 : 1;
        }
        return;
    }
    OptionItemValue item;
    item.item = kItemWrp;
    item.length = OptionItemLength(kItemWrp);
    OptionRwBlock read = OptionItemBlockFor(item, 0);
    if (!command.Succeeded(OV_CMD_OPT_RW(window.m_hDevice, &read))) return;
    if (!OptionAnswerIsWhole(read, window.m_chipSeries)) return RefuseIncompleteRead(window, &window);

    CWriteByteDlg4 holder(&window, SecurityOptionMode::Device);  // never shown: it holds the word for the selector
    holder.m_wrpText = fw::Format(u"%08X", ItemWord32(OptionItemFromBlock(read)));
    SelectBlockDlg selector(&holder, static_cast<int>(window.m_flashSizeKB));
    if (selector.DoModal() != fw::IDOK) return;

    OptionRwBlock write = OptionItemBlockFor(WordItem(kItemWrp, HexToUInt32(holder.m_wrpText)), 1);
    const StatusCode status = OV_CMD_OPT_RW(window.m_hDevice, &write);
    CMessageBoxEx box;
    if (status != CMD_STATUS_OK) {
        const fw::Text failed = TranslateText(u"配置写保护失败！");
        box.MessageBox(&window, failed);
        command.Succeeded(status, failed);
        return;
    }
    const fw::Text done = TranslateText(u"配置写保护成功，复位后生效！");
    box.MessageBox(&window, done);
    command.Black(done);
}

void RegisterOptionByteCommands() {
    AddMainWindowCommand(ID_OPTIONS_BYTES, OnOptionsBytes);
    AddMainWindowCommand(ID_WRITE_PROTECTION, OnWriteProtection);
}
