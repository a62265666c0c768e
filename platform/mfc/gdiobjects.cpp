// The GDI object wrappers: CGdiObject, CBitmap, CFont, CBrush, CPen, CRgn.
#include "afx_state.h"

#include <type_traits>

namespace {

afx::HandleMap<HGDIOBJ, CGdiObject>& Objects() { return afx::GetState().gdiObjects; }

std::unique_ptr<CGdiObject> NewWrapperFor(HGDIOBJ hObject)
{
    switch (::GetObjectType(hObject)) {
    case OBJ_BITMAP: return std::make_unique<CBitmap>();
    case OBJ_FONT: return std::make_unique<CFont>();
    case OBJ_BRUSH: return std::make_unique<CBrush>();
    case OBJ_PEN: return std::make_unique<CPen>();
    case OBJ_REGION: return std::make_unique<CRgn>();
    default: return std::make_unique<CGdiObject>();
    }
}

void Forget(CGdiObject& temp)
{
    temp.m_hObject = nullptr;  // the handle is not the temporary object's to delete
}

// The temporary wrapper of a handle, of class T (or, for CGdiObject, of
// the class that matches the handle's kind).
template <class T>
T* TemporaryWrapper(HGDIOBJ hObject)
{
    auto& temps = Objects().temporary;
    auto it = temps.find(hObject);
    if (it != temps.end()) {
        if (auto* existing = dynamic_cast<T*>(it->second.get())) return existing;
        Forget(*it->second);  // a handle value reused for another kind of object
        temps.erase(it);
    }
    afx::DropDeadTemporaryGdiObjects();
    std::unique_ptr<CGdiObject> temp;
    if constexpr (std::is_same_v<T, CGdiObject>) {
        temp = NewWrapperFor(hObject);
    } else {
        temp = std::make_unique<T>();
    }
    temp->m_hObject = hObject;
    T* result = static_cast<T*>(temp.get());
    temps[hObject] = std::move(temp);
    return result;
}

template <class T>
T* WrapperFor(HGDIOBJ hObject)
{
    if (!hObject) return nullptr;
    if (auto* permanent = dynamic_cast<T*>(Objects().Permanent(hObject))) return permanent;
    return TemporaryWrapper<T>(hObject);
}

}  // namespace

void afx::DropDeadTemporaryGdiObjects()
{
    Objects().DropDead([](HGDIOBJ hObject) { return ::GetObjectType(hObject) != 0; }, Forget);
}

// ---- CGdiObject ---------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CGdiObject, CObject)

CGdiObject::~CGdiObject() { DeleteObject(); }

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) { return WrapperFor<CGdiObject>(hObject); }

void CGdiObject::DeleteTempMap() { Objects().ClearTemporaries(Forget); }

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (!hObject || m_hObject || Objects().Permanent(hObject)) return FALSE;
    Objects().permanent[hObject] = this;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ hObject = m_hObject;
    if (hObject && Objects().Permanent(hObject) == this) Objects().permanent.erase(hObject);
    m_hObject = nullptr;
    return hObject;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject) return FALSE;
    return ::DeleteObject(Detach());
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const { return ::GetObjectA(m_hObject, nCount, lpObject); }
UINT CGdiObject::GetObjectType() const { return static_cast<UINT>(::GetObjectType(m_hObject)); }
BOOL CGdiObject::CreateStockObject(int nIndex) { return Attach(::GetStockObject(nIndex)); }

// ---- CBitmap --------------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CBitmap, CGdiObject)

CBitmap* CBitmap::FromHandle(HBITMAP hBitmap) { return WrapperFor<CBitmap>(hBitmap); }

BOOL CBitmap::LoadBitmap(LPCSTR lpszResourceName)
{
    if (!lpszResourceName || m_hObject) return FALSE;
    HINSTANCE module = AfxFindResourceHandle(lpszResourceName, RT_BITMAP);
    HBITMAP bitmap = ::LoadBitmapA(module, lpszResourceName);
    return bitmap && Attach(bitmap);
}

BOOL CBitmap::LoadBitmap(UINT nIDResource) { return nIDResource ? LoadBitmap(MAKEINTRESOURCEA(nIDResource)) : FALSE; }

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits)
{
    return !m_hObject && Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
}

BOOL CBitmap::CreateBitmapIndirect(LPBITMAP lpBitmap)
{
    return lpBitmap && CreateBitmap(lpBitmap->bmWidth, lpBitmap->bmHeight, lpBitmap->bmPlanes, lpBitmap->bmBitsPixel,
                                    nullptr);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
{
    return !m_hObject && Attach(::CreateCompatibleBitmap(pDC ? pDC->m_hDC : nullptr, nWidth, nHeight));
}

int CBitmap::GetBitmap(BITMAP* pBitMap) const { return GetObject(sizeof(BITMAP), pBitMap); }

CSize CBitmap::GetBitmapDimension() const
{
    BITMAP info = {};
    if (!GetBitmap(&info)) return CSize();
    return CSize(info.bmWidth, info.bmHeight);
}

// ---- CFont -----------------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CFont, CGdiObject)

CFont* CFont::FromHandle(HFONT hFont) { return WrapperFor<CFont>(hFont); }

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                       BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename)
{
    return !m_hObject && Attach(::CreateFontA(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline,
                                              cStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality,
                                              nPitchAndFamily, lpszFacename));
}

BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont)
{
    return lpLogFont && !m_hObject && Attach(::CreateFontIndirectA(lpLogFont));
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC)
{
    int pixelsPerInch = pDC ? pDC->GetDeviceCaps(LOGPIXELSY) : 96;
    LOGFONT font = {};
    font.lfHeight = -::MulDiv(nPointSize, pixelsPerInch, 720);
    font.lfCharSet = DEFAULT_CHARSET;
    if (lpszFaceName) ::lstrcpynA(font.lfFaceName, lpszFaceName, LF_FACESIZE);
    return CreateFontIndirect(&font);
}

int CFont::GetLogFont(LOGFONT* pLogFont) const { return GetObject(sizeof(LOGFONT), pLogFont); }

// ---- CBrush ----------------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CBrush, CGdiObject)

CBrush::CBrush(COLORREF crColor)
{
    if (!CreateSolidBrush(crColor)) AfxThrowResourceException();
}

CBrush* CBrush::FromHandle(HBRUSH hBrush) { return WrapperFor<CBrush>(hBrush); }
BOOL CBrush::CreateSolidBrush(COLORREF crColor) { return !m_hObject && Attach(::CreateSolidBrush(crColor)); }

BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* lpLogBrush)
{
    return lpLogBrush && !m_hObject && Attach(::CreateBrushIndirect(lpLogBrush));
}

// A system colour's brush belongs to the system: the object does not
// delete it, so it holds a solid brush of that colour instead.
BOOL CBrush::CreateSysColorBrush(int nIndex) { return CreateSolidBrush(::GetSysColor(nIndex)); }

int CBrush::GetLogBrush(LOGBRUSH* pLogBrush) const { return GetObject(sizeof(LOGBRUSH), pLogBrush); }

// ---- CPen ------------------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CPen, CGdiObject)

CPen::CPen(int nPenStyle, int nWidth, COLORREF crColor)
{
    if (!CreatePen(nPenStyle, nWidth, crColor)) AfxThrowResourceException();
}

CPen* CPen::FromHandle(HPEN hPen) { return WrapperFor<CPen>(hPen); }

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
{
    return !m_hObject && Attach(::CreatePen(nPenStyle, nWidth, crColor));
}

int CPen::GetLogPen(LOGPEN* pLogPen) const { return GetObject(sizeof(LOGPEN), pLogPen); }

// ---- CRgn ------------------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CRgn, CGdiObject)

CRgn* CRgn::FromHandle(HRGN hRgn) { return WrapperFor<CRgn>(hRgn); }
BOOL CRgn::CreateRectRgn(int x1, int y1, int x2, int y2) { return !m_hObject && Attach(::CreateRectRgn(x1, y1, x2, y2)); }

BOOL CRgn::CreateRectRgnIndirect(LPCRECT lpRect)
{
    return lpRect && CreateRectRgn(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

int CRgn::CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode)
{
    return ::CombineRgn(static_cast<HRGN>(m_hObject), pRgn1 ? static_cast<HRGN>(pRgn1->m_hObject) : nullptr,
                        pRgn2 ? static_cast<HRGN>(pRgn2->m_hObject) : nullptr, nCombineMode);
}

int CRgn::GetRgnBox(LPRECT lpRect) const { return ::GetRgnBox(static_cast<HRGN>(m_hObject), lpRect); }
BOOL CRgn::PtInRegion(int x, int y) const { return ::PtInRegion(static_cast<HRGN>(m_hObject), x, y); }
