#include "JpegEntropy.h"

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
