#include "CameraEntry.h"

#include <string.h>

namespace {

DWORD ReadLittleEndian32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

WORD ReadLittleEndian16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

CameraEntry* MakeEntry(const BYTE* pRecord)
{
    auto* pEntry = static_cast<CameraEntry*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(CameraEntry)));
    if (!pEntry) return NULL;
    memcpy(pEntry->szPicture, pRecord, kCameraNameChars);
    memcpy(pEntry->szThumbnail, pRecord, kCameraNameChars);
    pEntry->szPicture[0] = 'S';
    pEntry->szThumbnail[0] = 'T';
    pEntry->wValueA = ReadLittleEndian16(pRecord + 12);
    pEntry->wValueB = ReadLittleEndian16(pRecord + 14);
    pEntry->dwFileSize = ReadLittleEndian32(pRecord + 16);
    pEntry->dwThumbSize = pEntry->dwFileSize < kThumbnailFetchLimit ? pEntry->dwFileSize : kThumbnailFetchLimit;
    return pEntry;
}

}  // namespace

int AppendBlockEntries(const BYTE* pBlock, CameraEntry*** pppTail)
{
    DWORD nEntries = pBlock[kBlockCountOffset];
    if (nEntries > kEntriesPerBlock) nEntries = kEntriesPerBlock;
    int nAppended = 0;
    for (DWORD i = 0; i < nEntries; ++i) {
        CameraEntry* pEntry = MakeEntry(pBlock + kBlockEntriesOffset + i * kDirectoryEntrySize);
        if (!pEntry) break;
        **pppTail = pEntry;
        *pppTail = &pEntry->pNext;
        ++nAppended;
    }
    return nAppended;
}

void FreeCameraEntries(CameraEntry* pHead)
{
    while (pHead) {
        CameraEntry* pNext = pHead->pNext;
        HeapFree(GetProcessHeap(), 0, pHead);
        pHead = pNext;
    }
}

BOOL IsPlainCameraName(const char* pszName)
{
    for (int i = 0; i < kCameraNameChars; ++i) {
        unsigned char ch = static_cast<unsigned char>(pszName[i]);
        // An 8.3 base name holds no dot, so no ".." can form either.
        if (ch < 0x20 || ch >= 0x7F || strchr("\\/:*?\"<>|.", ch)) return FALSE;
    }
    return TRUE;
}
