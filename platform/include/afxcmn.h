// Framework wrappers of the common controls: CProgressCtrl.
#pragma once

#include <afxwin.h>
#include <commctrl.h>

class AFX_API CProgressCtrl : public CWnd {
    DECLARE_DYNAMIC(CProgressCtrl)

public:
    CProgressCtrl() = default;
    using CWnd::Create;

    // A progress bar child window (the common controls are set up first).
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // PBM_SETRANGE: the lower bound in lParam's low word, the upper in its high word.
    void SetRange(short nLower, short nUpper);
    void SetRange32(int nLower, int nUpper);
    void GetRange(int& nLower, int& nUpper) const;
    int GetPos() const;
    // These return the position before the change.
    int SetPos(int nPos);
    int OffsetPos(int nPos);
    int StepIt();
    // Returns the step before the change.
    int SetStep(int nStep);
};
