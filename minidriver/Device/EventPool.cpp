#include "Device/EventPool.h"

#include <new>

CEventPool* CEventPool::Create(int nCount, int nLength)
{
    CEventPool* pPool = new (std::nothrow) CEventPool(nCount, nLength);
    if (pPool && !pPool->Allocate()) {
        delete pPool;
        pPool = NULL;
    }
    return pPool;
}

CEventPool::CEventPool(int nCount, int nLength)
    : m_ppBuffers(NULL),
      m_pdwStates(NULL),
      m_pendingRing(CIndexRing::MAX_CAPACITY),
      m_freeRing(CIndexRing::MAX_CAPACITY),
      m_nCount(nCount > 0 ? nCount : 0),
      m_nLength(nLength > 0 ? nLength : 0)
{
}

bool CEventPool::Allocate()
{
    m_ppBuffers = new (std::nothrow) BYTE*[m_nCount]();
    m_pdwStates = new (std::nothrow) DWORD[m_nCount];
    if (!m_ppBuffers || !m_pdwStates) return false;
    // Every state starts as -1: no buffer holds an event.
    FillMemory(m_pdwStates, static_cast<SIZE_T>(m_nCount) * sizeof(DWORD), 0xFF);
    for (int i = 0; i < m_nCount; i++) {
        m_ppBuffers[i] = new (std::nothrow) BYTE[m_nLength]();
        if (!m_ppBuffers[i]) return false;
        m_freeRing.Push(i);
    }
    return true;
}

CEventPool::~CEventPool()
{
    if (m_ppBuffers) {
        for (int i = 0; i < m_nCount; i++) delete[] m_ppBuffers[i];
        delete[] m_ppBuffers;
    }
    delete[] m_pdwStates;
}
