// Entropy decoding of one block: the DC difference and the AC run-lengths,
// into 64 dequantised coefficients in natural order.
#pragma once

#include "JpegBitReader.h"
#include "JpegHuffman.h"

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
// Without a branch, since the sign of a coefficient cannot be predicted.
inline LONG ExtendValue(UINT bits, int size)
{
    UINT half = (1u << size) >> 1;  // 0 for size 0, whose value is 0
    UINT negative = static_cast<UINT>(static_cast<LONG>(bits - half) >> 31);  // all ones when bits < half
    return static_cast<LONG>(bits - (negative & (2 * half - 1)));
}

// What the blocks of one scan component need: its two tables, and for the
// k-th coefficient in zig-zag order its natural index and quantisation.
struct ComponentDecoding {
    const HuffmanDecoder* pDc;
    const HuffmanDecoder* pAc;
    DWORD quant[64];
    BYTE natural[64];
};

// Fills the order and quantisation of a component from the zig-zag table
// and the component's quantisation table in natural order.
void SetComponentQuant(ComponentDecoding* pComponent, const BYTE* pQuant, const BYTE* pZigZag);

// Decodes one block into pBlock (64 values, natural order, all zero on
// entry), each coefficient multiplied by its quantisation entry with 32-bit
// wrapping, and updates the component's DC predictor. FALSE when the data
// cannot be a block.
BOOL DecodeBlock(JpegBitReader& reader, const ComponentDecoding& component, LONG* pPredictor, LONG* pBlock);

// Decodes the four blocks of an MCU (Y, Y, Cb, Cr) into pBlocks, 64 values
// each, the same way; components holds Y, Cb, Cr, as do the predictors.
BOOL DecodeMcu(JpegBitReader& reader, const ComponentDecoding* pComponents, LONG* pPredictors, LONG* pBlocks);
