// Ids of the flash read-out: the range dialog and the viewer.
#pragma once

#define IDD_READ_FLASH_RANGE 179
#define IDC_READ_FLASH_START 1241
#define IDC_READ_FLASH_END 1242
#define IDC_READ_FLASH_READ 1243

#define IDD_FLASH_VIEW 180
#define IDC_FLASH_VIEW_LIST 1185
#define IDC_FLASH_VIEW_START 1217
#define IDC_FLASH_VIEW_CRC 1218
#define IDC_FLASH_VIEW_SAVE 1245
#define IDC_FLASH_VIEW_PROGRESS 1246
