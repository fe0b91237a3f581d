// Ids of the encrypted file page (a tab of the offline downloader's configuration window).
#define IDD_ENC_FILE_PAGE 175
#define IDC_ENCPAGE_SOURCE_PATH 1157
#define IDC_ENCPAGE_OUTPUT_PATH 1158
#define IDC_ENCPAGE_KEY 1220
#define IDC_ENCPAGE_BROWSE 1059
#define IDC_ENCPAGE_MAKE 1071
