#include "CreatePathDlg.h"

CCreatePathDlg::CCreatePathDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CCreatePathDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_PATH, m_strPath);
}

void CCreatePathDlg::OnCancel() { CDialog::OnCancel(); }
