// Dequantisation, the integer inverse DCT and the level shift of a block.
//
// The inverse DCT is the separable algorithm of Loeffler, Ligtenberg and
// Moschytz with 13-bit constants: rows first, keeping two extra fractional
// bits, then columns. Its arithmetic is 32-bit with two's-complement wrap, so
// that hostile coefficients stay defined; real pictures never come near it.
#include "JpegDecoder.h"

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
