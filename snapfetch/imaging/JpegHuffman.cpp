#include "JpegHuffman.h"

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
}
