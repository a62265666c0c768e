// The camera's picture directory as the thumbnail load reads it, and the
// temporary records it keeps of the directory's entries.
#pragma once

#include "EscapeProtocol.h"

#include <windows.h>

// One directory entry, kept by the thumbnail load in a singly linked list in
// directory order. The records come zero-filled from the process heap.
struct CameraEntry {
    char szPicture[8];    // the entry's name with "S" first; no terminator
    char szThumbnail[8];  // the same name with "T" first; no terminator
    WORD wValueA;         // directory bytes 12 and 13, kept as they came
    WORD wValueB;         // directory bytes 14 and 15, kept as they came
    DWORD dwFileSize;     // the picture's size as the directory states it
    DWORD dwThumbSize;    // bytes fetched for the thumbnail: the file size, at most 20480
    CameraEntry* pNext;
};

// A directory block: a count byte at offset 10, then 20-byte entries from
// offset 12; 25 of them fill the block.
const DWORD kDirectoryBlockSize = 512;
const DWORD kBlockCountOffset = 10;
const DWORD kBlockEntriesOffset = 12;
const DWORD kDirectoryEntrySize = 20;
const DWORD kEntriesPerBlock = 25;
// The largest directory the driver can read whole: its last block starts
// at the highest offset a read may start from.
const DWORD kReadableDirectorySize = ESC_HIGHEST_READ_OFFSET + kDirectoryBlockSize;
// The thumbnail file's JPEG stream starts this far into the file.
const DWORD kThumbnailLeadIn = 948;
// The largest thumbnail fetch.
const DWORD kThumbnailFetchLimit = 20480;
// Characters of a camera file name without its extension.
const int kCameraNameChars = 8;

// Appends the entries of one directory block at *pppTail, moving *pppTail to
// the new end; returns how many were appended. A count above 25 would
// describe entries beyond the block: only the 25 the block holds are read.
int AppendBlockEntries(const BYTE* pBlock, CameraEntry*** pppTail);
void FreeCameraEntries(CameraEntry* pHead);

// The names come from the camera and are not to be trusted: TRUE only for a
// name that can be used as it stands as a plain file name in a folder
// (no separators, drive colons, NULs, control or non-ASCII characters, dots
// or characters that file names cannot hold).
BOOL IsPlainCameraName(const char* pszName);
