// The camera library's reports on a console: its messages become lines on
// standard error (the library's questions are answered with their default),
// and the progress of a transfer is a bar on standard error when that is a
// terminal, and nothing when it is not.
#pragma once

#include "CameraReport.h"

#include <stdarg.h>

class CConsoleReport : public ICameraReport {
public:
    explicit CConsoleReport(bool bQuiet);

    void SetProgressRange(WORD, WORD) override {}
    void SetProgressStep(int) override {}
    void StepProgress() override {}
    void SetProgressText(LPCSTR) override {}
    void ShowProgress(BOOL) override {}
    int Message(LPCSTR lpszText, UINT nType) override;
    void WaitCursor(int) override {}
    void PicturesChanged() override {}

    // snapctl's own progress of n pictures of dwTotalBytes bytes.
    void BeginPictures(int nCount, unsigned long long qwTotalBytes);
    void PictureDone(unsigned long long qwBytes);
    void EndPictures();
    // Takes the bar off the terminal before a line goes to standard output
    // (the next step draws it again).
    void ClearBar();

    // A line on standard error (left out with --quiet unless an error).
    void Note(const char* pszFormat, ...);
    void Error(const char* pszFormat, ...);

private:
    void PrintLine(const char* pszFormat, va_list args);
    void DrawBar();

    bool m_bQuiet;
    bool m_bBar;  // standard error is a terminal
    bool m_bBarShown;
    int m_nCount;
    int m_nDone;
    unsigned long long m_qwTotal;
    unsigned long long m_qwDone;
    DWORD m_dwStart;
};
