#include "optionbytes/OptionByteCommands.h"

#include "app/ChipCommand.h"
#include "app/MainWindow.h"
#include "app/MainWindowCommands.h"
#include "optionbytes/OptionByteEditor.h"

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
        default:
            // Series 10 has its own item editor; until it is part of the program the menu rules keep this
            // command grey for such a chip, so it is never reached from the menu.
            break;
    }
}

void RegisterOptionByteCommands() { AddMainWindowCommand(ID_OPTIONS_BYTES, OnOptionsBytes); }
