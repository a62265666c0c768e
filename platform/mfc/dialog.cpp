// CDialog: modal and modeless dialogs from dialog templates.
//
// A modal dialog runs in the platform's own modal loop (DialogBoxIndirect-
// ParamA), so it ends, disables its owner and answers Enter and Esc exactly
// as the platform's dialogs do; the object is attached to the dialog window
// as the window is created.
#include "afx_state.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
    ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd)
{
}

CDialog::~CDialog() = default;

// The dialog procedure behind every framework dialog. The dialog's messages
// reach the object through its window procedure (AfxWndProc) before this is
// called; only a window that was not attached at creation gets its
// WM_INITDIALOG here, and is attached then.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG) return FALSE;
    auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    if (!dialog) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        if (!dialog || !dialog->SubclassWindow(hWnd)) return FALSE;
    }
    if (dialog->m_bInitDialogDone) return FALSE;
    return static_cast<INT_PTR>(AfxWndProc(hWnd, message, wParam, lParam));
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    UnhookWindowCreate();  // the dialog window is attached; its controls stay plain
    m_bInitDialogDone = TRUE;
    return OnInitDialog();
}

LPCDLGTEMPLATE CDialog::FindTemplate(LPCSTR name, HINSTANCE* hInst) const
{
    if (!name) return nullptr;
    *hInst = AfxFindResourceHandle(name, RT_DIALOG);
    HRSRC resource = ::FindResourceA(*hInst, name, RT_DIALOG);
    if (!resource) return nullptr;
    return static_cast<LPCDLGTEMPLATE>(::LockResource(::LoadResource(*hInst, resource)));
}

HWND CDialog::OwnerWindow() const
{
    if (m_pParentWnd) return afx::SafeOwner(m_pParentWnd);
    CWnd* main = AfxGetMainWnd();
    return main == this ? nullptr : afx::SafeOwner(nullptr);
}

INT_PTR CDialog::DoModal()
{
    HINSTANCE hInst = nullptr;
    LPCDLGTEMPLATE dialogTemplate = FindTemplate(m_lpszTemplateName, &hInst);
    if (!dialogTemplate || m_hWnd) return -1;
    m_bInitDialogDone = FALSE;
    HookWindowCreate();
    INT_PTR result = ::DialogBoxIndirectParamA(hInst, dialogTemplate, OwnerWindow(), AfxDlgProc,
                                               reinterpret_cast<LPARAM>(this));
    UnhookWindowCreate();
    if (m_hWnd && !::IsWindow(m_hWnd)) Detach();
    return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) { return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd); }

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd)
{
    m_lpszTemplateName = lpszTemplateName;
    if (IS_INTRESOURCE(lpszTemplateName) && m_nIDHelp == 0)
        m_nIDHelp = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpszTemplateName));
    HINSTANCE hInst = nullptr;
    LPCDLGTEMPLATE dialogTemplate = FindTemplate(lpszTemplateName, &hInst);
    if (!dialogTemplate) return FALSE;
    return CreateIndirect(dialogTemplate, pParentWnd);
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd)
{
    if (!lpDialogTemplate || m_hWnd) return FALSE;
    m_pParentWnd = pParentWnd;
    m_bInitDialogDone = FALSE;
    HookWindowCreate();
    HWND hWnd = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), lpDialogTemplate, OwnerWindow(), AfxDlgProc,
                                             reinterpret_cast<LPARAM>(this));
    UnhookWindowCreate();
    if (hWnd && !m_hWnd) SubclassWindow(hWnd);
    return hWnd != nullptr && m_hWnd == hWnd;
}

BOOL CDialog::OnInitDialog()
{
    // As in the platform's framework, a dialog whose controls cannot be
    // filled ends at once (DoModal returns -1).
    if (!UpdateData(FALSE)) {
        EndDialog(-1);
        return FALSE;
    }
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int nResult)
{
    if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

void CDialog::NextDlgCtrl() const { SendMessage(WM_NEXTDLGCTL, 0, 0); }
void CDialog::PrevDlgCtrl() const { SendMessage(WM_NEXTDLGCTL, 1, 0); }

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl) SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), 1);
}

DWORD CDialog::GetDefID() const { return static_cast<DWORD>(SendMessage(DM_GETDEFID, 0, 0)); }
void CDialog::SetDefID(UINT nID) { SendMessage(DM_SETDEFID, nID, 0); }
void CDialog::MapDialogRect(LPRECT lpRect) const { ::MapDialogRect(m_hWnd, lpRect); }

// Commands no control of the dialog handles go on to the application (its
// help command, for instance).
BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    if (nCode != 0 || !(nID & 0x8000) || nID >= 0xF000) return FALSE;
    CWinThread* thread = AfxGetThread();
    return thread && thread->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// A modeless dialog run by the application's message loop gets the
// platform's dialog keys (Tab, Enter, Esc) here.
BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    if (!m_hWnd || !pMsg) return FALSE;
    bool input = (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST);
    if (!input || (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd))) return FALSE;
    return ::IsDialogMessageA(m_hWnd, pMsg);
}
