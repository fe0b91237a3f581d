// Ids of the security chip's set-key dialog (secure mode, JTAG mode, JTAG key).
#pragma once

#define IDD_SET_KEY 198
#define IDC_SET_KEY_MODE 1238
#define IDC_SET_KEY_MODE_LABEL 1322
#define IDC_SET_KEY_KEY_LABEL 1323
#define IDC_SET_KEY_PATH 1321
#define IDC_SET_KEY_BROWSE 1071
#define IDC_SET_KEY_DEFAULT 1084
#define IDC_SET_KEY_OK 1059
