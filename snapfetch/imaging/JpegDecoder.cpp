// The decoder's entry points: the loops over the stream's markers, from
// memory and from a file, and the ownership of its buffers.
#include "JpegDecoder.h"

#include <afx.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

CJpegDecoder::FatalMessageHandler g_pfnFatalMessage = nullptr;

// Natural index of the k-th coefficient in zig-zag order.
constexpr BYTE kZigZagOrder[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

constexpr LONG kPelsPerMeter = 2835;  // 72 dots per inch

}  // namespace

CJpegDecoder::CJpegDecoder()
    : m_dwDataLength(0), m_bDone(FALSE), m_nFrameWidth(0), m_nFrameHeight(0), m_pDcTables(), m_pAcTables(),
      m_QuantTables(), m_pComponentMap(nullptr), m_pPixels(nullptr), m_dwValuePositions(), m_ScanSelectors(),
      m_nDcPredictors(), m_ZigZag(), m_nWriteOffset(0), m_bmih(), m_nMcuCounter(0)
{
    memcpy(m_ZigZag, kZigZagOrder, sizeof(m_ZigZag));
}

CJpegDecoder::~CJpegDecoder() { FreeBuffers(); }

CJpegDecoder::FatalMessageHandler CJpegDecoder::SetFatalMessageHandler(FatalMessageHandler pfnHandler)
{
    FatalMessageHandler pfnPrevious = g_pfnFatalMessage;
    g_pfnFatalMessage = pfnHandler;
    return pfnPrevious;
}

void CJpegDecoder::FailFatally(LPCSTR lpszText)
{
    if (g_pfnFatalMessage) {
        g_pfnFatalMessage(lpszText);
    } else {
        fprintf(stderr, "%s\n", lpszText);
        fflush(stderr);
    }
    exit(1);
}

BYTE* CJpegDecoder::DecodeMemory(const BYTE* pData, DWORD dwLength)
{
    ResetForDecode(dwLength);
    if (!pData || dwLength < 2 || pData[0] != 0xFF || pData[1] != 0xD8) return nullptr;
    return DecodeStream(pData, TRUE) ? m_pPixels : nullptr;
}

BYTE* CJpegDecoder::DecodeFile(LPCSTR lpszPath)
{
    BYTE* pBuffer = ReadWholeFile(lpszPath);
    if (!pBuffer) return nullptr;
    BOOL bDecoded = DecodeStream(pBuffer, FALSE);
    VirtualFree(pBuffer, 0, MEM_RELEASE);
    return bDecoded ? m_pPixels : nullptr;
}

void CJpegDecoder::FreeBuffers()
{
    ReleaseOutput();
    ReleaseComponentMap();
    ReleaseHuffmanTables();
}

// Reads the file whole into a buffer of the decoder's and sets the data
// length. Open and read failures leave as CFileException; a file that cannot
// be held gives null.
BYTE* CJpegDecoder::ReadWholeFile(LPCSTR lpszPath)
{
    CFile file(lpszPath, CFile::modeRead | CFile::shareDenyWrite);
    ULONGLONG fileLength = file.GetLength();
    ResetForDecode(0);
    if (fileLength == 0 || fileLength > 0xFFFFFFFF) return nullptr;
    SIZE_T size = static_cast<SIZE_T>(fileLength);
    auto* pBuffer = static_cast<BYTE*>(VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    if (!pBuffer) return nullptr;
    DWORD dwRead = 0;
    try {
        for (UINT chunk; dwRead < fileLength; dwRead += chunk) {
            chunk = file.Read(pBuffer + dwRead, static_cast<UINT>(fileLength - dwRead));
            if (chunk == 0) break;  // the file shrank meanwhile: decode what is there
        }
        file.Close();
    } catch (...) {
        // The buffer is ours; the exception is the caller's.
        VirtualFree(pBuffer, 0, MEM_RELEASE);
        throw;
    }
    m_dwDataLength = dwRead;
    return pBuffer;
}

void CJpegDecoder::ResetForDecode(DWORD dwLength)
{
    ReleaseOutput();
    m_dwDataLength = dwLength;
    m_nWriteOffset = 0;
    m_nMcuCounter = 0;
    m_bDone = FALSE;
    m_bmih.biSize = sizeof(BITMAPINFOHEADER);
    m_bmih.biPlanes = 1;
    m_bmih.biBitCount = 24;
    m_bmih.biCompression = BI_RGB;
    m_bmih.biXPelsPerMeter = kPelsPerMeter;
    m_bmih.biYPelsPerMeter = kPelsPerMeter;
    m_bmih.biClrUsed = 0;
    m_bmih.biClrImportant = 0;
}

// Runs marker steps until the end. Bytes that are no marker are the scan.
// From memory the decode ends with the scan; from a file it goes on to the
// end-of-image marker, so a second scan there fails.
BOOL CJpegDecoder::DecodeStream(const BYTE* pData, BOOL bStopAfterScan)
{
    DWORD dwPosition = 0;
    while (!m_bDone && dwPosition < m_dwDataLength) {
        MarkerStep step = DispatchMarker(pData, dwPosition);
        if (step == MarkerStep::Failed) return FALSE;
        if (step == MarkerStep::Handled) continue;
        if (!DecodeScan(pData, dwPosition)) return FALSE;
        if (bStopAfterScan) m_bDone = TRUE;
    }
    // A stream that ends before its scan has filled the frame has no picture.
    return FrameComplete();
}

BOOL CJpegDecoder::FrameComplete() const
{
    return m_pPixels && m_nMcuCounter == (m_nFrameWidth / 8) * (m_nFrameHeight / 8);
}
