// Marker dispatch and the segments that set the decoder up: tables, frame
// and scan headers. Every segment is checked against the input before it is
// read, since the streams come from the camera.
#include "JpegHuffman.h"

namespace {

// The output's offsets are signed 32-bit values.
constexpr ULONGLONG kLargestOutput = 0x7FFFFFFF;
constexpr int kComponentCount = 3;
constexpr DWORD kQuantTableSize = 1 + 64;  // precision and identifier, then the table
constexpr DWORD kHuffmanHeaderSize = 1 + 16;  // class and identifier, then the counts
constexpr int kMaxHuffmanValues = 256;

DWORD ReadWord(const BYTE* p) { return (static_cast<DWORD>(p[0]) << 8) | p[1]; }

}  // namespace

// The markers the decoder knows, looked up in this order. Any other code
// (APP15, the other frame types, RSTn, fill bytes) starts the scan.
const CJpegDecoder::MarkerRow CJpegDecoder::kMarkerTable[] = {
    {0xD8, &CJpegDecoder::OnStartOfImage},
    {0xC0, &CJpegDecoder::OnFrameHeader},
    {0xC4, &CJpegDecoder::OnHuffmanTables},
    {0xFE, &CJpegDecoder::SkipSegment},  // comment
    {0xDB, &CJpegDecoder::OnQuantTables},
    {0xDD, &CJpegDecoder::SkipSegment},  // restart interval: not supported
    {0xD9, &CJpegDecoder::OnEndOfImage},
    {0xDC, &CJpegDecoder::SkipSegment},  // number of lines
    {0xDA, &CJpegDecoder::OnScanHeader},
    // Application segments APP0 to APP14.
    {0xE0, &CJpegDecoder::SkipSegment}, {0xE1, &CJpegDecoder::SkipSegment}, {0xE2, &CJpegDecoder::SkipSegment},
    {0xE3, &CJpegDecoder::SkipSegment}, {0xE4, &CJpegDecoder::SkipSegment}, {0xE5, &CJpegDecoder::SkipSegment},
    {0xE6, &CJpegDecoder::SkipSegment}, {0xE7, &CJpegDecoder::SkipSegment}, {0xE8, &CJpegDecoder::SkipSegment},
    {0xE9, &CJpegDecoder::SkipSegment}, {0xEA, &CJpegDecoder::SkipSegment}, {0xEB, &CJpegDecoder::SkipSegment},
    {0xEC, &CJpegDecoder::SkipSegment}, {0xED, &CJpegDecoder::SkipSegment}, {0xEE, &CJpegDecoder::SkipSegment},
};

CJpegDecoder::MarkerStep CJpegDecoder::DispatchMarker(const BYTE* pData, DWORD& dwPosition)
{
    if (pData[dwPosition] != 0xFF || dwPosition + 1 >= m_dwDataLength) return MarkerStep::NotAMarker;
    BYTE code = pData[dwPosition + 1];
    // FF 00 is a stuffed 0xFF: entropy data that begins with that byte.
    if (code == 0x00) return MarkerStep::NotAMarker;
    dwPosition += 1;
    for (const MarkerRow& row : kMarkerTable) {
        if (row.code != code) continue;
        // A segment the decoder cannot take fails the picture.
        return (this->*row.handler)(pData, dwPosition) ? MarkerStep::Handled : MarkerStep::Failed;
    }
    return MarkerStep::NotAMarker;  // the position stays on the code byte
}

// End of the segment whose code byte is at dwCodePosition: the length counts
// itself and must leave the whole segment inside the input.
BOOL CJpegDecoder::SegmentEnd(const BYTE* pData, DWORD dwCodePosition, DWORD* pdwEnd) const
{
    if (static_cast<ULONGLONG>(dwCodePosition) + 2 >= m_dwDataLength) return FALSE;
    DWORD length = ReadWord(pData + dwCodePosition + 1);
    ULONGLONG end = static_cast<ULONGLONG>(dwCodePosition) + 1 + length;
    if (length < 2 || end > m_dwDataLength) return FALSE;
    *pdwEnd = static_cast<DWORD>(end);
    return TRUE;
}

BOOL CJpegDecoder::SkipSegment(const BYTE* pData, DWORD& dwPosition)
{
    return SegmentEnd(pData, dwPosition, &dwPosition);
}

BOOL CJpegDecoder::OnStartOfImage(const BYTE*, DWORD& dwPosition)
{
    ReleaseHuffmanTables();
    dwPosition += 1;
    return TRUE;
}

BOOL CJpegDecoder::OnEndOfImage(const BYTE*, DWORD&)
{
    m_bDone = TRUE;
    ReleaseComponentMap();
    return TRUE;
}

BOOL CJpegDecoder::OnFrameHeader(const BYTE* pData, DWORD& dwPosition)
{
    // A picture has one frame; a second one would start over on a blank
    // buffer that counts as already decoded.
    if (m_pPixels) return FALSE;
    DWORD end;
    if (!SegmentEnd(pData, dwPosition, &end)) return FALSE;
    const BYTE* p = pData + dwPosition;
    // Fixed fields up to the component count, then three bytes per component.
    if (end - dwPosition < 9) return FALSE;
    DWORD height = ReadWord(p + 4);
    DWORD width = ReadWord(p + 6);
    int componentCount = p[8];
    if (componentCount != kComponentCount || end - dwPosition < 9 + 3 * kComponentCount) return FALSE;
    if (width == 0 || height == 0) return FALSE;
    LONG frameWidth = static_cast<LONG>((width + 15) & ~15u);
    LONG frameHeight = static_cast<LONG>((height + 7) & ~7u);
    ULONGLONG outputSize = static_cast<ULONGLONG>(frameWidth) * static_cast<ULONGLONG>(frameHeight) * 3;
    if (outputSize > kLargestOutput) return FALSE;
    if (!ReadFrameComponents(p + 9)) return FALSE;

    m_nFrameWidth = frameWidth;
    m_nFrameHeight = frameHeight;
    m_bmih.biWidth = frameWidth;
    m_bmih.biHeight = frameHeight;
    m_bmih.biSizeImage = static_cast<DWORD>(outputSize);
    if (!AllocateOutput()) return FALSE;
    dwPosition = end;
    return TRUE;
}

// Builds the component map from the three component records (identifier,
// sampling factors, quantisation table number).
BOOL CJpegDecoder::ReadFrameComponents(const BYTE* pComponents)
{
    for (int i = 0; i < kComponentCount; ++i) {
        const BYTE* pRecord = pComponents + 3 * i;
        if (pRecord[0] < 1 || pRecord[0] > kComponentCount || pRecord[2] > 1) return FALSE;
    }
    ReleaseComponentMap();
    m_pComponentMap = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kComponentCount));
    if (!m_pComponentMap) {
        FailFatally("Not enough memory");
    }
    for (int i = 0; i < kComponentCount; ++i) m_pComponentMap[pComponents[3 * i] - 1] = pComponents[3 * i + 2];
    return TRUE;
}

BOOL CJpegDecoder::AllocateOutput()
{
    m_pPixels = static_cast<BYTE*>(VirtualAlloc(nullptr, m_bmih.biSizeImage, MEM_COMMIT, PAGE_READWRITE));
    return m_pPixels != nullptr;
}

BOOL CJpegDecoder::OnHuffmanTables(const BYTE* pData, DWORD& dwPosition)
{
    DWORD end;
    if (!SegmentEnd(pData, dwPosition, &end)) return FALSE;
    DWORD position = dwPosition + 3;
    while (position < end) {
        if (end - position < kHuffmanHeaderSize) return FALSE;
        int tableClass = pData[position] >> 4;
        int number = pData[position] & 0x0F;
        if (tableClass > 1 || number > 1) return FALSE;
        HuffmanTable built;
        int total = BuildHuffmanRows(pData + position + 1, &built);
        DWORD valuePosition = position + kHuffmanHeaderSize;
        // HUFFVAL is read in place during the scan, so all of it must be here.
        if (total > kMaxHuffmanValues || end - valuePosition < static_cast<DWORD>(total)) return FALSE;

        HuffmanTable*& pTable = tableClass == 0 ? m_pDcTables[number] : m_pAcTables[number];
        if (pTable) HeapFree(GetProcessHeap(), 0, pTable);
        pTable = static_cast<HuffmanTable*>(HeapAlloc(GetProcessHeap(), 0, sizeof(HuffmanTable)));
        if (!pTable) return FALSE;
        CopyMemory(pTable, &built, sizeof(HuffmanTable));
        m_dwValuePositions[tableClass * 2 + number] = valuePosition;
        position = valuePosition + total;
    }
    dwPosition = end;
    return TRUE;
}

BOOL CJpegDecoder::OnQuantTables(const BYTE* pData, DWORD& dwPosition)
{
    DWORD end;
    if (!SegmentEnd(pData, dwPosition, &end)) return FALSE;
    DWORD position = dwPosition + 3;
    while (position < end) {
        if (end - position < kQuantTableSize) return FALSE;
        int precision = pData[position] >> 4;
        int number = pData[position] & 0x0F;
        // Only 8-bit tables 0 and 1.
        if (precision != 0 || number > 1) return FALSE;
        for (int k = 0; k < 64; ++k) m_QuantTables[number][m_ZigZag[k]] = pData[position + 1 + k];
        position += kQuantTableSize;
    }
    dwPosition = end;
    return TRUE;
}

BOOL CJpegDecoder::OnScanHeader(const BYTE* pData, DWORD& dwPosition)
{
    DWORD end;
    if (!SegmentEnd(pData, dwPosition, &end)) return FALSE;
    // The table selectors of the three components, at p + 5, p + 7, p + 9.
    if (end - dwPosition < 10) return FALSE;
    for (int component = 0; component < kComponentCount; ++component) {
        BYTE selector = pData[dwPosition + 5 + 2 * component];
        m_ScanSelectors[component][0] = selector >> 4;
        m_ScanSelectors[component][1] = selector & 0x0F;
    }
    dwPosition = end;
    return TRUE;
}

void CJpegDecoder::ReleaseHuffmanTables()
{
    for (int number = 0; number < 2; ++number) {
        if (m_pDcTables[number]) HeapFree(GetProcessHeap(), 0, m_pDcTables[number]);
        if (m_pAcTables[number]) HeapFree(GetProcessHeap(), 0, m_pAcTables[number]);
        m_pDcTables[number] = nullptr;
        m_pAcTables[number] = nullptr;
    }
}

void CJpegDecoder::ReleaseOutput()
{
    if (m_pPixels) VirtualFree(m_pPixels, 0, MEM_RELEASE);
    m_pPixels = nullptr;
}

void CJpegDecoder::ReleaseComponentMap()
{
    if (m_pComponentMap) HeapFree(GetProcessHeap(), 0, m_pComponentMap);
    m_pComponentMap = nullptr;
}
