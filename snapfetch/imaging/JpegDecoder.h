// The program's own JPEG decoder, made for the camera's pictures: baseline
// Huffman-coded streams with 8-bit samples and three components Y, Cb, Cr
// (identifiers 1, 2, 3), luminance sampled 2 x 1, one interleaved scan and no
// restart interval. One MCU covers 16 x 8 pixels: blocks Y, Y, Cb, Cr.
//
// The result is a bottom-up 24-bit blue-green-red pixel buffer, its width
// rounded up to a multiple of 16 and its height to a multiple of 8, with a
// BITMAPINFOHEADER beside it. Use one decoder per picture: construct, decode
// once, copy the pixels out, FreeBuffers.
//
// The stream is untrusted: whatever its bytes, the decoder reads nothing
// outside it and writes nothing outside its own buffers; a stream it cannot
// decode yields null.
#pragma once

#include <windows.h>

// Canonical Huffman codes of one length.
struct HuffmanRow {
    WORD wFirstValue;  // index in HUFFVAL of the first code of this length
    WORD wSmallest;    // smallest code of this length
    WORD wLargest;     // largest code; a length without codes has 0 and 0xFFFF
};

// One table, a row per code length 1 to 16. Its HUFFVAL list stays in the
// input, found by the decoder's value position of the table.
struct HuffmanTable {
    HuffmanRow rows[16];
};

class CJpegDecoder {
public:
    CJpegDecoder();
    ~CJpegDecoder();
    CJpegDecoder(const CJpegDecoder&) = delete;
    CJpegDecoder& operator=(const CJpegDecoder&) = delete;

    // The stream must begin with FF D8. Returns the output pixels or null.
    BYTE* DecodeMemory(const BYTE* pData, DWORD dwLength);
    // Reads the whole file and decodes it. A file that cannot be opened or
    // read raises CFileException (thrown as a pointer) to the caller. Kept on
    // purpose for pictures in files; the program decodes from memory only.
    BYTE* DecodeFile(LPCSTR lpszPath);
    // Releases the output pixels, the component map and the Huffman tables.
    void FreeBuffers();

    // Header of the decoded picture; the caller may adjust it before storing it.
    BITMAPINFOHEADER* GetBitmapHeader() { return &m_bmih; }

    // Integer 8 x 8 inverse DCT in place (rows, then columns), output centred on 0.
    static void InverseDct(LONG* pBlock);

    // The decoder's one failure it cannot go on from is a component map it
    // cannot allocate: it shows "Not enough memory" through the program's
    // handler and ends the program with status 1. A program with windows
    // installs a handler that shows a message box; without one the text goes
    // to the standard error stream. Returns the handler replaced.
    typedef void (*FatalMessageHandler)(LPCSTR lpszText);
    static FatalMessageHandler SetFatalMessageHandler(FatalMessageHandler pfnHandler);
    // Shows the text through the handler and ends the program with status 1.
    [[noreturn]] static void FailFatally(LPCSTR lpszText);

private:
    enum class MarkerStep { Handled, NotAMarker, Failed };
    typedef BOOL (CJpegDecoder::*SegmentHandler)(const BYTE* pData, DWORD& dwPosition);
    struct MarkerRow {
        BYTE code;
        SegmentHandler handler;
    };
    static const MarkerRow kMarkerTable[];

    void ResetForDecode(DWORD dwLength);
    BOOL DecodeStream(const BYTE* pData, BOOL bStopAfterScan);
    BOOL FrameComplete() const;
    BYTE* ReadWholeFile(LPCSTR lpszPath);

    // Markers and segments.
    MarkerStep DispatchMarker(const BYTE* pData, DWORD& dwPosition);
    BOOL SegmentEnd(const BYTE* pData, DWORD dwCodePosition, DWORD* pdwEnd) const;
    BOOL OnStartOfImage(const BYTE* pData, DWORD& dwPosition);
    BOOL OnEndOfImage(const BYTE* pData, DWORD& dwPosition);
    BOOL OnFrameHeader(const BYTE* pData, DWORD& dwPosition);
    BOOL OnHuffmanTables(const BYTE* pData, DWORD& dwPosition);
    BOOL OnQuantTables(const BYTE* pData, DWORD& dwPosition);
    BOOL OnScanHeader(const BYTE* pData, DWORD& dwPosition);
    BOOL SkipSegment(const BYTE* pData, DWORD& dwPosition);
    BOOL ReadFrameComponents(const BYTE* pComponents);
    BOOL AllocateOutput();
    void ReleaseHuffmanTables();
    void ReleaseOutput();
    void ReleaseComponentMap();

    // Entropy-coded scan.
    BOOL DecodeScan(const BYTE* pData, DWORD& dwPosition);

    // Reconstruction of one block of the MCU (Y, Y, Cb or Cr), dequantised
    // as it was decoded: transformed and level-shifted into 64 samples. The
    // coefficients are left all zero for the next block.
    static void ReconstructBlock(LONG* pCoefficients, LONG* pSamples);
    // Converts the samples of blocks Y, Y, Cb, Cr to pixels at the MCU's place.
    BOOL StoreMcu(const LONG* pSamples);

    DWORD m_dwDataLength;
    BOOL m_bDone;
    LONG m_nFrameWidth;   // multiple of 16
    LONG m_nFrameHeight;  // multiple of 8
    HuffmanTable* m_pDcTables[2];
    HuffmanTable* m_pAcTables[2];
    BYTE m_QuantTables[2][64];  // natural order
    BYTE* m_pComponentMap;      // quantisation table number by component identifier - 1
    BYTE* m_pPixels;
    DWORD m_dwValuePositions[4];  // offset of HUFFVAL in the input: DC0, DC1, AC0, AC1
    BYTE m_ScanSelectors[3][2];   // DC and AC table numbers of the scan components
    LONG m_nDcPredictors[3];      // Y, Cb, Cr
    BYTE m_ZigZag[64];            // natural index of the k-th coefficient in zig-zag order
    LONG m_nWriteOffset;          // byte offset of the top-left pixel of the MCU being stored
    BITMAPINFOHEADER m_bmih;
    LONG m_nMcuCounter;  // 8-pixel block columns stored so far, in raster order
};
