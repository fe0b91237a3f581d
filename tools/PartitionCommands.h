// The Operations menu's partition and key commands: each opens its dialog while it holds the device.
#pragma once

class CQXDownloadToolDlg;

void OnConfigurationPartition(CQXDownloadToolDlg& window);
