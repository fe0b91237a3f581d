// Ids of the write-protection editor.
#define IDD_WRITE_PROTECT 178
#define IDC_WP_LABEL0 1149
#define IDC_WP_LABEL1 1150
#define IDC_WP_LABEL2 1151
#define IDC_WP_LABEL3 1152
#define IDC_WP_WRP0 1111
#define IDC_WP_WRP1 1112
#define IDC_WP_WRP2 1113
#define IDC_WP_WRP3 1114
#define IDC_WP_HELP0 1153
#define IDC_WP_HELP1 1154
#define IDC_WP_HELP2 1234
#define IDC_WP_HELP3 1235
#define IDC_WP_OK 1059
