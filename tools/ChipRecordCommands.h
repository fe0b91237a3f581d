// The main window's commands that open the dialogs editing the chip's own records: the external memory option
// record (reached only by its command id) and the OTP items.
#pragma once

class CQXDownloadToolDlg;

void OnSetExternalOptionsBytes(CQXDownloadToolDlg& window);
void OnSetOtp(CQXDownloadToolDlg& window);
