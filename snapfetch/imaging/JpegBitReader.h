// Bit reader of the entropy-coded scan, most significant bit first. A 0xFF
// byte is followed by a stuffed 0x00, which is skipped unread whatever it
// holds; markers inside the scan are not recognised.
//
// The bits wait left-aligned in a 64-bit word, refilled eight bytes at a
// time where no 0xFF is among them and byte by byte otherwise. Past the end
// of the data the reader supplies zero bits without reading and counts
// them, so that the caller can tell whether the scan needed them.
#pragma once

#include <windows.h>

#include <string.h>

class JpegBitReader {
public:
    // Bits that a refill guarantees, enough for a code and its value bits.
    static constexpr int kGuaranteedBits = 32;

    JpegBitReader(const BYTE* pData, DWORD dwLength, DWORD dwPosition)
        : m_pData(pData), m_dwLength(dwLength), m_dwStart(dwPosition), m_dwPosition(dwPosition)
    {
    }

    // Makes at least kGuaranteedBits available.
    void Fill()
    {
        if (m_nCount < kGuaranteedBits) Refill();
    }

    // The next 32 bits, without taking them; Fill first.
    DWORD Peek32() const { return static_cast<DWORD>(m_bits >> 32); }

    // The count (0 to 16) bits after the first skip bits, as an unsigned
    // value; skip + count at most 32, after Fill.
    DWORD BitsAfter(int skip, int count) const { return static_cast<DWORD>(((m_bits << skip) >> 1) >> (63 - count)); }

    // Takes count (0 to 32) bits; Fill first.
    void Consume(int count)
    {
        m_bits <<= count;
        m_nCount -= count;
    }

    // count is 0 to 16.
    UINT ReadBits(int count)
    {
        Fill();
        UINT value = BitsAfter(0, count);
        Consume(count);
        return value;
    }

    UINT ReadBit() { return ReadBits(1); }

    // True once a bit from beyond the end of the data has been consumed; the
    // bits past the end are always the last ones held.
    BOOL Overrun() const { return m_dwMissingBytes * 8 > static_cast<DWORD>(m_nCount); }

    // Offset just past the bytes the scan has used: a byte whose bits were
    // partly used counts whole, with the stuffed byte after a 0xFF. Found by
    // walking the scan again, once at its end.
    DWORD EndPosition() const
    {
        DWORD remaining = m_dwBytesFetched - static_cast<DWORD>(m_nCount) / 8;
        DWORD position = m_dwStart;
        while (remaining > 0 && position < m_dwLength) {
            DWORD span = m_dwLength - position < remaining ? m_dwLength - position : remaining;
            const void* pFF = memchr(m_pData + position, 0xFF, span);
            if (!pFF) {
                position += span;
                remaining -= span;
                continue;
            }
            DWORD taken = static_cast<DWORD>(static_cast<const BYTE*>(pFF) - (m_pData + position)) + 1;
            position += taken;
            remaining -= taken;
            if (position < m_dwLength) ++position;
        }
        return position;
    }

private:
    void Refill()
    {
        int room = (64 - m_nCount) / 8;
        if (m_dwLength - m_dwPosition >= 8) {  // the position never passes the length
            ULONGLONG word = LoadBigEndian(m_pData + m_dwPosition);
            if (!HasFFByte(word)) {
                ULONGLONG bytes = room == 8 ? word : word >> (64 - 8 * room);
                m_bits |= bytes << (64 - m_nCount - 8 * room);
                m_nCount += 8 * room;
                m_dwPosition += room;
                m_dwBytesFetched += room;
                return;
            }
        }
        for (; room > 0; --room) {
            m_bits |= static_cast<ULONGLONG>(NextByte()) << (56 - m_nCount);
            m_nCount += 8;
        }
    }

    // Eight bytes as one number, the first the most significant. Compilers
    // that inline this into a caller with a shorter constant buffer warn of
    // the read that the length check before it rules out.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    static ULONGLONG LoadBigEndian(const BYTE* p)
    {
        ULONGLONG word;
        memcpy(&word, p, sizeof(word));
        return __builtin_bswap64(word);
    }
#pragma GCC diagnostic pop

    static bool HasFFByte(ULONGLONG word)
    {
        ULONGLONG inverted = ~word;
        return ((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) != 0;
    }

    DWORD NextByte()
    {
        ++m_dwBytesFetched;
        if (m_dwPosition >= m_dwLength) {
            ++m_dwMissingBytes;
            return 0;
        }
        DWORD value = m_pData[m_dwPosition++];
        if (value == 0xFF && m_dwPosition < m_dwLength) ++m_dwPosition;
        return value;
    }

    const BYTE* m_pData;
    DWORD m_dwLength;
    DWORD m_dwStart;
    DWORD m_dwPosition;           // next byte to fetch
    ULONGLONG m_bits = 0;         // bits not yet consumed, left-aligned
    int m_nCount = 0;             // how many
    DWORD m_dwBytesFetched = 0;   // bytes put into m_bits, those past the end included
    DWORD m_dwMissingBytes = 0;   // zero bytes supplied past the end
};
