// The event buffers behind IStiUSD::GetStatus's event flag: fixed-size
// buffers with a ring of free ones and a ring of those holding an event not
// yet collected. The camera raises no events, so the pending ring stays
// empty; the pool exists so that the status answer has one place to look.
#pragma once

#include "Device/IndexRing.h"

#include <windows.h>

class CEventPool {
public:
    // Null when any of its memory cannot be had.
    static CEventPool* Create(int nCount, int nLength);
    ~CEventPool();

    int PendingCount() const { return m_pendingRing.Count(); }

private:
    CEventPool(int nCount, int nLength);
    bool Allocate();

    // Kept on purpose although only the pending ring is read: the whole pool,
    // ready for a camera that raises events, and allocated (or failing) as such.
    BYTE** m_ppBuffers;
    DWORD* m_pdwStates;
    CIndexRing m_pendingRing;
    CIndexRing m_freeRing;
    int m_nCount;
    int m_nLength;
};
