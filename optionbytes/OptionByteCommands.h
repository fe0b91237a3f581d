// Adds this subsystem's handlers of main-window commands (menu items and buttons) to the window's command table.
#pragma once

class CQXDownloadToolDlg;

void RegisterOptionByteCommands();

// "Options bytes" of the Operations menu: the option-byte editor of the connected chip's series, with the device
// mutex held while it is open.
void OnOptionsBytes(CQXDownloadToolDlg& window);

// "Write protection" of the Operations menu. The security chips: the block selector over the chip's WRP item,
// written back as that item; the other series: the write-protection editor; series 7 has nothing to protect.
void OnWriteProtection(CQXDownloadToolDlg& window);
