#include "JpegHuffman.h"

#include "JpegEntropy.h"

#include <string.h>

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

namespace {

// The row-by-row search takes the shortest length that matches, so the
// longer lengths are entered first and the shorter ones overwrite them.
void FillLookahead(HuffmanDecoder* pDecoder)
{
    memset(pDecoder->lookahead, 0, sizeof(pDecoder->lookahead));
    for (int length = kHuffmanLookaheadBits; length >= 1; --length) {
        DWORD smallest = pDecoder->smallest[length];
        DWORD limit = 1u << length;  // codes of this length are below it
        if (smallest >= limit) continue;
        DWORD largest = smallest + pDecoder->span[length];
        if (largest >= limit) largest = limit - 1;
        int spread = kHuffmanLookaheadBits - length;
        for (DWORD code = smallest; code <= largest; ++code) {
            BYTE symbol = pDecoder->pValues[(pDecoder->firstValue[length] + code - smallest) & 0xFF];
            WORD entry = static_cast<WORD>(length << 8 | symbol);
            for (DWORD bits = code << spread; bits < (code + 1) << spread; ++bits) pDecoder->lookahead[bits] = entry;
        }
    }
}

void FillAcValues(HuffmanDecoder* pDecoder)
{
    for (DWORD bits = 0; bits < (1u << kHuffmanLookaheadBits); ++bits) {
        int entry = pDecoder->lookahead[bits];
        int length = entry >> 8, symbol = entry & 0xFF;
        int size = symbol & 0x0F, taken = length + size;
        if (entry == 0 || size == 0 || taken > kHuffmanLookaheadBits) {
            pDecoder->acValues[bits] = 0;
            continue;
        }
        DWORD valueBits = (bits >> (kHuffmanLookaheadBits - taken)) & ((1u << size) - 1);
        pDecoder->acValues[bits] = static_cast<LONG>(static_cast<DWORD>(ExtendValue(valueBits, size)) << 16 |
                                                     static_cast<DWORD>(symbol >> 4) << 8 | static_cast<DWORD>(taken));
    }
}

}  // namespace

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
    FillLookahead(pDecoder);
    FillAcValues(pDecoder);
}
