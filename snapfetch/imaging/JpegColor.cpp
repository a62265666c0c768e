// Colour conversion of one MCU and its placement in the bottom-up output.
#include "JpegColor.h"

#include "JpegDecoder.h"

#include <string.h>

namespace {

constexpr int kMcuWidth = 16;
constexpr int kMcuHeight = 8;

inline BYTE Clamp(LONGLONG value) { return static_cast<BYTE>(value < 0 ? 0 : (value > 255 ? 255 : value)); }

ChromaTables BuildChromaTables()
{
    ChromaTables tables;
    for (LONG i = 0; i < ChromaTables::kSize; ++i) {
        ChromaTerms terms = ComputeChromaTerms(ChromaTables::kLowest + i, 128);
        tables.blue[i] = static_cast<SHORT>(terms.blue);
        tables.greenCb[i] = static_cast<SHORT>(terms.green);
        terms = ComputeChromaTerms(128, ChromaTables::kLowest + i);
        tables.greenCr[i] = static_cast<SHORT>(terms.green);
        tables.red[i] = static_cast<SHORT>(terms.red);
    }
    for (LONG i = 0; i < ChromaTables::kClampSize; ++i) tables.clamp[i] = Clamp(ChromaTables::kClampLowest + i);
    return tables;
}

// Pixels 0-7 of an MCU row take Y from the left block, 8-15 from the right
// one; each Cb, Cr sample serves two neighbouring pixels.
inline const LONG* LumaOfPair(const LONG* pWorkspace, int row, int pair)
{
    return (pair < 4 ? pWorkspace + 2 * pair : pWorkspace + 64 + 2 * (pair - 4)) + 8 * row;
}

// The MCU through the tables. FALSE, with the rows written but wrong, when
// a sample lies outside the tables' range: the bits of each sample moved to
// the range's start are gathered, and a sample outside sets one above it.
// Each pixel is stored as four bytes, the fourth overwritten by the next
// pixel, except the last of each row.
BOOL StoreThroughTables(const LONG* pWorkspace, BYTE* pTopRow, LONG rowBytes)
{
    const ChromaTables& tables = GetChromaTables();
    const BYTE* pClamp = tables.clamp - ChromaTables::kClampLowest;
    constexpr DWORD kIndexMask = ChromaTables::kSize - 1;
    auto index = [](LONG sample) { return static_cast<DWORD>(sample - ChromaTables::kLowest); };
    auto pixel = [pClamp](LONG y, LONG blue, LONG green, LONG red) {
        return static_cast<DWORD>(pClamp[y + blue]) | static_cast<DWORD>(pClamp[y + green]) << 8 |
               static_cast<DWORD>(pClamp[y + red]) << 16;
    };
    DWORD gathered = 0;
    for (int row = 0; row < kMcuHeight; ++row) {
        BYTE* pPixel = pTopRow - row * rowBytes;
        const LONG* pCb = pWorkspace + 128 + 8 * row;
        const LONG* pCr = pWorkspace + 192 + 8 * row;
        DWORD last = 0;
        for (int pair = 0; pair < kMcuWidth / 2; ++pair, pPixel += 6) {
            const LONG* pY = LumaOfPair(pWorkspace, row, pair);
            LONG y0 = pY[0], y1 = pY[1];
            DWORD cb = index(pCb[pair]), cr = index(pCr[pair]);
            gathered |= cb | cr | index(y0) | index(y1);
            cb &= kIndexMask;
            cr &= kIndexMask;
            // Out of range, the luminance only has to stay inside the clamp table.
            y0 = static_cast<LONG>(index(y0) & kIndexMask) + ChromaTables::kLowest;
            y1 = static_cast<LONG>(index(y1) & kIndexMask) + ChromaTables::kLowest;
            LONG blue = tables.blue[cb];
            LONG green = tables.greenCr[cr] + tables.greenCb[cb];
            LONG red = tables.red[cr];
            DWORD first = pixel(y0, blue, green, red);
            memcpy(pPixel, &first, 4);
            last = pixel(y1, blue, green, red);
            if (pair < kMcuWidth / 2 - 1) memcpy(pPixel + 3, &last, 4);
        }
        pPixel -= 3;
        memcpy(pPixel, &last, 2);
        pPixel[2] = static_cast<BYTE>(last >> 16);
    }
    return (gathered & ~kIndexMask) == 0;
}

// The MCU by the arithmetic itself, for samples of any size.
void StoreByArithmetic(const LONG* pWorkspace, BYTE* pTopRow, LONG rowBytes)
{
    for (int row = 0; row < kMcuHeight; ++row) {
        BYTE* pPixel = pTopRow - row * rowBytes;
        for (int pair = 0; pair < kMcuWidth / 2; ++pair, pPixel += 6) {
            const LONG* pY = LumaOfPair(pWorkspace, row, pair);
            ChromaTerms terms = ComputeChromaTerms(pWorkspace[128 + 8 * row + pair], pWorkspace[192 + 8 * row + pair]);
            for (int i = 0; i < 2; ++i) {
                pPixel[3 * i] = Clamp(pY[i] + terms.blue);
                pPixel[3 * i + 1] = Clamp(pY[i] + terms.green);
                pPixel[3 * i + 2] = Clamp(pY[i] + terms.red);
            }
        }
    }
}

}  // namespace

ChromaTerms ComputeChromaTerms(LONG cb, LONG cr)
{
    // 64 bits hold the truncated products whatever the samples.
    double cbCentred = static_cast<double>(cb) - 128.0;
    double crCentred = static_cast<double>(cr) - 128.0;
    ChromaTerms terms;
    terms.blue = static_cast<LONGLONG>(1.772 * cbCentred);
    terms.green = -static_cast<LONGLONG>(0.71414 * crCentred) - static_cast<LONGLONG>(0.34414 * cbCentred);
    terms.red = static_cast<LONGLONG>(1.402 * crCentred);
    return terms;
}

const ChromaTables& GetChromaTables()
{
    static const ChromaTables tables = BuildChromaTables();
    return tables;
}

BOOL CJpegDecoder::StoreMcu(const LONG* pWorkspace)
{
    LONG blockColumns = m_nFrameWidth / 8;
    LONG x0 = (m_nMcuCounter % blockColumns) * 8;
    LONG y0 = (m_nMcuCounter / blockColumns) * 8;
    // More MCUs than the frame holds (a second scan): nothing may be written.
    if (y0 + kMcuHeight > m_nFrameHeight) return FALSE;
    m_nWriteOffset = ((m_nFrameHeight - 1 - y0) * m_nFrameWidth + x0) * 3;
    m_nMcuCounter += 2;

    BYTE* pTopRow = m_pPixels + m_nWriteOffset;
    LONG rowBytes = m_nFrameWidth * 3;
    if (!StoreThroughTables(pWorkspace, pTopRow, rowBytes)) StoreByArithmetic(pWorkspace, pTopRow, rowBytes);
    return TRUE;
}
