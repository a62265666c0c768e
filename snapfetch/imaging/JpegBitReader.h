// Bit reader of the entropy-coded scan: a 16-bit reservoir read most
// significant bit first, refilled two bytes at a time when a bit is needed and
// none is left. A 0xFF byte is followed by a stuffed 0x00, which is skipped;
// markers inside the scan are not recognised.
//
// The next refill is fetched ahead but not taken, so that the Huffman search
// can look at 16 bits at once; positions and refills stay those of the plain
// reservoir. Past the end of the data the reader supplies zero bits without
// reading and counts them, so that the caller can tell whether the scan
// needed them.
#pragma once

#include <windows.h>

class JpegBitReader {
public:
    JpegBitReader(const BYTE* pData, DWORD dwLength, DWORD dwPosition)
        : m_pData(pData), m_dwLength(dwLength), m_dwPosition(dwPosition)
    {
        m_next = Fetch(dwPosition);
        m_nWindow = m_next.value;
    }

    // The next 16 bits, without taking them.
    UINT Peek16() const { return (m_nWindow >> m_nLeft) & 0xFFFF; }

    // Takes count (0 to 16) bits.
    void Consume(int count)
    {
        if (count <= m_nLeft) {
            m_nLeft -= count;
            return;
        }
        count -= m_nLeft;
        Refill();
        m_nLeft = 16 - count;
    }

    // count is 0 to 16.
    UINT ReadBits(int count)
    {
        UINT value = count ? Peek16() >> (16 - count) : 0;
        Consume(count);
        return value;
    }

    UINT ReadBit() { return ReadBits(1); }

    // Offset of the next byte the reservoir would take.
    DWORD Position() const { return m_dwPosition; }

    // Offset just past the bytes the scan has used. The second byte of the
    // last refill is given back when none of its bits were used, so that a
    // marker right after the scan is still found there.
    DWORD EndPosition() const
    {
        return m_nLeft >= 8 && m_dwLowBytePosition < m_dwLength ? m_dwLowBytePosition : m_dwPosition;
    }

    // True once a bit from beyond the end of the data has been consumed; the
    // bits past the end are always the last ones of the reservoir.
    BOOL Overrun() const { return m_dwMissingBytes * 8 > static_cast<DWORD>(m_nLeft); }

private:
    // Two bytes as a refill takes them from a position.
    struct Refilled {
        UINT value = 0;
        DWORD endPosition = 0;
        DWORD lowBytePosition = 0;
        DWORD missingBytes = 0;
    };

    Refilled Fetch(DWORD position) const
    {
        Refilled refill;
        UINT high = NextByte(position, refill.missingBytes);
        refill.lowBytePosition = position;
        UINT low = NextByte(position, refill.missingBytes);
        refill.value = high << 8 | low;
        refill.endPosition = position;
        return refill;
    }

    UINT NextByte(DWORD& position, DWORD& missingBytes) const
    {
        if (position >= m_dwLength) {
            ++missingBytes;
            return 0;
        }
        UINT value = m_pData[position++];
        if (value == 0xFF && position < m_dwLength) ++position;
        return value;
    }

    void Refill()
    {
        m_dwPosition = m_next.endPosition;
        m_dwLowBytePosition = m_next.lowBytePosition;
        m_dwMissingBytes += m_next.missingBytes;
        UINT reservoir = m_next.value;
        m_next = Fetch(m_dwPosition);
        m_nWindow = reservoir << 16 | m_next.value;
    }

    const BYTE* m_pData;
    DWORD m_dwLength;
    DWORD m_dwPosition;
    UINT m_nWindow = 0;  // the reservoir in the high half, the fetched refill in the low half
    int m_nLeft = 0;     // bits of the reservoir not yet consumed
    DWORD m_dwMissingBytes = 0;
    DWORD m_dwLowBytePosition = 0;
    Refilled m_next;
};
