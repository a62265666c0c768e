// The main window's answers to the camera object's reports: the progress
// window (when the operation has one), message boxes, the application's
// wait cursor, and the grid brought up to date.
#pragma once

#include "CameraDlg.h"
#include "ProgressDlg.h"

class CCameraDlg::CReport : public ICameraReport {
public:
    CReport(CCameraDlg& dlg, CProgressDlg* pProgress) : m_dlg(dlg), m_pProgress(pProgress) {}

    void SetProgressRange(WORD nLower, WORD nUpper) override
    {
        if (m_pProgress) m_pProgress->SetRange(nLower, nUpper);
    }
    void SetProgressStep(int nStep) override
    {
        if (m_pProgress) m_pProgress->SetStep(nStep);
    }
    void StepProgress() override
    {
        if (m_pProgress) m_pProgress->StepIt();
    }
    void SetProgressText(LPCSTR lpszText) override
    {
        if (m_pProgress) m_pProgress->SetText(lpszText);
    }
    void ShowProgress(BOOL bShow) override
    {
        if (m_pProgress) m_pProgress->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
    }
    int Message(LPCSTR lpszText, UINT nType) override { return AfxMessageBox(lpszText, nType, 0); }
    void WaitCursor(int nCode) override { CCameraDlg::DoWaitCursor(nCode); }
    void PicturesChanged() override
    {
        m_dlg.UpdatePageButtons();
        m_dlg.InvalidateGrid();
    }

private:
    CCameraDlg& m_dlg;
    CProgressDlg* m_pProgress;
};
