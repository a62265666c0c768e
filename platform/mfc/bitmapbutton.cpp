// CBitmapButton: an owner-drawn button showing bitmaps by state.
#include <afxext.h>

IMPLEMENT_DYNAMIC(CBitmapButton, CButton)

BOOL CBitmapButton::LoadBitmaps(LPCSTR lpszBitmapResource, LPCSTR lpszBitmapResourceSel,
                                LPCSTR lpszBitmapResourceFocus, LPCSTR lpszBitmapResourceDisabled)
{
    m_bitmap.DeleteObject();
    m_bitmapSel.DeleteObject();
    m_bitmapFocus.DeleteObject();
    m_bitmapDisabled.DeleteObject();
    if (!m_bitmap.LoadBitmap(lpszBitmapResource)) return FALSE;
    BOOL allLoaded = TRUE;
    if (lpszBitmapResourceSel && !m_bitmapSel.LoadBitmap(lpszBitmapResourceSel)) allLoaded = FALSE;
    if (lpszBitmapResourceFocus && !m_bitmapFocus.LoadBitmap(lpszBitmapResourceFocus)) allLoaded = FALSE;
    if (lpszBitmapResourceDisabled && !m_bitmapDisabled.LoadBitmap(lpszBitmapResourceDisabled)) allLoaded = FALSE;
    return allLoaded;
}

BOOL CBitmapButton::LoadBitmaps(UINT nIDBitmapResource, UINT nIDBitmapResourceSel, UINT nIDBitmapResourceFocus,
                                UINT nIDBitmapResourceDisabled)
{
    auto name = [](UINT id) { return id ? MAKEINTRESOURCEA(id) : nullptr; };
    return LoadBitmaps(name(nIDBitmapResource), name(nIDBitmapResourceSel), name(nIDBitmapResourceFocus),
                       name(nIDBitmapResourceDisabled));
}

BOOL CBitmapButton::AutoLoad(UINT nID, CWnd* pParent)
{
    if (!SubclassDlgItem(nID, pParent)) return FALSE;
    CString caption;
    GetWindowText(caption);
    if (caption.IsEmpty()) return FALSE;  // nothing names the bitmaps
    LoadBitmaps(caption + "U", caption + "D", caption + "F", caption + "X");
    if (!m_bitmap.m_hObject) return FALSE;
    SizeToContent();
    return TRUE;
}

void CBitmapButton::SizeToContent()
{
    BITMAP info = {};
    if (!m_bitmap.m_hObject || !m_bitmap.GetBitmap(&info)) return;
    SetWindowPos(nullptr, -1, -1, info.bmWidth, info.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

void CBitmapButton::DrawItem(LPDRAWITEMSTRUCT lpDIS)
{
    if (!lpDIS || !m_bitmap.m_hObject) return;
    CBitmap* bitmap = &m_bitmap;
    UINT state = lpDIS->itemState;
    if ((state & ODS_SELECTED) && m_bitmapSel.m_hObject) {
        bitmap = &m_bitmapSel;
    } else if ((state & ODS_FOCUS) && m_bitmapFocus.m_hObject) {
        bitmap = &m_bitmapFocus;
    } else if ((state & ODS_DISABLED) && m_bitmapDisabled.m_hObject) {
        bitmap = &m_bitmapDisabled;
    }
    CDC* dc = CDC::FromHandle(lpDIS->hDC);
    if (!dc) return;
    CDC memory;
    if (!memory.CreateCompatibleDC(dc)) return;
    CBitmap* previous = memory.SelectObject(bitmap);
    if (!previous) return;
    CRect rect(lpDIS->rcItem);
    dc->BitBlt(rect.left, rect.top, rect.Width(), rect.Height(), &memory, 0, 0, SRCCOPY);
    memory.SelectObject(previous);
}
