// Ids of the chip-series chooser.
#pragma once

#define IDD_SELECT_CHIP_SERIES 181
#define IDC_CHIP_SERIES_COMBO 1249
#define IDC_CHIP_SERIES_OK 1059
