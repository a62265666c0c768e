#include "PictureList.h"

namespace {

// Counts and offsets are bytes in the calling convention of the grid.
int LowByte(int n) { return n & 0xFF; }

}  // namespace

CPictureList::CPictureList()
    : m_pHead(nullptr), m_pTail(nullptr), m_pCursor(nullptr), m_nCount(0), m_nPosition(0),
      m_hHeap(HeapCreate(0, 512, 0))
{
}

CPictureList::~CPictureList()
{
    RemoveAll();
    if (m_hHeap) HeapDestroy(m_hHeap);
}

void CPictureList::Add(LPCSTR lpszName, DWORD nPictureSize, DWORD nThumbLength, HGLOBAL hSourceDib)
{
    // Without a node there is nothing to add; the list stays as it was.
    auto* pNode = static_cast<PictureNode*>(HeapAlloc(m_hHeap, HEAP_ZERO_MEMORY, sizeof(PictureNode)));
    if (!pNode) return;
    pNode->nPictureSize = nPictureSize;
    pNode->nThumbLength = nThumbLength;
    pNode->hThumbnail = MakeThumbnail(hSourceDib, pNode);
    // Longer names are cut to fit the record; camera names have 8 characters.
    lstrcpynA(pNode->szName, lpszName ? lpszName : "", sizeof(pNode->szName));

    if (!m_pHead) {
        m_pHead = pNode;
    } else {
        m_pTail->pNext = pNode;
        pNode->pPrev = m_pTail;
    }
    m_pTail = pNode;
    m_pCursor = pNode;
    m_nCount += 1;
    m_nPosition = m_nCount;
}

BOOL CPictureList::RemoveCurrent()
{
    PictureNode* pNode = m_pCursor;
    if (!pNode) return FALSE;
    if (pNode->hThumbnail) GlobalFree(pNode->hThumbnail);

    if (pNode == m_pHead) {
        m_pHead = pNode->pNext;
        if (m_pHead)
            m_pHead->pPrev = nullptr;
        else
            m_pTail = nullptr;
        m_pCursor = m_pHead;
        if (!m_pHead) m_nPosition = 0;
    } else if (pNode == m_pTail) {
        m_pTail = pNode->pPrev;
        m_pTail->pNext = nullptr;
        m_pCursor = m_pTail;
        m_nPosition -= 1;
    } else {
        pNode->pPrev->pNext = pNode->pNext;
        pNode->pNext->pPrev = pNode->pPrev;
        m_pCursor = pNode->pNext;
    }
    HeapFree(m_hHeap, 0, pNode);
    m_nCount -= 1;
    return TRUE;
}

BOOL CPictureList::RemoveAll()
{
    SetCursor(m_pHead);
    while (m_pCursor) RemoveCurrent();
    return TRUE;
}

BOOL CPictureList::RemoveSelected()
{
    // The cursor ends on the old cursor node if it survives, else on its
    // nearest survivor, first looking forward and then back.
    PictureNode* pSaved = m_pCursor;
    SetCursor(m_pHead);
    if (!m_pHead) return FALSE;

    BOOL bRemoved = FALSE;
    while (m_pCursor) {
        if (!m_pCursor->bSelected) {
            m_pCursor = m_pCursor->pNext;
            m_nPosition += 1;
            continue;
        }
        if (m_pCursor == pSaved) pSaved = pSaved->pNext ? pSaved->pNext : pSaved->pPrev;
        BOOL bWasTail = (m_pCursor == m_pTail);
        RemoveCurrent();
        bRemoved = TRUE;
        // Removing the tail steps back onto a node already passed over.
        if (bWasTail) break;
    }
    // A walk that began without a cursor (after a failed search) has no node
    // to return to; the head keeps the cursor on the list.
    SetCursor(pSaved ? pSaved : m_pHead);
    return bRemoved;
}

// The first node named lpszName, null when none is; *pnIndex gets its 1-based
// index when one is found.
PictureNode* CPictureList::FindNamed(LPCSTR lpszName, int* pnIndex) const
{
    if (!lpszName) return nullptr;
    int nIndex = 1;
    for (PictureNode* pNode = m_pHead; pNode; pNode = pNode->pNext, ++nIndex) {
        if (strcmp(pNode->szName, lpszName) == 0) {
            if (pnIndex) *pnIndex = nIndex;
            return pNode;
        }
    }
    return nullptr;
}

BOOL CPictureList::FindByName(LPCSTR lpszName)
{
    if (!lpszName || !m_pHead) return FALSE;
    int nIndex = 0;
    PictureNode* pNode = FindNamed(lpszName, &nIndex);
    if (pNode) {
        m_pCursor = pNode;
        m_nPosition = nIndex;
        return TRUE;
    }
    m_pCursor = nullptr;
    m_nPosition = m_nCount + 1;
    return FALSE;
}

DWORD CPictureList::LookupThumbLength(LPCSTR lpszName) const
{
    PictureNode* pNode = FindNamed(lpszName, nullptr);
    return pNode ? pNode->nThumbLength : 0;
}

LPSTR CPictureList::GetName() const { return m_pCursor ? m_pCursor->szName : nullptr; }

DWORD CPictureList::GetPictureSize() const { return m_pCursor ? m_pCursor->nPictureSize : 0; }

DWORD CPictureList::GetThumbLength() const { return m_pCursor ? m_pCursor->nThumbLength : 0; }

HGLOBAL CPictureList::GetThumbnail() const { return m_pCursor ? m_pCursor->hThumbnail : nullptr; }

void CPictureList::SetPictureHeader(const BITMAPINFOHEADER* pHeader)
{
    if (m_pCursor && pHeader) m_pCursor->bihPicture = *pHeader;
}

BOOL CPictureList::IsSelectedAt(int n) const
{
    PictureNode* pNode = NodeAfterCursor(n);
    return pNode ? pNode->bSelected : 0;
}

void CPictureList::ToggleSelectedAt(int n)
{
    PictureNode* pNode = NodeAfterCursor(n);
    if (pNode) pNode->bSelected = pNode->bSelected ? 0 : 1;
}

BOOL CPictureList::MoveForward(int n)
{
    PictureNode* pNode = NodeAfterCursor(n);
    if (!pNode) return FALSE;
    m_pCursor = pNode;
    m_nPosition += LowByte(n);
    return TRUE;
}

BOOL CPictureList::MoveBack(int n)
{
    if (!m_pCursor) return FALSE;
    for (int nSteps = LowByte(n); nSteps > 0 && m_pCursor->pPrev; --nSteps) {
        m_pCursor = m_pCursor->pPrev;
        m_nPosition -= 1;
    }
    return TRUE;
}

BOOL CPictureList::Rewind()
{
    if (m_pCursor == m_pHead) return FALSE;
    SetCursor(m_pHead);
    return m_pHead != nullptr;
}

int CPictureList::CountSelected() const
{
    int nSelected = 0;
    for (PictureNode* pNode = m_pHead; pNode; pNode = pNode->pNext)
        if (pNode->bSelected) ++nSelected;
    return nSelected;
}

// Moves the cursor to the first selected node from pStart on; nIndex is
// pStart's 1-based index. The cursor stays put when none is selected.
BOOL CPictureList::SelectFirstSelectedFrom(PictureNode* pStart, int nIndex)
{
    for (PictureNode* pNode = pStart; pNode; pNode = pNode->pNext, ++nIndex) {
        if (pNode->bSelected) {
            m_pCursor = pNode;
            m_nPosition = nIndex;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CPictureList::FirstSelected() { return SelectFirstSelectedFrom(m_pHead, 1); }

BOOL CPictureList::NextSelected()
{
    if (!m_pCursor) return FALSE;
    return SelectFirstSelectedFrom(m_pCursor->pNext, m_nPosition + 1);
}

void CPictureList::ClearSelection()
{
    for (PictureNode* pNode = m_pHead; pNode; pNode = pNode->pNext) pNode->bSelected = 0;
}

void CPictureList::SelectAll()
{
    for (PictureNode* pNode = m_pHead; pNode; pNode = pNode->pNext) pNode->bSelected = 1;
}

// The node n places after the cursor, or null when the cursor is null or the
// list ends first.
PictureNode* CPictureList::NodeAfterCursor(int n) const
{
    PictureNode* pNode = m_pCursor;
    for (int nSteps = LowByte(n); pNode && nSteps > 0; --nSteps) pNode = pNode->pNext;
    return pNode;
}

// Puts the cursor on a node and recounts its position from the head.
void CPictureList::SetCursor(PictureNode* pNode)
{
    m_pCursor = pNode;
    m_nPosition = 0;
    if (!pNode) return;
    for (PictureNode* pWalk = m_pHead; pWalk; pWalk = pWalk->pNext) {
        ++m_nPosition;
        if (pWalk == pNode) return;
    }
}
