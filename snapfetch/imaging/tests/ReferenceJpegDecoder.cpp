// The reference decoder's stages, each as it stood: markers and segments,
// Huffman rows, bit reader, entropy decoding, scan, inverse DCT and colour.
#include "ReferenceJpegDecoder.h"

#include "JpegDecoder.h"

#include <afx.h>

#include <string.h>

namespace jpegreference {

// ---- JpegDecoder
// The decoder's entry points: the loops over the stream's markers, from
// memory and from a file, and the ownership of its buffers.


namespace {

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

// ---- JpegHuffman
// Huffman tables of the decoder: the canonical code rows built from a DHT
// segment's BITS counts, and their decoding form used during a scan.


// Fills the 16 rows from the counts of codes of each length 1 to 16 and
// returns the number of codes (the length of the HUFFVAL list).
int BuildHuffmanRows(const BYTE* pCounts, HuffmanTable* pTable);

// A table ready for the scan. A code of length l belongs to row l when
// code - smallest[l], taken unsigned, is at most span[l] (largest - smallest):
// one comparison per row. Rows without codes get a smallest no code reaches.
struct HuffmanDecoder {
    DWORD smallest[17];  // indexed by code length 1 to 16
    DWORD span[17];
    DWORD firstValue[17];
    const BYTE* pValues;
};

void PrepareHuffmanDecoder(const HuffmanTable& table, const BYTE* pValues, HuffmanDecoder* pDecoder);

// ---- JpegHuffman

int BuildHuffmanRows(const BYTE* pCounts, HuffmanTable* pTable)
{
    // The canonical codes: each length continues from the codes of the
    // shorter ones with one more bit.
    DWORD code = 0;
    int total = 0;
    for (int length = 0; length < 16; ++length) {
        int count = pCounts[length];
        HuffmanRow& row = pTable->rows[length];
        row.wFirstValue = static_cast<WORD>(total);
        total += count;
        if (count == 0) {
            row.wSmallest = 0;
            row.wLargest = 0xFFFF;
            if (total != 0) code *= 2;
            continue;
        }
        row.wSmallest = static_cast<WORD>(code * 2);
        code = code * 2 + count;
        row.wLargest = static_cast<WORD>(code - 1);
    }
    return total;
}

void PrepareHuffmanDecoder(const HuffmanTable& table, const BYTE* pValues, HuffmanDecoder* pDecoder)
{
    constexpr DWORD kNoCode = 0x10000;  // above every 16-bit code
    pDecoder->pValues = pValues;
    pDecoder->smallest[0] = kNoCode;
    pDecoder->span[0] = 0;
    pDecoder->firstValue[0] = 0;
    for (int length = 1; length <= 16; ++length) {
        const HuffmanRow& row = table.rows[length - 1];
        // Empty rows, and rows whose codes wrapped past 16 bits, match nothing.
        bool hasCodes = !(row.wSmallest == 0 && row.wLargest == 0xFFFF) && row.wLargest >= row.wSmallest;
        pDecoder->smallest[length] = hasCodes ? row.wSmallest : kNoCode;
        pDecoder->span[length] = hasCodes ? static_cast<DWORD>(row.wLargest - row.wSmallest) : 0;
        pDecoder->firstValue[length] = row.wFirstValue;
    }
}

// ---- JpegBitReader
// Bit reader of the entropy-coded scan: a 16-bit reservoir read most
// significant bit first, refilled two bytes at a time when a bit is needed and
// none is left. A 0xFF byte is followed by a stuffed 0x00, which is skipped;
// markers inside the scan are not recognised.
//
// The next refill is fetched ahead but not taken, so that the Huffman search
// can look at 16 bits at once; positions and refills stay those of the plain
// reservoir. Past the end of the data the reader supplies zero bits without
// reading and counts them, so that the caller can tell whether the scan
// needed them.


class JpegBitReader {
public:
    JpegBitReader(const BYTE* pData, DWORD dwLength, DWORD dwPosition)
        : m_pData(pData), m_dwLength(dwLength), m_dwPosition(dwPosition)
    {
        m_next = Fetch(dwPosition);
        m_nWindow = m_next.value;
    }

    // The next 16 bits, without taking them.
    UINT Peek16() const { return (m_nWindow >> m_nLeft) & 0xFFFF; }

    // Takes count (0 to 16) bits.
    void Consume(int count)
    {
        if (count <= m_nLeft) {
            m_nLeft -= count;
            return;
        }
        count -= m_nLeft;
        Refill();
        m_nLeft = 16 - count;
    }

    // count is 0 to 16.
    UINT ReadBits(int count)
    {
        UINT value = count ? Peek16() >> (16 - count) : 0;
        Consume(count);
        return value;
    }

    UINT ReadBit() { return ReadBits(1); }

    // Offset of the next byte the reservoir would take.
    DWORD Position() const { return m_dwPosition; }

    // Offset just past the bytes the scan has used. The second byte of the
    // last refill is given back when none of its bits were used, so that a
    // marker right after the scan is still found there.
    DWORD EndPosition() const
    {
        return m_nLeft >= 8 && m_dwLowBytePosition < m_dwLength ? m_dwLowBytePosition : m_dwPosition;
    }

    // True once a bit from beyond the end of the data has been consumed; the
    // bits past the end are always the last ones of the reservoir.
    BOOL Overrun() const { return m_dwMissingBytes * 8 > static_cast<DWORD>(m_nLeft); }

private:
    // Two bytes as a refill takes them from a position.
    struct Refilled {
        UINT value = 0;
        DWORD endPosition = 0;
        DWORD lowBytePosition = 0;
        DWORD missingBytes = 0;
    };

    Refilled Fetch(DWORD position) const
    {
        Refilled refill;
        UINT high = NextByte(position, refill.missingBytes);
        refill.lowBytePosition = position;
        UINT low = NextByte(position, refill.missingBytes);
        refill.value = high << 8 | low;
        refill.endPosition = position;
        return refill;
    }

    UINT NextByte(DWORD& position, DWORD& missingBytes) const
    {
        if (position >= m_dwLength) {
            ++missingBytes;
            return 0;
        }
        UINT value = m_pData[position++];
        if (value == 0xFF && position < m_dwLength) ++position;
        return value;
    }

    void Refill()
    {
        m_dwPosition = m_next.endPosition;
        m_dwLowBytePosition = m_next.lowBytePosition;
        m_dwMissingBytes += m_next.missingBytes;
        UINT reservoir = m_next.value;
        m_next = Fetch(m_dwPosition);
        m_nWindow = reservoir << 16 | m_next.value;
    }

    const BYTE* m_pData;
    DWORD m_dwLength;
    DWORD m_dwPosition;
    UINT m_nWindow = 0;  // the reservoir in the high half, the fetched refill in the low half
    int m_nLeft = 0;     // bits of the reservoir not yet consumed
    DWORD m_dwMissingBytes = 0;
    DWORD m_dwLowBytePosition = 0;
    Refilled m_next;
};

// ---- JpegEntropy
// Entropy decoding of one block: the DC difference and the AC run-lengths,
// into 64 coefficients in natural order.


// Longest codes the decoder looks for.
constexpr int kMaxDcCodeLength = 12;
constexpr int kMaxAcCodeLength = 16;

// Row-by-row search of the canonical code among the first bits of `bits`
// (16 bits, most significant first): its first 1, 2, ... bits against the
// rows of those lengths. Returns the symbol and its code length, or -1 when
// no row matches up to MaxLength bits. Unrolled so that each length has a
// branch of its own.
template <int MaxLength>
inline int FindHuffmanSymbol(DWORD bits, const HuffmanDecoder& table, int* pLength)
{
#pragma GCC unroll 16
    for (int length = 1; length <= MaxLength; ++length) {
        DWORD offset = (bits >> (16 - length)) - table.smallest[length];
        if (offset <= table.span[length]) {
            *pLength = length;
            return table.pValues[(table.firstValue[length] + offset) & 0xFF];
        }
    }
    return -1;
}

// The EXTEND procedure: the s bits of a value whose first bit is 0 stand for
// a negative number.
inline LONG ExtendValue(UINT bits, int size)
{
    UINT half = (1u << size) >> 1;  // 0 for size 0, whose value is 0
    return static_cast<LONG>(bits < half ? bits - (2 * half - 1) : bits);
}

// Decodes one block into pBlock (64 values, natural order), updating the
// component's DC predictor. FALSE when the data cannot be a block.
BOOL DecodeBlock(JpegBitReader& reader, const HuffmanDecoder& dcTable, const HuffmanDecoder& acTable,
                 const BYTE* pZigZag, LONG* pPredictor, LONG* pBlock);

// ---- JpegEntropy

namespace {

// Differences wider than the reservoir cannot come from 8-bit samples.
constexpr int kMaxValueSize = 16;
constexpr int kEndOfBlock = 0x00;
constexpr int kSixteenZeros = 0xF0;

// A symbol and the value bits after it. The value usually sits in the same
// 16 bits as the code; the bits taken are the same either way.
template <int MaxLength>
inline int DecodeSymbolAndValue(JpegBitReader& reader, const HuffmanDecoder& table, int sizeMask, LONG* pValue)
{
    DWORD bits = reader.Peek16();
    int length = 0;
    int symbol = FindHuffmanSymbol<MaxLength>(bits, table, &length);
    if (symbol < 0) return -1;
    int size = symbol & sizeMask;
    if (size > kMaxValueSize) return symbol;  // the caller rejects it
    if (length + size <= 16) {
        reader.Consume(length + size);
        *pValue = ExtendValue((bits >> (16 - length - size)) & ((1u << size) - 1), size);
    } else {
        reader.Consume(length);
        *pValue = ExtendValue(reader.ReadBits(size), size);
    }
    return symbol;
}

BOOL DecodeCoefficients(JpegBitReader& reader, const HuffmanDecoder& dcTable, const HuffmanDecoder& acTable,
                        const BYTE* pZigZag, LONG* pPredictor, LONG* pBlock)
{
    // A DC symbol is the size of the difference; an AC symbol holds a run of
    // zeros in its high nibble and the size in its low one.
    LONG difference = 0;
    int size = DecodeSymbolAndValue<kMaxDcCodeLength>(reader, dcTable, 0xFF, &difference);
    if (size < 0 || size > kMaxValueSize) return FALSE;
    // Wrapping keeps a hostile run of differences defined; real pictures stay far inside.
    *pPredictor = static_cast<LONG>(static_cast<DWORD>(*pPredictor) + static_cast<DWORD>(difference));
    pBlock[0] = *pPredictor;

    for (int k = 1; k < 64;) {
        LONG value = 0;
        int symbol = DecodeSymbolAndValue<kMaxAcCodeLength>(reader, acTable, 0x0F, &value);
        if (symbol < 0) return FALSE;
        if (symbol == kEndOfBlock) break;
        int run = symbol >> 4;
        if (symbol == kSixteenZeros) {
            if (k + 16 > 64) return FALSE;
            k += 16;
            continue;
        }
        if (k + run > 63) return FALSE;
        k += run;
        pBlock[pZigZag[k]] = value;
        ++k;
    }
    return TRUE;
}

}  // namespace

BOOL DecodeBlock(JpegBitReader& reader, const HuffmanDecoder& dcTable, const HuffmanDecoder& acTable,
                 const BYTE* pZigZag, LONG* pPredictor, LONG* pBlock)
{
    memset(pBlock, 0, 64 * sizeof(LONG));
    // A local reader stays in registers: the stores into the block could
    // otherwise alias its fields.
    JpegBitReader local = reader;
    BOOL bDecoded = DecodeCoefficients(local, dcTable, acTable, pZigZag, pPredictor, pBlock);
    reader = local;
    return bDecoded;
}

// ---- JpegScan
// The entropy-coded scan: MCU after MCU, four blocks each (Y, Y, Cb, Cr),
// reconstructed and stored as soon as they are decoded.

namespace {

constexpr int kBlocksPerMcu = 4;
constexpr SIZE_T kWorkspaceSize = kBlocksPerMcu * 64 * sizeof(LONG);
// Scan component of each block of the MCU: both Y blocks share the Y tables
// and the Y predictor.
constexpr int kBlockComponent[kBlocksPerMcu] = {0, 0, 1, 2};

}  // namespace

BOOL CJpegDecoder::DecodeScan(const BYTE* pData, DWORD& dwPosition)
{
    // Scan data before the frame header has nowhere to go.
    if (!m_pPixels || !m_pComponentMap) return FALSE;

    HuffmanDecoder tables[2][2];  // [AC?][table number]
    const HuffmanDecoder* pDc[3];
    const HuffmanDecoder* pAc[3];
    for (int component = 0; component < 3; ++component) {
        int dcNumber = m_ScanSelectors[component][0];
        int acNumber = m_ScanSelectors[component][1];
        if (dcNumber > 1 || acNumber > 1 || !m_pDcTables[dcNumber] || !m_pAcTables[acNumber]) return FALSE;
        pDc[component] = &tables[0][dcNumber];
        pAc[component] = &tables[1][acNumber];
    }
    for (int number = 0; number < 2; ++number) {
        if (m_pDcTables[number])
            PrepareHuffmanDecoder(*m_pDcTables[number], pData + m_dwValuePositions[number], &tables[0][number]);
        if (m_pAcTables[number])
            PrepareHuffmanDecoder(*m_pAcTables[number], pData + m_dwValuePositions[2 + number], &tables[1][number]);
    }

    auto* pWorkspace = static_cast<LONG*>(HeapAlloc(GetProcessHeap(), 0, kWorkspaceSize));
    if (!pWorkspace) return FALSE;
    JpegBitReader reader(pData, m_dwDataLength, dwPosition);
    BOOL bDecoded = TRUE;
    LONG mcuCount = (m_nFrameHeight / 8) * (m_nFrameWidth / 16);
    for (LONG mcu = 0; mcu < mcuCount && bDecoded; ++mcu) {
        for (int block = 0; block < kBlocksPerMcu && bDecoded; ++block) {
            int component = kBlockComponent[block];
            bDecoded = DecodeBlock(reader, *pDc[component], *pAc[component], m_ZigZag, &m_nDcPredictors[component],
                                   pWorkspace + 64 * block);
        }
        if (!bDecoded) break;
        // Both Y blocks use the quantisation table of component 1.
        for (int block = 0; block < kBlocksPerMcu; ++block)
            ReconstructBlock(pWorkspace + 64 * block, m_QuantTables[m_pComponentMap[kBlockComponent[block]]]);
        // An MCU made of bits beyond the data is not part of the picture.
        bDecoded = !reader.Overrun() && StoreMcu(pWorkspace);
    }
    dwPosition = reader.EndPosition();
    HeapFree(GetProcessHeap(), 0, pWorkspace);
    return bDecoded;
}

// ---- JpegIdct
// Dequantisation, the integer inverse DCT and the level shift of a block.
//
// The inverse DCT is the separable algorithm of Loeffler, Ligtenberg and
// Moschytz with 13-bit constants: rows first, keeping two extra fractional
// bits, then columns. Its arithmetic is 32-bit with two's-complement wrap, so
// that hostile coefficients stay defined; real pictures never come near it.

namespace {

typedef DWORD Wrapping;  // 32-bit value whose operations wrap

constexpr Wrapping Constant(LONG value) { return static_cast<Wrapping>(value); }

constexpr Wrapping k0_298631336 = Constant(2446);
constexpr Wrapping k0_390180644 = Constant(3196);
constexpr Wrapping k0_541196100 = Constant(4433);
constexpr Wrapping k0_765366865 = Constant(6270);
constexpr Wrapping k0_899976223 = Constant(7373);
constexpr Wrapping k1_175875602 = Constant(9633);
constexpr Wrapping k1_501321110 = Constant(12299);
constexpr Wrapping k1_847759065 = Constant(15137);
constexpr Wrapping k1_961570560 = Constant(16069);
constexpr Wrapping k2_053119869 = Constant(16819);
constexpr Wrapping k2_562915447 = Constant(20995);
constexpr Wrapping k3_072711026 = Constant(25172);
constexpr Wrapping kUnit = Constant(8192);

constexpr Wrapping kRowRounding = 1024;
constexpr int kRowShift = 11;
constexpr Wrapping kColumnRounding = 131072;
constexpr int kColumnShift = 18;
constexpr Wrapping kLevelShift = 128;

// Arithmetic shift of the signed value (rounding towards minus infinity),
// then the level shift if any.
inline LONG Descale(Wrapping value, int shift, Wrapping levelShift)
{
    return static_cast<LONG>((static_cast<Wrapping>(static_cast<LONG>(value) >> shift)) + levelShift);
}

// One 1-D transform of eight values spaced Stride apart, in place. A block
// of the scan is dequantised as its rows are read (pQuant) and level-shifted
// as its columns are written (levelShift), so that it is walked only twice.
template <int Stride, bool Dequantise>
inline void Transform(LONG* p, const BYTE* pQuant, Wrapping rounding, int shift, Wrapping levelShift)
{
    Wrapping x0 = p[0], x1 = p[Stride], x2 = p[2 * Stride], x3 = p[3 * Stride];
    Wrapping x4 = p[4 * Stride], x5 = p[5 * Stride], x6 = p[6 * Stride], x7 = p[7 * Stride];
    if (Dequantise) {
        x0 *= pQuant[0], x1 *= pQuant[1], x2 *= pQuant[2], x3 *= pQuant[3];
        x4 *= pQuant[4], x5 *= pQuant[5], x6 *= pQuant[6], x7 *= pQuant[7];
    }

    Wrapping z1 = (x2 + x6) * k0_541196100;
    Wrapping t2 = z1 - x6 * k1_847759065;
    Wrapping t3 = z1 + x2 * k0_765366865;
    Wrapping t0 = (x0 + x4) * kUnit;
    Wrapping t1 = (x0 - x4) * kUnit;
    Wrapping t10 = t0 + t3 + rounding;
    Wrapping t13 = t0 - t3 + rounding;
    Wrapping t11 = t1 + t2 + rounding;
    Wrapping t12 = t1 - t2 + rounding;

    Wrapping p0 = x7, p1 = x5, p2 = x3, p3 = x1;
    z1 = p0 + p3;
    Wrapping z2 = p1 + p2;
    Wrapping z3 = p0 + p2;
    Wrapping z4 = p1 + p3;
    Wrapping z5 = (z3 + z4) * k1_175875602;
    p0 *= k0_298631336;
    p1 *= k2_053119869;
    p2 *= k3_072711026;
    p3 *= k1_501321110;
    z1 *= -k0_899976223;
    z2 *= -k2_562915447;
    z3 = z3 * -k1_961570560 + z5;
    z4 = z4 * -k0_390180644 + z5;
    p0 += z1 + z3;
    p1 += z2 + z4;
    p2 += z2 + z3;
    p3 += z1 + z4;

    p[0] = Descale(t10 + p3, shift, levelShift);
    p[7 * Stride] = Descale(t10 - p3, shift, levelShift);
    p[Stride] = Descale(t11 + p2, shift, levelShift);
    p[6 * Stride] = Descale(t11 - p2, shift, levelShift);
    p[2 * Stride] = Descale(t12 + p1, shift, levelShift);
    p[5 * Stride] = Descale(t12 - p1, shift, levelShift);
    p[3 * Stride] = Descale(t13 + p0, shift, levelShift);
    p[4 * Stride] = Descale(t13 - p0, shift, levelShift);
}

template <bool Reconstruct>
inline void Idct(LONG* pBlock, const BYTE* pQuant)
{
    for (int row = 0; row < 8; ++row) {
        const BYTE* pRowQuant = Reconstruct ? pQuant + 8 * row : nullptr;
        Transform<1, Reconstruct>(pBlock + 8 * row, pRowQuant, kRowRounding, kRowShift, 0);
    }
    for (int column = 0; column < 8; ++column)
        Transform<8, false>(pBlock + column, nullptr, kColumnRounding, kColumnShift, Reconstruct ? kLevelShift : 0);
}

}  // namespace

void CJpegDecoder::InverseDct(LONG* pBlock) { Idct<false>(pBlock, nullptr); }

void CJpegDecoder::ReconstructBlock(LONG* pBlock, const BYTE* pQuant) { Idct<true>(pBlock, pQuant); }

// ---- JpegColor
// Colour conversion of one MCU and its placement in the bottom-up output.

namespace {

constexpr int kMcuWidth = 16;
constexpr int kMcuHeight = 8;

inline BYTE Clamp(LONGLONG value) { return static_cast<BYTE>(value < 0 ? 0 : (value > 255 ? 255 : value)); }

// Chrominance terms shared by the two pixels that one Cb, Cr pair covers.
// Each product is formed in double precision and truncated towards zero on
// its own; 64 bits hold them whatever the samples.
struct ChromaTerms {
    LONGLONG blue;
    LONGLONG green;
    LONGLONG red;
};

inline ChromaTerms ChromaFor(LONG cb, LONG cr)
{
    double cbCentred = static_cast<double>(cb) - 128.0;
    double crCentred = static_cast<double>(cr) - 128.0;
    ChromaTerms terms;
    terms.blue = static_cast<LONGLONG>(1.772 * cbCentred);
    terms.green = -static_cast<LONGLONG>(0.71414 * crCentred) - static_cast<LONGLONG>(0.34414 * cbCentred);
    terms.red = static_cast<LONGLONG>(1.402 * crCentred);
    return terms;
}

inline void StorePixel(BYTE* pPixel, LONG y, const ChromaTerms& terms)
{
    pPixel[0] = Clamp(y + terms.blue);
    pPixel[1] = Clamp(y + terms.green);
    pPixel[2] = Clamp(y + terms.red);
}

}  // namespace

BOOL CJpegDecoder::StoreMcu(const LONG* pWorkspace)
{
    LONG blockColumns = m_nFrameWidth / 8;
    LONG x0 = (m_nMcuCounter % blockColumns) * 8;
    LONG y0 = (m_nMcuCounter / blockColumns) * 8;
    // More MCUs than the frame holds (a second scan): nothing may be written.
    if (y0 + kMcuHeight > m_nFrameHeight) return FALSE;
    m_nWriteOffset = ((m_nFrameHeight - 1 - y0) * m_nFrameWidth + x0) * 3;
    m_nMcuCounter += 2;

    const LONG* pLeftY = pWorkspace;
    const LONG* pRightY = pWorkspace + 64;
    const LONG* pCb = pWorkspace + 128;
    const LONG* pCr = pWorkspace + 192;
    LONG rowBytes = m_nFrameWidth * 3;
    for (int row = 0; row < kMcuHeight; ++row) {
        BYTE* pPixel = m_pPixels + m_nWriteOffset - row * rowBytes;
        for (int pair = 0; pair < kMcuWidth / 2; ++pair, pPixel += 6) {
            // Pixels 0-7 take Y from the left block, 8-15 from the right one;
            // each Cb, Cr sample serves two neighbouring pixels.
            const LONG* pY = (pair < 4 ? pLeftY + 2 * pair : pRightY + 2 * (pair - 4)) + 8 * row;
            ChromaTerms terms = ChromaFor(pCb[8 * row + pair], pCr[8 * row + pair]);
            StorePixel(pPixel, pY[0], terms);
            StorePixel(pPixel + 3, pY[1], terms);
        }
    }
    return TRUE;
}

// ---- JpegMarkers
// Marker dispatch and the segments that set the decoder up: tables, frame
// and scan headers. Every segment is checked against the input before it is
// read, since the streams come from the camera.



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
        ::CJpegDecoder::FailFatally("Not enough memory");
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

}  // namespace jpegreference
