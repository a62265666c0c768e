// A bounded ring of buffer indices. The driver only fills and empties
// rings; nothing takes single entries out.
#pragma once

class CIndexRing {
public:
    enum { MAX_CAPACITY = 10 };

    // A capacity above MAX_CAPACITY is cut to it.
    explicit CIndexRing(int nCapacity);

    // False when the ring is full.
    bool Push(int nValue);
    // Empties the ring; returns how many entries it held.
    int Reset();
    int Count() const { return m_nCount; }
    int Capacity() const { return m_nCapacity; }

private:
    int m_nCapacity;
    int m_nCount;
    int m_anSlots[MAX_CAPACITY];
    int m_nHead;
    int m_nTail;
};
