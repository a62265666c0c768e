#include "JpegEntropy.h"

namespace {

// Differences wider than 16 bits cannot come from 8-bit samples.
constexpr int kMaxValueSize = 16;
constexpr int kEndOfBlock = 0x00;
constexpr int kSixteenZeros = 0xF0;

// The symbol at the reader's bits: one lookup for the short codes, the row
// search for the others. Leaves the code unconsumed; -1 when none matches.
template <int MaxLength>
inline int PeekSymbol(const JpegBitReader& reader, const HuffmanDecoder& table, int* pLength)
{
    DWORD bits = reader.Peek32();
    int entry = table.lookahead[bits >> (32 - kHuffmanLookaheadBits)];
    if (entry) {
        *pLength = entry >> 8;
        return entry & 0xFF;
    }
    return FindHuffmanSymbol<MaxLength>(bits >> 16, table, pLength);
}

inline LONG Dequantise(LONG value, DWORD quant)
{
    // Wrapping keeps hostile coefficients defined; real pictures stay far inside.
    return static_cast<LONG>(static_cast<DWORD>(value) * quant);
}

// Inlined into each caller so that the reader stays in registers.
[[gnu::always_inline]] inline BOOL DecodeCoefficients(JpegBitReader& reader, const ComponentDecoding& component,
                                                      LONG* pPredictor, LONG* pBlock)
{
    const HuffmanDecoder& dcTable = *component.pDc;
    const HuffmanDecoder& acTable = *component.pAc;
    // A DC symbol is the size of the difference; an AC symbol holds a run of
    // zeros in its high nibble and the size in its low one. A code and the
    // value bits after it take at most 32 bits, which Fill guarantees.
    reader.Fill();
    int length = 0;
    int size = PeekSymbol<kMaxDcCodeLength>(reader, dcTable, &length);
    if (size < 0 || size > kMaxValueSize) return FALSE;
    LONG difference = ExtendValue(reader.BitsAfter(length, size), size);
    reader.Consume(length + size);
    *pPredictor = static_cast<LONG>(static_cast<DWORD>(*pPredictor) + static_cast<DWORD>(difference));
    pBlock[0] = Dequantise(*pPredictor, component.quant[0]);

    for (int k = 1; k < 64;) {
        reader.Fill();
        // Most coefficients: code and value in one lookup.
        LONG known = acTable.acValues[reader.Peek32() >> (32 - kHuffmanLookaheadBits)];
        if (known != 0) {
            reader.Consume(known & 0xFF);
            k += (known >> 8) & 0x0F;
            if (k > 63) return FALSE;
            pBlock[component.natural[k]] = Dequantise(known >> 16, component.quant[k]);
            ++k;
            continue;
        }
        int symbol = PeekSymbol<kMaxAcCodeLength>(reader, acTable, &length);
        if (symbol < 0) return FALSE;
        int run = symbol >> 4;
        size = symbol & 0x0F;
        if (size != 0) {
            LONG value = ExtendValue(reader.BitsAfter(length, size), size);
            reader.Consume(length + size);
            k += run;
            if (k > 63) return FALSE;
            pBlock[component.natural[k]] = Dequantise(value, component.quant[k]);
            ++k;
            continue;
        }
        reader.Consume(length);
        if (symbol == kEndOfBlock) break;
        if (symbol == kSixteenZeros) {
            if (k + 16 > 64) return FALSE;
            k += 16;
            continue;
        }
        // A run with a value of size 0: zeros up to and including k + run.
        if (k + run > 63) return FALSE;
        k += run + 1;
    }
    return TRUE;
}

}  // namespace

void SetComponentQuant(ComponentDecoding* pComponent, const BYTE* pQuant, const BYTE* pZigZag)
{
    for (int k = 0; k < 64; ++k) {
        pComponent->natural[k] = pZigZag[k];
        pComponent->quant[k] = pQuant[pZigZag[k]];
    }
}

// A local reader stays in registers: the stores into the blocks could
// otherwise alias its fields.
BOOL DecodeBlock(JpegBitReader& reader, const ComponentDecoding& component, LONG* pPredictor, LONG* pBlock)
{
    JpegBitReader local = reader;
    BOOL bDecoded = DecodeCoefficients(local, component, pPredictor, pBlock);
    reader = local;
    return bDecoded;
}

BOOL DecodeMcu(JpegBitReader& reader, const ComponentDecoding* pComponents, LONG* pPredictors, LONG* pBlocks)
{
    JpegBitReader local = reader;
    BOOL bDecoded = TRUE;
    for (int block = 0; block < 4 && bDecoded; ++block) {
        // Both Y blocks use the Y component and its predictor.
        int component = block < 2 ? 0 : block - 1;
        bDecoded = DecodeCoefficients(local, pComponents[component], &pPredictors[component], pBlocks + 64 * block);
    }
    reader = local;
    return bDecoded;
}
