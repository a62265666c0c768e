#include "Device/IndexRing.h"

CIndexRing::CIndexRing(int nCapacity)
    : m_nCapacity(nCapacity > MAX_CAPACITY ? MAX_CAPACITY : (nCapacity < 0 ? 0 : nCapacity)),
      m_nCount(0),
      m_anSlots(),
      m_nHead(0),
      m_nTail(m_nCapacity - 1)
{
}

bool CIndexRing::Push(int nValue)
{
    if (m_nCount >= m_nCapacity) return false;
    m_nTail = (m_nTail + 1) % m_nCapacity;
    m_anSlots[m_nTail] = nValue;
    m_nCount++;
    return true;
}

int CIndexRing::Reset()
{
    int nHeld = m_nCount;
    m_nCount = 0;
    m_nHead = 0;
    m_nTail = m_nCapacity - 1;
    return nHeld;
}
