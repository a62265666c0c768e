// Huffman tables of the decoder: the canonical code rows built from a DHT
// segment's BITS counts, and their decoding form used during a scan.
#pragma once

#include "JpegDecoder.h"

// Fills the 16 rows from the counts of codes of each length 1 to 16 and
// returns the number of codes (the length of the HUFFVAL list).
int BuildHuffmanRows(const BYTE* pCounts, HuffmanTable* pTable);

// Codes of up to this many bits are found with one lookup.
constexpr int kHuffmanLookaheadBits = 9;

// A table ready for the scan. A code of length l belongs to row l when
// code - smallest[l], taken unsigned, is at most span[l] (largest - smallest):
// one comparison per row. Rows without codes get a smallest no code reaches.
// The lookahead table holds, for every string of kHuffmanLookaheadBits bits,
// the symbol and code length that this row-by-row search finds among its
// first bits, or 0 when the code is longer.
struct HuffmanDecoder {
    DWORD smallest[17];  // indexed by code length 1 to 16
    DWORD span[17];
    DWORD firstValue[17];
    const BYTE* pValues;
    WORD lookahead[1 << kHuffmanLookaheadBits];  // code length << 8 | symbol
    // For AC symbols whose code and value bits all lie in the lookahead
    // bits and whose value is not zero: the value << 16 | run << 8 | bits
    // taken; 0 for the others.
    LONG acValues[1 << kHuffmanLookaheadBits];
};

void PrepareHuffmanDecoder(const HuffmanTable& table, const BYTE* pValues, HuffmanDecoder* pDecoder);
