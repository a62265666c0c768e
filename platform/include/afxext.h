// Framework extensions: CBitmapButton.
#pragma once

#include <afxwin.h>

// An owner-drawn button drawn from up to four bitmaps: up (required),
// down (while pressed), focused and disabled. AutoLoad finds them by the
// button's caption: caption + "U", "D", "F" and "X".
class AFX_API CBitmapButton : public CButton {
    DECLARE_DYNAMIC(CBitmapButton)

public:
    CBitmapButton() = default;

    // Loads the bitmaps (the old ones are deleted first). FALSE when the up
    // bitmap is missing, or when any other bitmap that is named is.
    BOOL LoadBitmaps(LPCSTR lpszBitmapResource, LPCSTR lpszBitmapResourceSel = nullptr,
                     LPCSTR lpszBitmapResourceFocus = nullptr, LPCSTR lpszBitmapResourceDisabled = nullptr);
    BOOL LoadBitmaps(UINT nIDBitmapResource, UINT nIDBitmapResourceSel = 0, UINT nIDBitmapResourceFocus = 0,
                     UINT nIDBitmapResourceDisabled = 0);
    // Takes over the dialog's button nID, loads the bitmaps its caption
    // names and sizes the button to the up bitmap. FALSE when the button
    // does not exist or has no up bitmap (it then stays an owner-drawn
    // button without image).
    BOOL AutoLoad(UINT nID, CWnd* pParent);
    // Sizes the button to the up bitmap.
    void SizeToContent();

    // Draws the down bitmap while the button is pressed, else the focused
    // one while it has the focus, else the disabled one while it is
    // disabled (each when it exists), else the up bitmap.
    void DrawItem(LPDRAWITEMSTRUCT lpDIS) override;

protected:
    CBitmap m_bitmap;
    CBitmap m_bitmapSel;
    CBitmap m_bitmapFocus;
    CBitmap m_bitmapDisabled;
};
