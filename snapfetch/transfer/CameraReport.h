// What the camera operations tell their user while they run: the progress of
// a load or a download, messages and questions, the wait, and that the
// picture list changed. The window program answers with its progress
// window, message boxes, wait cursor and grid; other users answer as suits
// them.
#pragma once

#include <windows.h>

class ICameraReport {
public:
    virtual ~ICameraReport() = default;

    // The progress display: its range (lower and upper bound), its step,
    // one step forward, its text line, and whether it is shown.
    virtual void SetProgressRange(WORD nLower, WORD nUpper) = 0;
    virtual void SetProgressStep(int nStep) = 0;
    virtual void StepProgress() = 0;
    virtual void SetProgressText(LPCSTR lpszText) = 0;
    virtual void ShowProgress(BOOL bShow) = 0;
    // A message or a question with MB_ style flags; the answer (IDOK,
    // IDYES, IDNO, ...).
    virtual int Message(LPCSTR lpszText, UINT nType) = 0;
    // 1 begins a wait, -1 ends it.
    virtual void WaitCursor(int nCode) = 0;
    // The picture list changed: what shows it is to be brought up to date.
    virtual void PicturesChanged() = 0;
};
