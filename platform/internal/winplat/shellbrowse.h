// The folder browser of the stand-in's shell32 (SHBrowseForFolderA), for
// tests and test automation.
//
// The browser is a modal dialog captioned "Browse for Folder": the title
// line (kBrowseTitleId), the status line (kBrowseStatusId, with
// BIF_STATUSTEXT), the folder tree (kBrowseTreeId) and the buttons IDOK and
// IDCANCEL. The tree shows "My Computer" (a virtual folder without a
// file-system path), the drives under it and their folders, found through
// the platform's file functions. It has the keyboard focus when the
// browser opens; Up/Down/Home/End/PageUp/PageDown move the selection,
// Right opens a folder (or goes to its first subfolder), Left closes it (or
// goes to its parent); a click selects, a double-click or a click on the
// +/- box opens or closes. Enter is OK and Esc is Cancel.
//
// The tree answers these messages (besides those every window does):
#pragma once

#include <windows.h>

namespace winplat::shell {

constexpr int kBrowseTitleId = 14145;
constexpr int kBrowseStatusId = 14146;
constexpr int kBrowseTreeId = 14147;

// The tree's window class.
constexpr const char* kFolderTreeClass = "WinplatFolderTree";

// Selects the folder named by the DOS path in lParam (any letter case, '\'
// or '/'), opening the folders above it; when the path does not exist
// fully, its deepest existing folder. Returns TRUE when the whole path was
// found. An empty path selects "My Computer".
constexpr UINT FTM_SELECTPATH = WM_USER + 1;
// Copies the selected item's DOS path into the buffer lParam of wParam
// bytes; returns its length, or -1 for an item without a path.
constexpr UINT FTM_GETSELPATH = WM_USER + 2;
// Copies the selected item's display name; returns its length.
constexpr UINT FTM_GETSELNAME = WM_USER + 3;
// The number of items shown (open folders' contents included).
constexpr UINT FTM_GETCOUNT = WM_USER + 4;
// Copies the display name of shown item wParam (0 = the top) into the
// buffer lParam of MAX_PATH bytes; returns its length, or -1.
constexpr UINT FTM_GETITEMTEXT = WM_USER + 5;
// The index of the selected item among those shown.
constexpr UINT FTM_GETSELINDEX = WM_USER + 6;
// The index of the first row shown (the tree scrolls by whole rows).
constexpr UINT FTM_GETTOPINDEX = WM_USER + 7;

// Sent by the tree to its parent as WM_COMMAND (code in the high word of
// wParam) when the selection has changed.
constexpr WORD FTN_SELCHANGED = 1;

}  // namespace winplat::shell
