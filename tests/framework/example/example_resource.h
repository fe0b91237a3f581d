// Ids of the example dialog fixture.
#define IDD_EXAMPLE                     100
#define IDD_EXAMPLE_CHILD               101
#define IDD_EXAMPLE_PAGE                102
#define IDR_EXAMPLE_MENU                110
#define IDI_EXAMPLE                     120
#define IDS_ABOUT_EXAMPLE               130
#define IDS_PANE_READY                  131

#define IDC_INPUT_GROUP                 1000
#define IDC_NAME_EDIT                   1001
#define IDC_COUNT_EDIT                  1002
#define IDC_ADDRESS_EDIT                1003
#define IDC_PASSWORD_EDIT               1004
#define IDC_DIGITS_EDIT                 1005
#define IDC_ENABLE_CHECK                1006
#define IDC_MODE_SERIAL                 1007
#define IDC_MODE_USB                    1008
#define IDC_MODE_SWD                    1009
#define IDC_SPEED_COMBO                 1010
#define IDC_SPEED_LABEL                 1011
#define IDC_ICON                        1012
#define IDC_FILES_LIST                  1013
#define IDC_CHIPS_LIST                  1014
#define IDC_LEVEL_SLIDER                1015
#define IDC_LEVEL_TEXT                  1016
#define IDC_PAGES_TAB                   1017
#define IDC_PROGRESS                    1018
#define IDC_LOG                         1019
#define IDC_SEPARATOR                   1020
#define IDC_APPLY                       1021
#define IDC_OPEN_CHILD                  1022
#define IDC_BROWSE                      1023
#define IDC_ASK                         1024
#define IDC_START_TIMER                 1025

#define IDC_CHILD_VALUE                 1040
#define IDC_CHILD_ASK                   1041
#define IDC_CHILD_NEST                  1042

#define IDC_PAGE_VALUE                  1050
#define IDC_PAGE_CHECK                  1051

#define ID_FILE_OPEN                    32801
#define ID_FILE_EXIT                    32802
#define ID_OPTION_VERBOSE               32803
#define ID_OPTION_EXPERT                32804
#define ID_HELP_ABOUT                   32805
