#include "FolderBrowser.h"

#include <string.h>

CFolderBrowser::CFolderBrowser(LPCSTR lpszInitial, UINT nFlags, CWnd* pParentWnd)
    : m_bi(), m_strInitial(lpszInitial), m_strPath(), m_szDisplayName(), m_szPath(), m_hBrowseWnd(NULL)
{
    m_bi.hwndOwner = pParentWnd ? pParentWnd->GetSafeHwnd() : NULL;
    m_bi.pidlRoot = NULL;
    m_bi.pszDisplayName = m_szDisplayName;
    m_bi.lpszTitle = "Current Selection";
    m_bi.ulFlags = nFlags | BIF_STATUSTEXT;
    m_bi.lpfn = BrowseCallback;
    m_bi.lParam = reinterpret_cast<LPARAM>(this);
    m_bi.iImage = 0;
}

CFolderBrowser::~CFolderBrowser() {}

int CFolderBrowser::DoBrowse()
{
    m_strPath = m_strInitial;
    LPITEMIDLIST pidl = SHBrowseForFolderA(&m_bi);
    int nResult = IDCANCEL;
    // A virtual folder ("My Computer") has no path: it is no destination.
    if (pidl && SHGetPathFromIDListA(pidl, m_szPath)) {
        m_strPath = m_szPath;
        nResult = IDOK;
    }
    if (pidl) {
        IMalloc* pMalloc = NULL;
        if (SUCCEEDED(SHGetMalloc(&pMalloc))) {
            pMalloc->Free(pidl);
            pMalloc->Release();
        }
    }
    return nResult;
}

int CALLBACK CFolderBrowser::BrowseCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData)
{
    reinterpret_cast<CFolderBrowser*>(lpData)->OnBrowseMessage(hwnd, uMsg, lParam);
    return 0;
}

void CFolderBrowser::OnBrowseMessage(HWND hwnd, UINT uMsg, LPARAM lParam)
{
    m_hBrowseWnd = hwnd;
    if (uMsg == BFFM_INITIALIZED)
        OnInitialized();
    else if (uMsg == BFFM_SELCHANGED)
        OnSelChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
}

void CFolderBrowser::OnInitialized()
{
    SetSelection(m_strInitial);
    SetStatusText(ShortenPath(m_strInitial));
}

void CFolderBrowser::OnSelChanged(LPCITEMIDLIST pidl)
{
    // An item without a path leaves the buffer empty, and so the status line.
    SHGetPathFromIDListA(pidl, m_szPath);
    m_strPath = m_szPath;
    SetStatusText(ShortenPath(m_strPath));
}

void CFolderBrowser::SetSelection(LPCSTR lpszPath)
{
    ::SendMessageA(m_hBrowseWnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(lpszPath));
}

void CFolderBrowser::SetStatusText(LPCSTR lpszText)
{
    ::SendMessageA(m_hBrowseWnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(lpszText));
}

CString CFolderBrowser::ShortenPath(LPCSTR lpszPath)
{
    CString strPath(lpszPath);
    if (strPath.GetLength() <= kStatusChars) return strPath;
    return strPath.Left(kStatusChars) + "...";
}
