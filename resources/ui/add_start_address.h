// Ids of the dialog that asks where a download file of an offline project begins.
#pragma once

#define IDD_ADD_START_ADDRESS 164
#define IDC_ADDSTART_ADDRESS 1170
#define IDC_ADDSTART_PARTITION 1102
#define IDC_ADDSTART_PARTITION_LABEL 1149
#define IDC_ADDSTART_OK 1059
