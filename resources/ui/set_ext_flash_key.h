// Ids of the external flash key dialog.
#pragma once

#define IDD_SET_EXT_FLASH_KEY 191
#define IDC_EXT_FLASH_KEY_EDIT 1302
#define IDC_EXT_FLASH_KEY_OK 1059
