// Filling the picture list from the camera: the picture directory, then each
// picture's thumbnail file, decoded into a bitmap for the grid.
#include "Camera.h"
#include "CameraEntry.h"
#include "CameraSession.h"
#include "JpegDecoder.h"

#include <string.h>

#include <functional>

namespace {

// Attempts at the directory: up to three series of five, with a message and
// a pause after each failed series.
const int kRetrySeries = 3;
const int kAttemptsPerSeries = 5;
const DWORD kRetryPause = 300;

// Full size of every camera picture ("S" names).
const LONG kPictureWidth = 1792;
const LONG kPictureHeight = 1200;

void ShowRetryMessage(ICameraReport& report, int nSeries)
{
    char szText[32];
    wsprintfA(szText, "Retry %d", nSeries);
    report.Message(szText, MB_OK);
}

void ShowNoPicturesMessage(ICameraReport& report)
{
    char szFirst[128], szSecond[128], szThird[128];
    lstrcpyA(szFirst, "1.Not find image from your digital camera.");
    wsprintfA(szSecond, "%s\n2.Makesure your CF card have picture.", szFirst);
    wsprintfA(szThird, "%s\n3.Reset and plug it again.", szSecond);
    report.Message(szThird, MB_OK);
}

// Up to three series of five directory attempts, until one reads entries;
// each failed series is told and followed by a pause. The entries read, or 0.
int ReadWithRetries(const std::function<int(CameraEntry**)>& readDirectory, CameraEntry** ppEntries,
                    ICameraReport& report)
{
    int nEntries = 0;
    for (int nSeries = 1; nSeries <= kRetrySeries && nEntries == 0; ++nSeries) {
        for (int nAttempt = 0; nAttempt < kAttemptsPerSeries && nEntries == 0; ++nAttempt) {
            // A failed attempt may leave the entries of its first blocks;
            // they would stand in for the first entries of the next one.
            FreeCameraEntries(*ppEntries);
            *ppEntries = NULL;
            nEntries = readDirectory(ppEntries);
        }
        if (nEntries == 0) {
            ShowRetryMessage(report, nSeries);
            Sleep(kRetryPause);
        }
    }
    return nEntries;
}

CameraEntry** TailOf(CameraEntry** ppEntries)
{
    while (*ppEntries) ppEntries = &(*ppEntries)->pNext;
    return ppEntries;
}

// A packed bottom-up 24-bit bitmap of the decoder's picture in a moveable
// block, or null.
HGLOBAL MakePackedDib(const BITMAPINFOHEADER& header, const BYTE* pPixels)
{
    DWORD dwStride = ((static_cast<DWORD>(header.biWidth) * 24 + 31) / 32) * 4;
    DWORD dwPixelBytes = static_cast<DWORD>(header.biHeight) * dwStride;
    HGLOBAL hDib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + dwPixelBytes);
    if (!hDib) return NULL;
    auto* pDib = static_cast<BYTE*>(GlobalLock(hDib));
    memcpy(pDib, &header, sizeof(BITMAPINFOHEADER));
    // The decoder's rows are already padded: its widths are multiples of 16.
    DWORD dwCopied = dwPixelBytes < header.biSizeImage ? dwPixelBytes : header.biSizeImage;
    memcpy(pDib + sizeof(BITMAPINFOHEADER), pPixels, dwCopied);
    GlobalUnlock(hDib);
    return hDib;
}

}  // namespace

int CCamera::ReadDirectoryWithRetries(CameraEntry** ppEntries, ICameraReport& report)
{
    return ReadWithRetries([this](CameraEntry** ppRead) { return ReadPictureDirectory(ppRead); }, ppEntries,
                           report);
}

void CCamera::LoadPictures(ICameraReport& report)
{
    CameraEntry* pEntries = NULL;
    int nEntries = ReadDirectoryWithRetries(&pEntries, report);
    if (nEntries == 0) {
        ShowNoPicturesMessage(report);
        FreeCameraEntries(pEntries);
        // The attempts may have emptied the list: nothing may go on showing
        // pictures that are gone.
        report.PicturesChanged();
        return;
    }

    report.SetProgressRange(1, static_cast<WORD>(nEntries));
    report.SetProgressStep(1);
    report.ShowProgress(TRUE);
    BOOL bCorrupted = FALSE;
    CameraEntry* pEntry = pEntries;
    for (int k = 1; k <= nEntries && pEntry; ++k, pEntry = pEntry->pNext) {
        char szText[32];
        wsprintfA(szText, "%d of %d", k, nEntries);
        report.SetProgressText(szText);
        // An empty picture has no thumbnail, and an unsafe name must never
        // become a file name: both are corrupted files.
        if (pEntry->dwFileSize == 0 || !IsPlainCameraName(pEntry->szPicture)) {
            bCorrupted = TRUE;
        } else if (LPBYTE pThumbFile = FetchCameraFile(pEntry->szThumbnail, pEntry->dwThumbSize)) {
            char szName[kCameraNameChars + 1];
            memcpy(szName, pEntry->szPicture, kCameraNameChars);
            szName[kCameraNameChars] = '\0';
            if (!AddThumbnail(pThumbFile, pEntry->dwFileSize, pEntry->dwThumbSize, szName)) bCorrupted = TRUE;
            VirtualFree(pThumbFile, 0, MEM_RELEASE);
        }
        report.StepProgress();
    }
    report.ShowProgress(FALSE);
    m_pictures.Rewind();
    FreeCameraEntries(pEntries);
    if (bCorrupted) report.Message("Some files are corrupted", MB_OK);
    // Also with fewer pictures than before: no paging is left for a page
    // that is gone.
    report.PicturesChanged();
}

int CCamera::ReadPictureDirectory(CameraEntry** ppEntries)
{
    if (!m_pStillImage || !m_pStiDevice) return 0;
    CCameraSession session(m_pStiDevice);
    if (!session.BeginTransfer(TRUE)) return 0;
    // From here on the list is rebuilt from what the camera holds now.
    m_pictures.RemoveAll();
    DWORD dwDirectorySize = 0;
    if (!session.Read(ESC_GET_DIRECTORY_SIZE, NULL, 0, &dwDirectorySize, sizeof(dwDirectorySize))) return 0;
    // A size beyond what the driver can read would cost thousands of block
    // reads before the first refused offset: the attempt fails at once.
    if (dwDirectorySize > kReadableDirectorySize) return 0;
    auto* pBlock = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kDirectoryBlockSize));
    if (!pBlock) return 0;

    CameraEntry** ppTail = TailOf(ppEntries);
    int nAppended = 0;
    DWORD dwBlocks = (dwDirectorySize + kDirectoryBlockSize - 1) / kDirectoryBlockSize;
    for (DWORD b = 0; b < dwBlocks; ++b) {
        ESC_PARAMS params = {};
        params.dwParam = b * kDirectoryBlockSize;
        params.dwLength = kDirectoryBlockSize;
        if (!session.Read(ESC_READ_DIRECTORY, &params, sizeof(params), pBlock, kDirectoryBlockSize)) {
            nAppended = 0;
            break;
        }
        nAppended += AppendBlockEntries(pBlock, &ppTail);
    }
    HeapFree(GetProcessHeap(), 0, pBlock);
    return nAppended;
}

LPBYTE CCamera::FetchCameraFile(LPCSTR lpszName, DWORD dwLength)
{
    dwLength |= 1;  // the camera's transfers are of odd length
    if (!m_pStillImage || !m_pStiDevice) return NULL;
    CCameraSession session(m_pStiDevice);
    if (!session.BeginTransfer(TRUE)) return NULL;
    auto* pBuffer = static_cast<LPBYTE>(VirtualAlloc(NULL, dwLength, MEM_COMMIT, PAGE_READWRITE));
    if (!pBuffer) return NULL;
    ESC_PARAMS params = MakeFileParams(lpszName, dwLength);
    BOOL bRead = session.Read(ESC_READ_FILE, &params, sizeof(params), pBuffer, dwLength);
    session.End();
    if (!bRead) {
        VirtualFree(pBuffer, 0, MEM_RELEASE);
        return NULL;
    }
    return pBuffer;
}

int CCamera::AddThumbnail(const BYTE* pThumbFile, DWORD dwFileSize, DWORD dwThumbSize, LPCSTR lpszName)
{
    // Without bytes after the lead-in there is no stream to decode.
    if (dwThumbSize <= kThumbnailLeadIn) return 0;
    CJpegDecoder decoder;
    BYTE* pPixels = decoder.DecodeMemory(pThumbFile + kThumbnailLeadIn, dwThumbSize - kThumbnailLeadIn);
    HGLOBAL hDib = pPixels ? MakePackedDib(*decoder.GetBitmapHeader(), pPixels) : NULL;
    if (!hDib) {
        decoder.FreeBuffers();
        return 0;
    }
    int nBefore = m_pictures.m_nCount;
    m_pictures.Add(lpszName, dwFileSize, dwThumbSize, hDib);
    GlobalFree(hDib);
    BOOL bAdded = m_pictures.m_nCount > nBefore;
    if (bAdded) {
        // The header describes the full picture, not its thumbnail.
        BITMAPINFOHEADER* pHeader = decoder.GetBitmapHeader();
        if (dwFileSize != 0) {
            pHeader->biWidth = kPictureWidth;
            pHeader->biHeight = kPictureHeight;
        }
        m_pictures.SetPictureHeader(pHeader);
    }
    decoder.FreeBuffers();
    return bAdded ? 1 : 0;
}
