#include "optionbytes/OptionByteCommands.h"

#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "app/MainWindowCommands.h"
#include "optionbytes/OptionByteEditor.h"
#include "optionbytes/SecurityOptionDlg.h"

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

void RegisterOptionByteCommands() { AddMainWindowCommand(ID_OPTIONS_BYTES, OnOptionsBytes); }
