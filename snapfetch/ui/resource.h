// Identifiers of snapfetch's resources, shared by the program and its
// resource script.
#pragma once

// Dialogs.
#define IDD_SNAPFETCH_DIALOG 9876
#define IDD_PROGRESS 176
#define IDD_CREATE_PATH 131

// Icon group of the main window.
#define IDR_MAINFRAME 128

// Cell frames of the thumbnail grid.
#define IDB_FRAME 168
#define IDB_FRAME_SELECTED 158

// Controls of the main window.
#define IDC_EXIT 1000
#define IDC_ACQUIRE 1001
#define IDC_DELETE 1002
#define IDC_GRID 1004
#define IDC_FROMDSC 1006
#define IDC_USB 1011
#define IDC_SELECT 1014
#define IDC_PREV 1020
#define IDC_NEXT 1021
#define IDC_BACKWARD 1022
#define IDC_FORWARD 1023

// Controls of the progress window.
#define IDC_PROGRESS_PLACE 1007
#define IDC_PROGRESS_TEXT 1008
#define IDC_PROGRESS_BAR 333

// The field of the create-path dialog.
#define IDC_PATH 1018
