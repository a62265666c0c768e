// Colour conversion terms of the decoder. Each chrominance product is formed
// in double precision and truncated towards zero on its own, so each term
// depends on one sample value alone: for samples in a bounded range it is
// taken from a table made with the same arithmetic.
#pragma once

#include <windows.h>

struct ChromaTables {
    // Samples from kLowest to kLowest + kSize - 1 are looked up; MCUs with
    // samples outside take the arithmetic itself.
    static constexpr LONG kLowest = -2048;
    static constexpr LONG kSize = 4096;
    SHORT blue[kSize];     // trunc(1.772 x (Cb - 128))
    SHORT greenCb[kSize];  // -trunc(0.34414 x (Cb - 128))
    SHORT greenCr[kSize];  // -trunc(0.71414 x (Cr - 128))
    SHORT red[kSize];      // trunc(1.402 x (Cr - 128))
    // A luminance in the range plus any of the terms, clamped to 0 ... 255:
    // entry i is the clamp of i + kClampLowest.
    static constexpr LONG kClampLowest = 2 * kLowest - 2048;
    static constexpr LONG kClampSize = 4 * kSize;
    BYTE clamp[kClampSize];
};

// Built on first use.
const ChromaTables& GetChromaTables();

// The three terms of one Cb, Cr pair by the arithmetic, for any samples.
struct ChromaTerms {
    LONGLONG blue;
    LONGLONG green;
    LONGLONG red;
};
ChromaTerms ComputeChromaTerms(LONG cb, LONG cr);
