#include "ProgressDlg.h"

BEGIN_MESSAGE_MAP(CProgressDlg, CDialog)
END_MESSAGE_MAP()

CProgressDlg::CProgressDlg(CWnd* pParent)
{
    // A failed creation leaves the operation without visible progress; it
    // goes on all the same.
    Create(IDD, pParent);
}

CProgressDlg::~CProgressDlg()
{
    m_progress.DestroyWindow();
    DestroyWindow();
}

void CProgressDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

// The bar takes the place of the hidden placeholder static.
BOOL CProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CRect rcBar(0, 0, 0, 0);
    if (CWnd* pPlace = GetDlgItem(IDC_PROGRESS_PLACE)) {
        pPlace->GetWindowRect(&rcBar);
        ScreenToClient(&rcBar);
    }
    m_progress.Create(WS_CHILD | WS_VISIBLE, rcBar, this, IDC_PROGRESS_BAR);
    if (m_progress.m_hWnd) {
        m_progress.SendMessage(PBM_SETPOS, 0, 0);
        m_progress.ShowWindow(SW_SHOW);
    }
    return TRUE;
}

void CProgressDlg::SetRange(WORD nLower, WORD nUpper)
{
    if (m_progress.m_hWnd) m_progress.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper));
}

void CProgressDlg::SetStep(int nStep)
{
    if (m_progress.m_hWnd) m_progress.SendMessage(PBM_SETSTEP, static_cast<WPARAM>(nStep), 0);
}

void CProgressDlg::StepIt()
{
    if (m_progress.m_hWnd) m_progress.SendMessage(PBM_STEPIT, 0, 0);
}

void CProgressDlg::SetText(LPCSTR lpszText)
{
    if (m_hWnd) SetDlgItemText(IDC_PROGRESS_TEXT, lpszText);
}
