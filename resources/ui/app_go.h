// Ids of the run-address dialog.
#pragma once

#define IDD_APP_GO 202
#define IDC_APP_GO_ADDRESS 1170
#define IDC_APP_GO_OK 1059
