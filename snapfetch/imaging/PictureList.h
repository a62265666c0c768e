// The catalogue of the camera's pictures: a doubly linked list with one
// cursor. The cursor is both the first picture of the grid page on screen and
// the walker of the transfer commands, so every operation keeps it and
// m_nPosition in step.
#pragma once

#include <windows.h>

// One picture of the camera. Nodes live in the list's private heap.
struct PictureNode {
    PictureNode* pPrev;
    char szName[260];
    BOOL bSelected;
    BITMAPINFOHEADER bihSource;   // header of the decoded picture the thumbnail was made from
    // Kept on purpose: the full picture's format, recorded after adding though the program never reads it.
    BITMAPINFOHEADER bihPicture;
    DWORD nPictureSize;           // file size on the camera
    DWORD nThumbLength;           // nonzero marks a picture that lives on the camera
    HGLOBAL hThumbnail;           // packed 24-bit DIB that fits in 94 x 70, or null
    PictureNode* pNext;
};

class CPictureList {
public:
    CPictureList();
    ~CPictureList();
    CPictureList(const CPictureList&) = delete;
    CPictureList& operator=(const CPictureList&) = delete;

    // Appends a picture and makes it the cursor. hSourceDib (a packed 24-bit
    // DIB in moveable memory) stays the caller's; the node keeps a reduced copy.
    void Add(LPCSTR lpszName, DWORD nPictureSize, DWORD nThumbLength, HGLOBAL hSourceDib);
    BOOL RemoveCurrent();
    BOOL RemoveAll();
    BOOL RemoveSelected();

    // Kept on purpose as the list's search by name; the program looks names up with LookupThumbLength.
    BOOL FindByName(LPCSTR lpszName);
    DWORD LookupThumbLength(LPCSTR lpszName) const;

    // The cursor picture; null or 0 when there is none.
    LPSTR GetName() const;
    DWORD GetPictureSize() const;
    DWORD GetThumbLength() const;
    HGLOBAL GetThumbnail() const;
    void SetPictureHeader(const BITMAPINFOHEADER* pHeader);

    // n counts modulo 256: only its low byte is used.
    BOOL IsSelectedAt(int n) const;
    void ToggleSelectedAt(int n);
    BOOL MoveForward(int n);
    BOOL MoveBack(int n);
    BOOL Rewind();

    int CountSelected() const;
    BOOL FirstSelected();
    BOOL NextSelected();
    void ClearSelection();
    void SelectAll();

    PictureNode* m_pHead;
    PictureNode* m_pTail;
    PictureNode* m_pCursor;  // null when empty, and after a failed search
    int m_nCount;
    int m_nPosition;  // 1-based index of the cursor; 0 when empty
    HANDLE m_hHeap;

private:
    HGLOBAL MakeThumbnail(HGLOBAL hSourceDib, PictureNode* pNode);
    PictureNode* NodeAfterCursor(int n) const;
    void SetCursor(PictureNode* pNode);
    PictureNode* FindNamed(LPCSTR lpszName, int* pnIndex) const;
    BOOL SelectFirstSelectedFrom(PictureNode* pStart, int nIndex);
};
