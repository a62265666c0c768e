// The integer inverse DCT and the level shift of a block, whose coefficients
// arrive dequantised.
//
// The inverse DCT is the separable algorithm of Loeffler, Ligtenberg and
// Moschytz with 13-bit constants: rows first, keeping two extra fractional
// bits, then columns. Its arithmetic is 32-bit with two's-complement wrap, so
// that hostile coefficients stay defined; real pictures never come near it.
// Blocks whose values fit in 16 bits go through vector registers eight lanes
// at a time; the others, and machines without those registers, through the
// plain transform, which skips the work that rows of zeros make unneeded.
#include "JpegDecoder.h"

#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Arithmetic shift of the signed value (rounding towards minus infinity).
inline LONG Descale(Wrapping value, int shift) { return static_cast<LONG>(value) >> shift; }

// One 1-D transform of eight values, with a rounding constant added before
// the descaling shift. Written once for plain values and once for
// vectors of eight lanes, each lane its own transform with the same integers.
template <typename Value>
struct Transformed {
    Value y[8];
};

template <typename Value, typename Descaler>
inline Transformed<Value> Transform(const Value x[8], Wrapping rounding, Descaler descale)
{
    Value z1 = (x[2] + x[6]) * k0_541196100;
    Value t2 = z1 - x[6] * k1_847759065;
    Value t3 = z1 + x[2] * k0_765366865;
    Value t0 = (x[0] + x[4]) * kUnit;
    Value t1 = (x[0] - x[4]) * kUnit;
    Value t10 = t0 + t3 + rounding;
    Value t13 = t0 - t3 + rounding;
    Value t11 = t1 + t2 + rounding;
    Value t12 = t1 - t2 + rounding;

    Value p0 = x[7], p1 = x[5], p2 = x[3], p3 = x[1];
    z1 = p0 + p3;
    Value z2 = p1 + p2;
    Value z3 = p0 + p2;
    Value z4 = p1 + p3;
    Value z5 = (z3 + z4) * k1_175875602;
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

    return {{descale(t10 + p3), descale(t11 + p2), descale(t12 + p1), descale(t13 + p0), descale(t13 - p0),
             descale(t12 - p1), descale(t11 - p2), descale(t10 - p3)}};
}

// Four columns side by side, one per lane (the width of the baseline vector
// registers).
constexpr int kLanes = 4;
typedef Wrapping Columns __attribute__((vector_size(kLanes * sizeof(Wrapping))));
typedef LONG SignedColumns __attribute__((vector_size(kLanes * sizeof(LONG))));

// First pass, over each row of pIn into pOut (which may be pIn). A row
// whose AC coefficients are all zero gives its rounded DC in all eight
// places, as the full transform would. With Clear, pIn is left all zero for
// the next block. Returns a mask of the rows that are not all zero in pOut.
template <bool Clear>
inline int TransformRows(LONG* pIn, LONG* pOut)
{
    int nonzeroRows = 0;
    for (int row = 0; row < 8; ++row) {
        LONG* p = pIn + 8 * row;
        LONG* q = pOut + 8 * row;
        Wrapping x[8];
        for (int i = 0; i < 8; ++i) x[i] = static_cast<Wrapping>(p[i]);
        if (Clear) memset(p, 0, 8 * sizeof(LONG));
        if ((x[1] | x[2] | x[3] | x[4] | x[5] | x[6] | x[7]) == 0) {
            LONG value = Descale(x[0] * kUnit + kRowRounding, kRowShift);
            for (int i = 0; i < 8; ++i) q[i] = value;
            if (value != 0) nonzeroRows |= 1 << row;
        } else {
            auto descale = [](Wrapping v) { return static_cast<Wrapping>(Descale(v, kRowShift)); };
            Transformed<Wrapping> out = Transform(x, kRowRounding, descale);
            for (int i = 0; i < 8; ++i) q[i] = static_cast<LONG>(out.y[i]);
            nonzeroRows |= 1 << row;
        }
    }
    return nonzeroRows;
}

// Second pass, over four columns at once, then the level shift.
inline void TransformColumns(LONG* pBlock, int nonzeroRows, Wrapping levelShift)
{
    // A vector cast keeps the bits, as the scalar casts do.
    auto descale = [](Columns v) { return (Columns)((SignedColumns)v >> kColumnShift); };
    for (int column = 0; column < 8; column += kLanes) {
        Columns x[8];
        for (int row = 0; row < 8; ++row) memcpy(&x[row], pBlock + 8 * row + column, sizeof(Columns));
        Transformed<Columns> out;
        if ((nonzeroRows & 0xFE) == 0) {
            // Only the first row: each column's transform is its rounded first value.
            Columns value = descale(x[0] * kUnit + kColumnRounding);
            for (Columns& y : out.y) y = value;
        } else {
            out = Transform(x, kColumnRounding, descale);
        }
        for (int row = 0; row < 8; ++row) {
            Columns shifted = out.y[row] + levelShift;
            memcpy(pBlock + 8 * row + column, &shifted, sizeof(Columns));
        }
    }
}


#if defined(__SSE2__)
// The same transform on 16-bit values, eight lanes to a register, with the
// multiply-and-add of pairs of 16-bit lanes into 32-bit sums. Each output of
// the 1-D transform is a sum of products of the eight inputs with integer
// constants, and 32-bit wrapping addition and multiplication give the same
// sum in any grouping; so the products are regrouped into pairs of inputs
// with combined constants, and the 32-bit results are those of the plain
// transform to the bit. It applies while the inputs of each pass fit in 16
// bits, which the caller checks; real pictures always do.
namespace packed {

// Two 16-bit constants for the pair (a, b) of a multiply-and-add.
inline __m128i Pair(int a, int b) { return _mm_set1_epi32(static_cast<int>(static_cast<DWORD>(b) << 16 | (a & 0xFFFF))); }

struct Outputs {
    __m128i y[8];  // 32-bit, four lanes
};

// The transform of four lanes from pairs of inputs interleaved by the caller:
// (x0, x4), (x2, x6), (x7, x5), (x3, x1).
template <int Shift>
[[gnu::always_inline]] inline Outputs Transform(__m128i x04, __m128i x26, __m128i x75, __m128i x31, __m128i rounding)
{
    __m128i t0 = _mm_madd_epi16(x04, Pair(8192, 8192));
    __m128i t1 = _mm_madd_epi16(x04, Pair(8192, -8192));
    __m128i t2 = _mm_madd_epi16(x26, Pair(4433, 4433 - 15137));
    __m128i t3 = _mm_madd_epi16(x26, Pair(4433 + 6270, 4433));
    __m128i t10 = _mm_add_epi32(_mm_add_epi32(t0, t3), rounding);
    __m128i t13 = _mm_add_epi32(_mm_sub_epi32(t0, t3), rounding);
    __m128i t11 = _mm_add_epi32(_mm_add_epi32(t1, t2), rounding);
    __m128i t12 = _mm_add_epi32(_mm_sub_epi32(t1, t2), rounding);
    // The odd part with z1 ... z5 multiplied out: p0 = x7, p1 = x5, p2 = x3, p3 = x1.
    __m128i p0 = _mm_add_epi32(_mm_madd_epi16(x75, Pair(2446 - 7373 - 16069 + 9633, 9633)),
                               _mm_madd_epi16(x31, Pair(9633 - 16069, 9633 - 7373)));
    __m128i p1 = _mm_add_epi32(_mm_madd_epi16(x75, Pair(9633, 16819 - 20995 - 3196 + 9633)),
                               _mm_madd_epi16(x31, Pair(9633 - 20995, 9633 - 3196)));
    __m128i p2 = _mm_add_epi32(_mm_madd_epi16(x75, Pair(9633 - 16069, 9633 - 20995)),
                               _mm_madd_epi16(x31, Pair(25172 - 20995 - 16069 + 9633, 9633)));
    __m128i p3 = _mm_add_epi32(_mm_madd_epi16(x75, Pair(9633 - 7373, 9633 - 3196)),
                               _mm_madd_epi16(x31, Pair(9633, 12299 - 7373 - 3196 + 9633)));
    Outputs out;
    out.y[0] = _mm_srai_epi32(_mm_add_epi32(t10, p3), Shift);
    out.y[7] = _mm_srai_epi32(_mm_sub_epi32(t10, p3), Shift);
    out.y[1] = _mm_srai_epi32(_mm_add_epi32(t11, p2), Shift);
    out.y[6] = _mm_srai_epi32(_mm_sub_epi32(t11, p2), Shift);
    out.y[2] = _mm_srai_epi32(_mm_add_epi32(t12, p1), Shift);
    out.y[5] = _mm_srai_epi32(_mm_sub_epi32(t12, p1), Shift);
    out.y[3] = _mm_srai_epi32(_mm_add_epi32(t13, p0), Shift);
    out.y[4] = _mm_srai_epi32(_mm_sub_epi32(t13, p0), Shift);
    return out;
}

// One pass over eight lanes of 16-bit inputs: the outputs of lanes 0-3 in
// low, of lanes 4-7 in high.
template <int Shift>
[[gnu::always_inline]] inline void Pass(const __m128i x[8], Wrapping rounding, Outputs* pLow, Outputs* pHigh)
{
    __m128i round = _mm_set1_epi32(static_cast<int>(rounding));
    *pLow = Transform<Shift>(_mm_unpacklo_epi16(x[0], x[4]), _mm_unpacklo_epi16(x[2], x[6]),
                             _mm_unpacklo_epi16(x[7], x[5]), _mm_unpacklo_epi16(x[3], x[1]), round);
    *pHigh = Transform<Shift>(_mm_unpackhi_epi16(x[0], x[4]), _mm_unpackhi_epi16(x[2], x[6]),
                              _mm_unpackhi_epi16(x[7], x[5]), _mm_unpackhi_epi16(x[3], x[1]), round);
}

[[gnu::always_inline]] inline void Transpose(__m128i r[8])
{
    __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
    __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
    __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
    __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
    __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    r[0] = _mm_unpacklo_epi64(b0, b4), r[1] = _mm_unpackhi_epi64(b0, b4);
    r[2] = _mm_unpacklo_epi64(b1, b5), r[3] = _mm_unpackhi_epi64(b1, b5);
    r[4] = _mm_unpacklo_epi64(b2, b6), r[5] = _mm_unpackhi_epi64(b2, b6);
    r[6] = _mm_unpacklo_epi64(b3, b7), r[7] = _mm_unpackhi_epi64(b3, b7);
}

// Gathers 32-bit lanes moved by 2^15: a lane outside the 16-bit range
// leaves bits above the low 16.
inline __m128i Gather(__m128i gathered, __m128i value)
{
    return _mm_or_si128(gathered, _mm_add_epi32(value, _mm_set1_epi32(0x8000)));
}

inline bool AllFit(__m128i gathered)
{
    __m128i high = _mm_srli_epi32(gathered, 16);
    return _mm_movemask_epi8(_mm_cmpeq_epi32(high, _mm_setzero_si128())) == 0xFFFF;
}

// FALSE, with nothing changed, when the coefficients or the first pass's
// results do not fit in 16 bits.
[[gnu::always_inline]] inline bool Reconstruct(LONG* pCoefficients, LONG* pSamples, Wrapping level)
{
    const __m128i* pIn = reinterpret_cast<const __m128i*>(pCoefficients);
    __m128i x[8];
    __m128i gathered = _mm_setzero_si128();
    for (int row = 0; row < 8; ++row) {
        __m128i left = _mm_loadu_si128(pIn + 2 * row), right = _mm_loadu_si128(pIn + 2 * row + 1);
        gathered = Gather(Gather(gathered, left), right);
        x[row] = _mm_packs_epi32(left, right);
    }
    if (!AllFit(gathered)) return false;

    // Rows: lanes are the rows, registers the columns.
    Transpose(x);
    Outputs low, high;
    Pass<kRowShift>(x, kRowRounding, &low, &high);
    gathered = _mm_setzero_si128();
    for (int k = 0; k < 8; ++k) {
        gathered = Gather(Gather(gathered, low.y[k]), high.y[k]);
        x[k] = _mm_packs_epi32(low.y[k], high.y[k]);
    }
    if (!AllFit(gathered)) return false;

    // Columns: lanes are the columns, registers the rows.
    Transpose(x);
    Pass<kColumnShift>(x, kColumnRounding, &low, &high);
    __m128i levelShift = _mm_set1_epi32(static_cast<int>(level));
    __m128i* pOut = reinterpret_cast<__m128i*>(pSamples);
    __m128i* pClear = reinterpret_cast<__m128i*>(pCoefficients);
    for (int row = 0; row < 8; ++row) {
        _mm_storeu_si128(pOut + 2 * row, _mm_add_epi32(low.y[row], levelShift));
        _mm_storeu_si128(pOut + 2 * row + 1, _mm_add_epi32(high.y[row], levelShift));
        _mm_storeu_si128(pClear + 2 * row, _mm_setzero_si128());
        _mm_storeu_si128(pClear + 2 * row + 1, _mm_setzero_si128());
    }
    return true;
}

}  // namespace packed
#endif

}  // namespace

void CJpegDecoder::InverseDct(LONG* pBlock)
{
#if defined(__SSE2__)
    LONG coefficients[64];
    memcpy(coefficients, pBlock, sizeof(coefficients));
    if (packed::Reconstruct(coefficients, pBlock, 0)) return;
#endif
    TransformColumns(pBlock, TransformRows<false>(pBlock, pBlock), 0);
}

void CJpegDecoder::ReconstructBlock(LONG* pCoefficients, LONG* pSamples)
{
#if defined(__SSE2__)
    if (packed::Reconstruct(pCoefficients, pSamples, kLevelShift)) return;
#endif
    TransformColumns(pSamples, TransformRows<true>(pCoefficients, pSamples), kLevelShift);
}
