// Dequantisation, the integer inverse DCT and the level shift of a block.
//
// The inverse DCT is the separable algorithm of Loeffler, Ligtenberg and
// Moschytz with 13-bit constants: rows first, keeping two extra fractional
// bits, then columns. Its arithmetic is 32-bit with two's-complement wrap, so
// that hostile coefficients stay defined; real pictures never come near it.
#include "JpegDecoder.h"

#include <string.h>

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

}  // namespace

void CJpegDecoder::InverseDct(LONG* pBlock) { TransformColumns(pBlock, TransformRows<false>(pBlock, pBlock), 0); }

void CJpegDecoder::ReconstructBlock(LONG* pCoefficients, LONG* pSamples)
{
    TransformColumns(pSamples, TransformRows<true>(pCoefficients, pSamples), kLevelShift);
}
