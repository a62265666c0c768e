// A small framework program for the tests of the program entry. With "run"
// on its command line InitInstance makes a main window and returns TRUE;
// the window's handler posts WM_QUIT with 5, which ends Run. Otherwise
// InitInstance returns FALSE and ExitInstance gives 7.
#include <afxwin.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr UINT kQuitWithFive = WM_APP + 1;

void Say(const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

class CMainWnd : public CWnd {
protected:
    afx_msg LRESULT OnQuitWithFive(WPARAM, LPARAM)
    {
        Say("quit posted\n");
        PostQuitMessage(5);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMainWnd, CWnd)
    ON_MESSAGE(kQuitWithFive, &CMainWnd::OnQuitWithFive)
END_MESSAGE_MAP()

class CExitApp : public CWinApp {
public:
    ~CExitApp() override { Say("application destroyed\n"); }

    BOOL InitInstance() override
    {
        std::printf("InitInstance name=[%s] command line=[%s] show=%d main=%s\n", m_pszAppName, m_lpCmdLine, m_nCmdShow,
                    m_pMainWnd ? "yes" : "no");
        std::fflush(stdout);
        if (std::strcmp(m_lpCmdLine, "run") != 0) return FALSE;
        main_.CreateEx(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
        m_pMainWnd = &main_;
        main_.PostMessage(kQuitWithFive);
        return TRUE;
    }

    int Run() override
    {
        Say("Run\n");
        return CWinApp::Run();
    }

    int ExitInstance() override
    {
        Say("ExitInstance\n");
        int result = CWinApp::ExitInstance();
        return std::strcmp(m_lpCmdLine, "run") == 0 ? result : 7;
    }

private:
    CMainWnd main_;
};

CExitApp theApp;

}  // namespace
