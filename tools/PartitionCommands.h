// The Operations menu's partition and key commands: each opens its dialog while it holds the device.
#pragma once

class CQXDownloadToolDlg;

void OnConfigurationPartition(CQXDownloadToolDlg& window);
void OnUpdateKey(CQXDownloadToolDlg& window);
// OK starts the download of the parts the dialog accepted, while the command still holds the device.
void OnPartitionDownloadConfiguration(CQXDownloadToolDlg& window);
