#include "ConsoleReport.h"

#include <io.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

CConsoleReport::CConsoleReport(bool bQuiet)
    : m_bQuiet(bQuiet), m_bBar(!bQuiet && _isatty(2)), m_bBarShown(false), m_nCount(0), m_nDone(0),
      m_qwTotal(0), m_qwDone(0), m_dwStart(0)
{
}

int CConsoleReport::Message(LPCSTR lpszText, UINT nType)
{
    // One line per message: the library's line breaks become blanks.
    char szLine[512];
    lstrcpynA(szLine, lpszText, sizeof(szLine));
    for (char* p = szLine; *p; ++p)
        if (*p == '\n') *p = ' ';
    Note("%s", szLine);
    // Questions get their default answer.
    UINT nButtons = nType & 0x0F;
    if (nButtons == MB_YESNO) return IDNO;
    return IDOK;
}

void CConsoleReport::Note(const char* pszFormat, ...)
{
    if (m_bQuiet) return;
    va_list args;
    va_start(args, pszFormat);
    PrintLine(pszFormat, args);
    va_end(args);
}

void CConsoleReport::Error(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    PrintLine(pszFormat, args);
    va_end(args);
}

// One line on standard error, with the bar taken off the terminal for it.
void CConsoleReport::PrintLine(const char* pszFormat, va_list args)
{
    ClearBar();
    fputs("snapctl: ", stderr);
    vfprintf(stderr, pszFormat, args);
    fputc('\n', stderr);
    DrawBar();
}

void CConsoleReport::BeginPictures(int nCount, unsigned long long qwTotalBytes)
{
    m_nCount = nCount;
    m_nDone = 0;
    m_qwTotal = qwTotalBytes;
    m_qwDone = 0;
    m_dwStart = GetTickCount();
    m_bBarShown = m_bBar && nCount > 0;
    DrawBar();
}

void CConsoleReport::PictureDone(unsigned long long qwBytes)
{
    ++m_nDone;
    m_qwDone += qwBytes;
    DrawBar();
}

void CConsoleReport::EndPictures()
{
    ClearBar();
    m_bBarShown = false;
}

void CConsoleReport::DrawBar()
{
    if (!m_bBarShown) return;
    const int kWidth = 30;
    int nFilled = m_nCount ? m_nDone * kWidth / m_nCount : 0;
    char szBar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i) szBar[i] = i < nFilled ? '#' : '-';
    szBar[kWidth] = '\0';
    DWORD dwElapsed = GetTickCount() - m_dwStart;
    double dRate = dwElapsed ? m_qwDone * 1000.0 / dwElapsed / 1024.0 : 0.0;
    fprintf(stderr, "\r[%s] %d of %d  %.1f of %.1f MB  %.0f kB/s ", szBar, m_nDone, m_nCount,
            m_qwDone / 1048576.0, m_qwTotal / 1048576.0, dRate);
    fflush(stderr);
}

void CConsoleReport::ClearBar()
{
    if (!m_bBarShown) return;
    fprintf(stderr, "\r%79s\r", "");
}
