// Ids of the resource compiler's test resources.
#define IDD_PLAIN 100
#define IDD_EXTENDED 131
#define IDC_FRAME 1004
#define IDC_EDIT 1018
#define IDC_GROUP 0x7FF
#define IDI_APP 128
#define IDS_FIRST 16
#define IDS_SECOND 17
#define IDS_OTHER_BLOCK 40
