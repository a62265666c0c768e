// The main window's construction, start-up, teardown and message map.
#include "CameraDlg.h"

#include <cstdlib>

namespace {

const char kNoCameraText[] =
    "Can not find digital camera!\nTIP:\n(1)Check if digital camear is powered on already.\n"
    "(2)Check if the either USB or RS232 cable is connected properly.\n"
    "(3)Turn off camear. Reset and plug it again.";

const char kDefaultDestFolder[] = "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE\\";

// Thumbnail box and frame area of a cell, from the box's top-left corner.
RECT ThumbBoxAt(POINT origin)
{
    return RECT{origin.x, origin.y, origin.x + CCameraDlg::kBoxWidth, origin.y + CCameraDlg::kBoxHeight};
}
RECT FrameAreaAt(POINT origin) { return RECT{origin.x - 15, origin.y - 12, origin.x + 101, origin.y + 74}; }

}  // namespace

BEGIN_MESSAGE_MAP(CCameraDlg, CDialog)
    ON_BN_CLICKED(IDC_EXIT, &CCameraDlg::OnExit)
    ON_WM_ERASEBKGND()
    ON_WM_DESTROY()
    ON_WM_PAINT()
    ON_BN_CLICKED(IDC_DELETE, &CCameraDlg::OnDelete)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_BN_CLICKED(IDC_BACKWARD, &CCameraDlg::OnBackward)
    ON_BN_CLICKED(IDC_FORWARD, &CCameraDlg::OnForward)
    ON_BN_CLICKED(IDC_NEXT, &CCameraDlg::OnNext)
    ON_BN_CLICKED(IDC_PREV, &CCameraDlg::OnPrev)
    ON_BN_CLICKED(IDC_ACQUIRE, &CCameraDlg::OnAcquire)
    ON_BN_CLICKED(IDC_FROMDSC, &CCameraDlg::OnFromDsc)
    ON_BN_CLICKED(IDC_USB, &CCameraDlg::OnUsb)
    ON_BN_CLICKED(IDC_SELECT, &CCameraDlg::OnSelect)
END_MESSAGE_MAP()

CCameraDlg::CCameraDlg(CWnd* pParent)
    : CDialog(IDD, pParent), m_hIcon(nullptr), m_bmFrameInfo{}, m_strDestFolder(kDefaultDestFolder),
      m_nPressedCell(0), m_nPressKeys(0), m_bCellUsed{}, m_bCameraMode(0), m_rcCellFrame{}, m_rcCellThumb{},
      m_camera(m_pictures)
{
    if (CWinApp* pApp = AfxGetApp()) m_hIcon = pApp->LoadIcon(IDR_MAINFRAME);
    for (int i = 0; i < kCellCount; ++i) {
        m_rcCellFrame[i] = FrameAreaAt(kCellOrigins[i]);
        m_rcCellThumb[i] = ThumbBoxAt(kCellOrigins[i]);
    }
}

CCameraDlg::~CCameraDlg()
{
    // The members go afterwards, in reverse order: the picture list frees
    // every picture with its thumbnail and then its heap.
    ReleaseCamera();
}

void CCameraDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CCameraDlg::OnInitDialog()
{
    DoWaitCursor(1);
    CDialog::OnInitDialog();
    UpdatePageButtons();
    AttachButtons();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    LoadFrameBitmaps();

    // One connection attempt; with a camera its pictures are loaded at once.
    OnUsb();
    if (m_bCameraMode == 0)
        AfxMessageBox(kNoCameraText, MB_OK, 0);
    else
        OnFromDsc();
    DoWaitCursor(-1);
    return TRUE;
}

// A button whose bitmaps are missing stays a plain owner-drawn button; the
// window works all the same.
void CCameraDlg::AttachButtons()
{
    m_btnExit.AutoLoad(IDC_EXIT, this);
    m_btnAcquire.AutoLoad(IDC_ACQUIRE, this);
    m_btnDelete.AutoLoad(IDC_DELETE, this);
    m_btnFromDsc.AutoLoad(IDC_FROMDSC, this);
    m_btnForward.AutoLoad(IDC_FORWARD, this);
    m_btnPrev.AutoLoad(IDC_PREV, this);
    m_btnNext.AutoLoad(IDC_NEXT, this);
    m_btnBackward.AutoLoad(IDC_BACKWARD, this);
    m_btnUsb.AutoLoad(IDC_USB, this);
    m_btnSelect.AutoLoad(IDC_SELECT, this);
}

// Without the frame bitmap the grid's pitch stays zero: the frames are then
// drawn with no size, and start-up goes on.
void CCameraDlg::LoadFrameBitmaps()
{
    LPCSTR frame = MAKEINTRESOURCEA(IDB_FRAME);
    if (m_bmpFrame.Attach(::LoadBitmapA(AfxFindResourceHandle(frame, RT_BITMAP), frame)))
        ::GetObjectA(m_bmpFrame.m_hObject, sizeof m_bmFrameInfo, &m_bmFrameInfo);
    LPCSTR selected = MAKEINTRESOURCEA(IDB_FRAME_SELECTED);
    m_bmpFrameSelected.Attach(::LoadBitmapA(AfxFindResourceHandle(selected, RT_BITMAP), selected));
}

void CCameraDlg::DoWaitCursor(int nCode)
{
    if (CWinApp* pApp = AfxGetApp()) pApp->DoWaitCursor(nCode);
}

// The GDI objects of the frames go with the window; the objects themselves
// stay, empty, until the dialog object goes.
void CCameraDlg::OnDestroy()
{
    m_bmpFrame.DeleteObject();
    m_bmpFrameSelected.DeleteObject();
    CWnd::OnDestroy();
}

// EXIT ends the process at once: no confirmation, and the dialog is not
// ended, so its destructor does not run.
void CCameraDlg::OnExit() { std::exit(1); }
