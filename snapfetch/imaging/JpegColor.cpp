// Colour conversion of one MCU and its placement in the bottom-up output.
#include "JpegDecoder.h"

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
