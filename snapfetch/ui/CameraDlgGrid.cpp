// The thumbnail grid: painting, paging by rows and selection by mouse.
//
// The grid is a window onto the picture list: its first cell shows the
// list's cursor picture and the others the eight pictures after it. The
// frames are laid out from the hidden grid control's rectangle, the
// thumbnails and captions from kCellOrigins.
#include "CameraDlg.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr COLORREF kBackground = RGB(0, 0, 0);
constexpr COLORREF kCaptionColour = RGB(0, 225, 0);
// Gaps between the frames of a row and between the rows.
constexpr int kFrameGapX = 20;
constexpr int kFrameGapY = 25;
// The caption's place below the thumbnail box.
constexpr int kCaptionDx = 5;
constexpr int kCaptionDy = 85;
// Captions of this length or more are cut.
constexpr int kLongCaption = 12;
constexpr int kCutCaption = 9;

}  // namespace

BOOL CCameraDlg::OnEraseBkgnd(CDC* pDC)
{
    CBrush brush;
    brush.CreateSolidBrush(kBackground);
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    ScreenToClient(&rcWindow);
    pDC->FillRect(&rcWindow, &brush);
    return TRUE;
}

void CCameraDlg::OnPaint()
{
    CPaintDC dc(this);
    DrawFrames(dc, GridArea());
    if (m_pictures.GetThumbnail()) DrawThumbnails(dc);
    // The USB button shows whether a camera is connected.
    if (m_btnUsb.m_hWnd) m_btnUsb.SendMessage(BM_SETSTATE, m_bCameraMode == 1 ? 1 : 0);
}

// All nine frames are drawn, empty cells included; an empty cell is never
// selected.
void CCameraDlg::DrawFrames(CDC& dc, const CRect& rcGrid)
{
    CDC memory;
    if (!memory.CreateCompatibleDC(&dc)) return;
    CBitmap* pPrevious = memory.SelectObject(&m_bmpFrame);
    const int nWidth = m_bmFrameInfo.bmWidth;
    const int nHeight = m_bmFrameInfo.bmHeight;
    for (int row = 0; row < kCellCount / kRowCells; ++row) {
        for (int column = 0; column < kRowCells; ++column) {
            int n = kRowCells * row + column;
            memory.SelectObject(m_pictures.IsSelectedAt(n) ? &m_bmpFrameSelected : &m_bmpFrame);
            dc.BitBlt(rcGrid.left + column * (nWidth + kFrameGapX), rcGrid.top + row * (nHeight + kFrameGapY), nWidth,
                      nHeight, &memory, 0, 0, SRCCOPY);
        }
    }
    if (pPrevious) memory.SelectObject(pPrevious);
}

// Walks the cursor over the page and back, so that it ends where it began.
void CCameraDlg::DrawThumbnails(CDC& dc)
{
    CString strLabel = MakeLabel(m_pictures.GetName());
    HGLOBAL hThumbnail = m_pictures.GetThumbnail();
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kCaptionColour);
    CFont font;
    font.CreateFont(16, 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, nullptr);
    CFont* pPreviousFont = dc.SelectObject(&font);

    std::fill(std::begin(m_bCellUsed), std::end(m_bCellUsed), 0);
    int nMoved = 0;
    for (int i = 0; i < kCellCount; ++i) {
        POINT origin = kCellOrigins[i];
        // A picture whose thumbnail could not be made shows its frame and
        // caption only.
        if (hThumbnail) DrawThumbnail(dc, hThumbnail, origin);
        dc.TextOut(origin.x + kCaptionDx, origin.y + kCaptionDy, strLabel);
        m_bCellUsed[i] = 1;
        if (!m_pictures.MoveForward(1)) break;
        ++nMoved;
        strLabel = MakeLabel(m_pictures.GetName());
        hThumbnail = m_pictures.GetThumbnail();
    }
    m_pictures.MoveBack(nMoved);
    if (pPreviousFont) dc.SelectObject(pPreviousFont);
}

// Thumbnails are copied one to one, centred on their box; the largest the
// list makes overlap the box by 4 pixels on each side.
void CCameraDlg::DrawThumbnail(CDC& dc, HGLOBAL hThumbnail, POINT origin)
{
    auto* pHeader = static_cast<BITMAPINFOHEADER*>(::GlobalLock(hThumbnail));
    if (!pHeader) return;
    const LONG w = pHeader->biWidth;
    const LONG h = pHeader->biHeight;
    ::SetDIBitsToDevice(dc.m_hDC, origin.x + (kBoxWidth - w) / 2, origin.y + (kBoxHeight - h) / 2, w, h, 0, 0, 0, h,
                        reinterpret_cast<BYTE*>(pHeader) + sizeof(BITMAPINFOHEADER),
                        reinterpret_cast<BITMAPINFO*>(pHeader), DIB_RGB_COLORS);
    ::GlobalUnlock(hThumbnail);
}

CString CCameraDlg::MakeLabel(LPCSTR lpszName)
{
    if (!lpszName) return CString();
    const int nLength = static_cast<int>(std::strlen(lpszName));
    if (nLength < 2) return CString();
    // A path is captioned with its last part; a backslash right after the
    // first character does not count as one.
    LPCSTR lpszTaken = lpszName;
    for (int i = nLength - 1; i >= 1; --i) {
        if (lpszName[i] != '\\') continue;
        if (i >= 2) lpszTaken = lpszName + i + 1;
        break;
    }
    if (std::strlen(lpszTaken) >= static_cast<size_t>(kLongCaption)) return CString(lpszTaken, kCutCaption) + "...";
    return CString(lpszTaken);
}

// ---- Paging -------------------------------------------------------------------------------

void CCameraDlg::UpdatePageButtons()
{
    // Reached through the dialog's controls: start-up calls this before the
    // buttons are attached.
    CWnd* pPrev = GetDlgItem(IDC_PREV);
    CWnd* pNext = GetDlgItem(IDC_NEXT);
    if (!pPrev || !pNext) return;
    if (m_pictures.m_nCount > kCellCount) {
        pPrev->ShowWindow(SW_SHOWNORMAL);
        pNext->ShowWindow(SW_SHOWNORMAL);
        pNext->EnableWindow(m_pictures.m_nCount - m_pictures.m_nPosition > kCellCount - 1);
        // Any page but the first has pictures before it, also one that does
        // not start on a row of three from the head (after a delete).
        pPrev->EnableWindow(m_pictures.m_nPosition > 1);
    } else {
        pPrev->ShowWindow(SW_HIDE);
        pNext->ShowWindow(SW_HIDE);
    }
}

CRect CCameraDlg::GridArea() const
{
    CRect rcGrid(0, 0, 0, 0);
    if (CWnd* pGrid = GetDlgItem(IDC_GRID)) {
        pGrid->GetWindowRect(&rcGrid);
        ScreenToClient(&rcGrid);
    }
    return rcGrid;
}

void CCameraDlg::InvalidateGrid()
{
    CRect rcGrid = GridArea();
    InvalidateRect(&rcGrid, TRUE);
}

void CCameraDlg::OnPrev()
{
    // At the head MoveBack moves fewer places or none, and still succeeds.
    if (!m_pictures.MoveBack(kRowCells)) return;
    InvalidateGrid();
    UpdatePageButtons();
}

void CCameraDlg::OnNext()
{
    if (m_pictures.m_nCount - m_pictures.m_nPosition <= kCellCount - 1) return;
    if (!m_pictures.MoveForward(kRowCells)) return;
    InvalidateGrid();
    UpdatePageButtons();
}

void CCameraDlg::OnBackward()
{
    if (!m_pictures.Rewind()) return;
    InvalidateGrid();
    UpdatePageButtons();
}

// To the first view that shows the last picture.
void CCameraDlg::OnForward()
{
    BOOL bMoved = FALSE;
    while (m_pictures.m_nCount - m_pictures.m_nPosition > kCellCount - 1 && m_pictures.MoveForward(kRowCells))
        bMoved = TRUE;
    UpdatePageButtons();
    if (bMoved) InvalidateGrid();
}

// ---- Selection ------------------------------------------------------------------------------

// The Ctrl state counts as it was at the press.
void CCameraDlg::OnLButtonDown(UINT nFlags, CPoint point)
{
    m_nPressedCell = HitTestCell(point);
    m_nPressKeys = static_cast<int>(nFlags & MK_CONTROL);
    Default();
}

// A click selects only when pressed and released on the same cell.
void CCameraDlg::OnLButtonUp(UINT, CPoint point)
{
    if (m_nPressedCell != 0 && HitTestCell(point) == m_nPressedCell) ToggleCell(m_nPressedCell, m_nPressKeys == 0);
    m_nPressedCell = 0;
    m_nPressKeys = 0;
    Default();
}

BYTE CCameraDlg::HitTestCell(CPoint point) const
{
    for (int i = 0; i < kCellCount; ++i) {
        if (m_bCellUsed[i] && ::PtInRect(&m_rcCellThumb[i], point)) return static_cast<BYTE>(i + 1);
    }
    return 0;
}

// A plain click makes the picture the only selected one of the whole list;
// a Ctrl+click flips it alone. The frames show the change at once.
void CCameraDlg::ToggleCell(BYTE nCell, BOOL bExclusive)
{
    if (bExclusive) m_pictures.ClearSelection();
    m_pictures.ToggleSelectedAt(nCell - 1);
    InvalidateCells();
    UpdateWindow();
}

// Only the ring around each thumbnail is redrawn: the boxes are validated
// again, so the thumbnails themselves are not painted twice.
void CCameraDlg::InvalidateCells()
{
    const int nCells = std::min(m_pictures.m_nCount, kCellCount);
    for (int i = 0; i < nCells; ++i) {
        InvalidateRect(&m_rcCellFrame[i], TRUE);
        ValidateRect(&m_rcCellThumb[i]);
    }
}

// Every picture of the list is selected, on every page; the frames change
// with the next paint.
void CCameraDlg::OnSelect()
{
    const int nCells = std::min(m_pictures.m_nCount, kCellCount);
    for (int i = 0; i < nCells; ++i) InvalidateRect(&m_rcCellFrame[i], TRUE);
    m_pictures.SelectAll();
}
