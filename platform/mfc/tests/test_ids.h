// Ids of the framework tests' resources.
#define IDD_FORM 100
#define IDD_MODELESS 101
#define IDD_BUTTONS 102
#define IDD_NUMBERS 103
#define IDD_VISIBLE_MODELESS 104
#define IDC_NAME 1001
#define IDC_COUNT 1002
#define IDC_END_SEVEN 1003
#define IDC_TEXT 1008
#define IDC_PLACE 1007
#define IDC_FULL 1010
#define IDC_ONLY_UP 1011
#define IDC_NO_BITMAPS 1012
#define IDC_PLAIN 1013
#define IDB_FRAME 168
#define IDI_APP 128
#define IDS_PROMPT 200
