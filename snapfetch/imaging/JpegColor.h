// Colour conversion terms of the decoder. Each chrominance product is formed
// in double precision and truncated towards zero on its own; the vector path
// does the same double multiplications and truncations, lane by lane.
#pragma once

#include <windows.h>

// The three terms of one Cb, Cr pair, for any samples.
struct ChromaTerms {
    LONGLONG blue;
    LONGLONG green;
    LONGLONG red;
};
ChromaTerms ComputeChromaTerms(LONG cb, LONG cr);

// The terms of eight pairs at once, for samples within 16 bits, as the
// MCU store computes them; TRUE where the vector path exists (else
// nothing is written and FALSE returned).
BOOL ComputeChromaTermsOfRow(const LONG* pCb, const LONG* pCr, LONG* pBlue, LONG* pGreen, LONG* pRed);
