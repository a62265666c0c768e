// The shell's folder browser, for choosing where downloaded pictures go. It
// opens on a given folder, shows the current choice (shortened) in the
// browser's status line, and returns the chosen folder's path.
//
// The browser's callback reaches the object through its callback data, and
// the virtual operations below let a derived class react to the browser's
// messages.
#pragma once

#include <afxwin.h>
#include <shlobj.h>

class CFolderBrowser {
public:
    // lpszInitial may be null (then the browser opens on "My Computer");
    // nFlags are BIF_ flags added to BIF_STATUSTEXT; pParentWnd may be null.
    CFolderBrowser(LPCSTR lpszInitial, UINT nFlags, CWnd* pParentWnd);
    virtual ~CFolderBrowser();
    // The browser keeps a pointer to this object: it must not be copied.
    CFolderBrowser(const CFolderBrowser&) = delete;
    CFolderBrowser& operator=(const CFolderBrowser&) = delete;

    // IDOK when a folder with a file-system path was chosen, else IDCANCEL.
    virtual int DoBrowse();
    // The chosen folder; meaningful after DoBrowse returned IDOK.
    CString GetPath() const { return m_strPath; }

    static int CALLBACK BrowseCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

    // Texts longer than this are cut to it and "..." is added.
    static const int kStatusChars = 35;

protected:
    virtual void OnInitialized();
    virtual void OnSelChanged(LPCITEMIDLIST pidl);
    virtual void OnBrowseMessage(HWND hwnd, UINT uMsg, LPARAM lParam);

    void SetSelection(LPCSTR lpszPath);
    void SetStatusText(LPCSTR lpszText);
    static CString ShortenPath(LPCSTR lpszPath);

    BROWSEINFOA m_bi;
    CString m_strInitial;
    CString m_strPath;
    char m_szDisplayName[MAX_PATH];
    char m_szPath[MAX_PATH];
    HWND m_hBrowseWnd;
};
