// Colour conversion of one MCU and its placement in the bottom-up output.
#include "JpegColor.h"

#include "JpegDecoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kMcuWidth = 16;
constexpr int kMcuHeight = 8;

inline BYTE Clamp(LONGLONG value) { return static_cast<BYTE>(value < 0 ? 0 : (value > 255 ? 255 : value)); }

// Pixels 0-7 of an MCU row take Y from the left block, 8-15 from the right
// one; each Cb, Cr sample serves two neighbouring pixels.
inline const LONG* LumaOfPair(const LONG* pSamples, int row, int pair)
{
    return (pair < 4 ? pSamples + 2 * pair : pSamples + 64 + 2 * (pair - 4)) + 8 * row;
}

// The MCU by the arithmetic itself, for samples of any size.
void StoreByArithmetic(const LONG* pSamples, BYTE* pTopRow, LONG rowBytes)
{
    for (int row = 0; row < kMcuHeight; ++row) {
        BYTE* pPixel = pTopRow - row * rowBytes;
        for (int pair = 0; pair < kMcuWidth / 2; ++pair, pPixel += 6) {
            const LONG* pY = LumaOfPair(pSamples, row, pair);
            ChromaTerms terms = ComputeChromaTerms(pSamples[128 + 8 * row + pair], pSamples[192 + 8 * row + pair]);
            for (int i = 0; i < 2; ++i) {
                pPixel[3 * i] = Clamp(pY[i] + terms.blue);
                pPixel[3 * i + 1] = Clamp(pY[i] + terms.green);
                pPixel[3 * i + 2] = Clamp(pY[i] + terms.red);
            }
        }
    }
}

#if defined(__SSE2__)
// Eight rows of sixteen pixels with 32-bit lanes, four to a register. While
// every sample fits in 16 bits, each truncated product fits in 32 bits and
// so does each sum, and the saturating packs to 16 and then to 8 bits clamp
// exactly as the arithmetic does.
namespace packed {

struct Terms {
    __m128i blue[2], green[2], red[2];  // pairs 0-3 and 4-7
};

// trunc(factor x (sample - 128)) of four samples, as doubles, two at a time.
inline __m128i TruncatedProducts(__m128i centred, __m128d factor)
{
    __m128d low = _mm_mul_pd(_mm_cvtepi32_pd(centred), factor);
    __m128d high = _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(centred, 8)), factor);
    return _mm_unpacklo_epi64(_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high));
}

inline Terms TermsOfRow(const __m128i cb[2], const __m128i cr[2])
{
    const __m128i kCentre = _mm_set1_epi32(128);
    Terms terms;
    for (int half = 0; half < 2; ++half) {
        __m128i cbCentred = _mm_sub_epi32(cb[half], kCentre);
        __m128i crCentred = _mm_sub_epi32(cr[half], kCentre);
        terms.blue[half] = TruncatedProducts(cbCentred, _mm_set1_pd(1.772));
        terms.red[half] = TruncatedProducts(crCentred, _mm_set1_pd(1.402));
        __m128i greenCr = TruncatedProducts(crCentred, _mm_set1_pd(0.71414));
        __m128i greenCb = TruncatedProducts(cbCentred, _mm_set1_pd(0.34414));
        terms.green[half] = _mm_sub_epi32(_mm_sub_epi32(_mm_setzero_si128(), greenCr), greenCb);
    }
    return terms;
}

// Gathers 32-bit lanes moved by 2^15: a lane outside the 16-bit range
// leaves bits above the low 16.
inline __m128i Gather(__m128i gathered, __m128i value)
{
    return _mm_or_si128(gathered, _mm_add_epi32(value, _mm_set1_epi32(0x8000)));
}

// Sixteen clamped bytes of one channel: luminance plus each pair's term.
inline __m128i Channel(const __m128i y[4], const __m128i term[2])
{
    __m128i sums[4];
    for (int half = 0; half < 2; ++half) {
        sums[2 * half] = _mm_add_epi32(y[2 * half], _mm_unpacklo_epi32(term[half], term[half]));
        sums[2 * half + 1] = _mm_add_epi32(y[2 * half + 1], _mm_unpackhi_epi32(term[half], term[half]));
    }
    return _mm_packus_epi16(_mm_packs_epi32(sums[0], sums[1]), _mm_packs_epi32(sums[2], sums[3]));
}

// Four pixels of four bytes (blue, green, red, 0) made twelve bytes, in the
// low 12 bytes of the result.
inline __m128i Squeeze(__m128i pixels)
{
    const __m128i kFirstOfLane = _mm_set1_epi64x(0x0000000000FFFFFFll);
    const __m128i kSecondOfLane = _mm_set1_epi64x(0x0000FFFFFF000000ll);
    // Each 64-bit lane: its two pixels as six bytes.
    __m128i lanes = _mm_or_si128(_mm_and_si128(pixels, kFirstOfLane),
                                 _mm_and_si128(_mm_srli_epi64(pixels, 8), kSecondOfLane));
    const __m128i kLowSix = _mm_set_epi32(0, 0, 0x0000FFFF, -1);
    return _mm_or_si128(_mm_and_si128(lanes, kLowSix), _mm_andnot_si128(kLowSix, _mm_srli_si128(lanes, 2)));
}

// One row of the MCU, 48 bytes; FALSE, with nothing written, when a sample
// does not fit in 16 bits.
inline bool StoreRow(const LONG* pSamples, int row, BYTE* pOut)
{
    auto load = [](const LONG* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    __m128i y[4] = {load(pSamples + 8 * row), load(pSamples + 8 * row + 4), load(pSamples + 64 + 8 * row),
                    load(pSamples + 64 + 8 * row + 4)};
    __m128i cb[2] = {load(pSamples + 128 + 8 * row), load(pSamples + 128 + 8 * row + 4)};
    __m128i cr[2] = {load(pSamples + 192 + 8 * row), load(pSamples + 192 + 8 * row + 4)};
    __m128i gathered = Gather(Gather(Gather(Gather(_mm_setzero_si128(), y[0]), y[1]), y[2]), y[3]);
    gathered = Gather(Gather(Gather(Gather(gathered, cb[0]), cb[1]), cr[0]), cr[1]);
    __m128i high = _mm_srli_epi32(gathered, 16);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(high, _mm_setzero_si128())) != 0xFFFF) return false;

    Terms terms = TermsOfRow(cb, cr);
    __m128i blue = Channel(y, terms.blue);
    __m128i green = Channel(y, terms.green);
    __m128i red = Channel(y, terms.red);
    __m128i blueGreenLow = _mm_unpacklo_epi8(blue, green), blueGreenHigh = _mm_unpackhi_epi8(blue, green);
    __m128i redLow = _mm_unpacklo_epi8(red, _mm_setzero_si128());
    __m128i redHigh = _mm_unpackhi_epi8(red, _mm_setzero_si128());
    __m128i quarters[4] = {Squeeze(_mm_unpacklo_epi16(blueGreenLow, redLow)),
                           Squeeze(_mm_unpackhi_epi16(blueGreenLow, redLow)),
                           Squeeze(_mm_unpacklo_epi16(blueGreenHigh, redHigh)),
                           Squeeze(_mm_unpackhi_epi16(blueGreenHigh, redHigh))};
    // Each store's last four bytes are overwritten by the next; the last
    // quarter is stored as exactly twelve bytes.
    for (int i = 0; i < 3; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + 12 * i), quarters[i]);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(pOut + 36), quarters[3]);
    int last = _mm_cvtsi128_si32(_mm_srli_si128(quarters[3], 8));
    memcpy(pOut + 44, &last, 4);
    return true;
}

}  // namespace packed
#endif

// FALSE when some sample is too large for the vector path; rows may then
// have been written, and the arithmetic writes them again.
bool StoreByVectors(const LONG* pSamples, BYTE* pTopRow, LONG rowBytes)
{
#if defined(__SSE2__)
    for (int row = 0; row < kMcuHeight; ++row)
        if (!packed::StoreRow(pSamples, row, pTopRow - row * rowBytes)) return false;
    return true;
#else
    (void)pSamples, (void)pTopRow, (void)rowBytes;
    return false;
#endif
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

BOOL ComputeChromaTermsOfRow(const LONG* pCb, const LONG* pCr, LONG* pBlue, LONG* pGreen, LONG* pRed)
{
#if defined(__SSE2__)
    auto load = [](const LONG* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    __m128i cb[2] = {load(pCb), load(pCb + 4)};
    __m128i cr[2] = {load(pCr), load(pCr + 4)};
    packed::Terms terms = packed::TermsOfRow(cb, cr);
    for (int half = 0; half < 2; ++half) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pBlue + 4 * half), terms.blue[half]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pGreen + 4 * half), terms.green[half]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pRed + 4 * half), terms.red[half]);
    }
    return TRUE;
#else
    (void)pCb, (void)pCr, (void)pBlue, (void)pGreen, (void)pRed;
    return FALSE;
#endif
}

BOOL CJpegDecoder::StoreMcu(const LONG* pSamples)
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
    if (!StoreByVectors(pSamples, pTopRow, rowBytes)) StoreByArithmetic(pSamples, pTopRow, rowBytes);
    return TRUE;
}
