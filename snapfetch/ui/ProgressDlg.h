// The modeless "Downloading..." window of the transfers: a progress bar and
// one line of text. Its user constructs it (the window is made hidden at
// once), shows it with ShowWindow, steps it once per item and hides it.
#pragma once

#include "resource.h"

#include <afxcmn.h>

class CProgressDlg : public CDialog {
public:
    explicit CProgressDlg(CWnd* pParent = nullptr);
    ~CProgressDlg() override;

    enum { IDD = IDD_PROGRESS };

    BOOL OnInitDialog() override;

    // The bar's range: the lower bound in the message's low word, the upper
    // in its high word.
    void SetRange(WORD nLower, WORD nUpper);
    void SetStep(int nStep);
    void StepIt();
    void SetText(LPCSTR lpszText);

protected:
    // Kept as the dialog class's data-exchange point; the window has no fields.
    void DoDataExchange(CDataExchange* pDX) override;

    CProgressCtrl m_progress;

    DECLARE_MESSAGE_MAP()

    friend struct ProgressDlgProbe;
};
