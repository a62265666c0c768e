// The main window of snapfetch and the holder of all of its run state: the
// camera's two STI interfaces, the list of shown pictures with their
// thumbnails, the destination folder of downloads and the thumbnail grid.
//
// Its set-up, teardown and message map are in CameraDlg.cpp, painting,
// paging and selection in CameraDlgGrid.cpp, and the handlers of the camera
// buttons in CameraDlgCamera.cpp; the camera work itself is done by the
// camera object (snapfetch/transfer), which reports to the window.
#pragma once

#include "Camera.h"
#include "PictureList.h"
#include "resource.h"

#include <afxext.h>
#include <sti.h>

// A directory entry read from the camera, owned by the thumbnail load.
struct CameraEntry;

class CCameraDlg : public CDialog {
public:
    explicit CCameraDlg(CWnd* pParent = nullptr);
    ~CCameraDlg() override;

    enum { IDD = IDD_SNAPFETCH_DIALOG };

    // The grid: three rows of three cells, each a film frame holding one
    // picture's thumbnail with its name underneath.
    static constexpr int kCellCount = 9;
    // Cells per row, and the size of a cell's thumbnail box.
    static constexpr int kRowCells = 3, kBoxWidth = 86, kBoxHeight = 62;
    // Top-left corners of the nine thumbnail boxes, in client pixels.
    static constexpr POINT kCellOrigins[kCellCount] = {
        {21, 35}, {141, 35}, {261, 35}, {21, 165}, {141, 165}, {261, 165}, {21, 295}, {141, 295}, {261, 295},
    };

    BOOL OnInitDialog() override;

protected:
    // Kept as the dialog class's data-exchange point; the window has no fields.
    void DoDataExchange(CDataExchange* pDX) override;

    // Handlers, in the order of the message map.
    afx_msg void OnExit();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    afx_msg void OnDelete();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnBackward();
    afx_msg void OnForward();
    afx_msg void OnNext();
    afx_msg void OnPrev();
    afx_msg void OnAcquire();
    afx_msg void OnFromDsc();
    afx_msg void OnUsb();
    afx_msg void OnSelect();
    DECLARE_MESSAGE_MAP()

private:
    // ---- Set-up (CameraDlg.cpp)
    void AttachButtons();
    void LoadFrameBitmaps();
    // The application's wait cursor: 1 begins a wait, -1 ends it.
    static void DoWaitCursor(int nCode);

    // ---- Grid (CameraDlgGrid.cpp)
    // Shows or hides PREV and NEXT and enables them for the list's cursor.
    void UpdatePageButtons();
    // Repaints the whole grid area, background included.
    void InvalidateGrid();
    // The cell (1 to 9) whose thumbnail box holds the point, or 0.
    BYTE HitTestCell(CPoint point) const;
    void ToggleCell(BYTE nCell, BOOL bExclusive);
    // Redraws the rings between the frames and their thumbnails.
    void InvalidateCells();
    // The caption of a picture: the name after its last backslash, cut to
    // nine characters and "..." when it has twelve or more.
    static CString MakeLabel(LPCSTR lpszName);
    CRect GridArea() const;
    void DrawFrames(CDC& dc, const CRect& rcGrid);
    void DrawThumbnails(CDC& dc);
    static void DrawThumbnail(CDC& dc, HGLOBAL hThumbnail, POINT origin);

    // ---- Camera (CameraDlgCamera.cpp): the window's side of the camera
    // object's operations.
    class CReport;
    // Opens the first still-image device with an accepted description:
    // 1 when a camera was opened, 0 otherwise. Shows no message.
    int ConnectCamera();
    // Gives up the device interface, then the root interface.
    void ReleaseCamera();
    // Appends the camera's directory entries to *ppEntries; the number of
    // entries appended, 0 on any failure.
    int ReadPictureDirectory(CameraEntry** ppEntries);
    // The first dwLength bytes (made odd) of the camera file lpszName (8
    // characters, no extension) in a VirtualAlloc block the caller frees;
    // null when the file cannot be read.
    LPBYTE FetchCameraFile(LPCSTR lpszName, DWORD dwLength);
    // Decodes a fetched thumbnail file and adds the picture to the list:
    // 1 when added, 0 when the thumbnail cannot be decoded.
    int AddThumbnail(const BYTE* pThumbFile, DWORD dwFileSize, DWORD dwThumbSize, LPCSTR lpszName);
    // The download workflow of ACQUIRE once something is selected.
    void DownloadSelected();
    // Deletes one picture (8-character name) on the camera; TRUE when the
    // camera confirmed it.
    BOOL DeleteCameraFile(LPCSTR lpszName);

    // ---- Members, in the order they are built
    HICON m_hIcon;
    CBitmapButton m_btnExit;
    CBitmapButton m_btnAcquire;
    CBitmapButton m_btnDelete;
    CBitmapButton m_btnFromDsc;
    CBitmapButton m_btnForward;
    CBitmapButton m_btnNext;
    CBitmapButton m_btnPrev;
    CBitmapButton m_btnBackward;
    CBitmapButton m_btnUsb;  // drawn pushed while a camera is connected
    CBitmapButton m_btnSelect;
    BITMAP m_bmFrameInfo;          // size of the frame bitmap: the grid's pitch
    CBitmap m_bmpFrame;            // film frame of a cell not selected
    CBitmap m_bmpFrameSelected;    // the same frame with yellow corner marks
    CPictureList m_pictures;       // its cursor is the first picture of the page
    CString m_strDestFolder;       // where downloads go
    BYTE m_nPressedCell;           // cell (1 to 9) under the last press, 0 for none
    int m_nPressKeys;              // MK_CONTROL if Ctrl was held at that press
    int m_bCellUsed[kCellCount];   // the last thumbnail pass drew a picture there
    BYTE m_bCameraMode;            // 1 once a camera has been connected
    RECT m_rcCellFrame[kCellCount];  // redrawn when the cell's selection changes
    RECT m_rcCellThumb[kCellCount];  // thumbnail box; a click must land in it
    CCamera m_camera;              // reads into m_pictures

    // Tests look inside through a probe of their own.
    friend struct CameraDlgProbe;
};
