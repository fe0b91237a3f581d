// Ids of the chip chooser of the encrypted file page.
#define IDD_MCU_SELECT 182
#define IDC_MCUSEL_CLASS 1092
#define IDC_MCUSEL_MODEL 1085
#define IDC_MCUSEL_OK 1059
