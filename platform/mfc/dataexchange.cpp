// Dialog data exchange: UpdateData and the DDX_/DDV_ routines that move
// values between controls and members.
#include "afx_state.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange exchange(this, bSaveAndValidate);
    // Setting the controls' texts must not look like the user's editing.
    afx::State& state = afx::GetState();
    HWND outerLockout = state.lockoutNotifyWindow;
    state.lockoutNotifyWindow = m_hWnd;
    BOOL ok = TRUE;
    try {
        DoDataExchange(&exchange);
    } catch (CUserException* e) {
        e->Delete();
        ok = FALSE;
    }
    state.lockoutNotifyWindow = outerLockout;
    return ok;
}

void CWnd::DoDataExchange(CDataExchange*) {}

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND control = m_pDlgWnd && m_pDlgWnd->m_hWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    m_idLastControl = control ? static_cast<UINT>(nIDC) : 0;
    m_bEditLastControl = FALSE;
    if (!control) Fail();  // the dialog has no such control
    return control;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND control = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return control;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_idLastControl && m_pDlgWnd && m_pDlgWnd->m_hWnd) {
        HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, static_cast<int>(m_idLastControl));
        if (control) {
            ::SetFocus(control);
            if (m_bEditLastControl) ::SendMessageA(control, EM_SETSEL, 0, -1);
        }
    }
    AfxThrowUserException();
}

namespace {

CString ControlText(HWND control)
{
    CString text;
    CWnd::FromHandle(control)->GetWindowText(text);
    return text;
}

// Sets a control's text only when it changes, so that it does not flicker.
void SetControlText(HWND control, LPCSTR text)
{
    if (ControlText(control) != text) ::SetWindowTextA(control, text);
}

// A whole decimal number between low and high, blanks around it allowed.
bool ParseWhole(const CString& text, long long low, long long high, long long* value)
{
    const char* start = text;
    while (*start == ' ' || *start == '\t') ++start;
    if (*start == '\0') return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(start, &end, 10);
    if (end == start || errno == ERANGE) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}

[[noreturn]] void FailWithPrompt(CDataExchange* pDX, LPCSTR prompt)
{
    AfxMessageBox(prompt, MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
}

}  // namespace

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND control = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = ControlText(control);
    } else {
        SetControlText(control, value);
    }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    HWND control = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        long long parsed = 0;
        if (!ParseWhole(ControlText(control), INT_MIN, INT_MAX, &parsed)) FailWithPrompt(pDX, "Please enter an integer.");
        value = static_cast<int>(parsed);
    } else {
        CString text;
        text.Format("%d", value);
        SetControlText(control, text);
    }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value)
{
    HWND control = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        long long parsed = 0;
        if (!ParseWhole(ControlText(control), 0, UINT_MAX, &parsed))
            FailWithPrompt(pDX, "Please enter a positive integer.");
        value = static_cast<UINT>(parsed);
    } else {
        CString text;
        text.Format("%u", value);
        SetControlText(control, text);
    }
}

void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    } else {
        ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd) return;
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!rControl.SubclassWindow(control)) pDX->Fail();
}

void AFXAPI DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars)
{
    if (!pDX->m_bSaveAndValidate) {
        if (pDX->m_idLastControl && pDX->m_bEditLastControl)
            ::SendDlgItemMessageA(pDX->m_pDlgWnd->m_hWnd, static_cast<int>(pDX->m_idLastControl), EM_LIMITTEXT,
                                  static_cast<WPARAM>(nChars), 0);
        return;
    }
    if (value.GetLength() <= nChars) return;
    CString prompt;
    prompt.Format("Please enter no more than %d characters.", nChars);
    FailWithPrompt(pDX, prompt);
}

void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal)
{
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
    CString prompt;
    prompt.Format("Please enter an integer between %d and %d.", minVal, maxVal);
    FailWithPrompt(pDX, prompt);
}
