// The application object: the wait cursor, message boxes and their
// captions, resources of the program and of extension modules, and the
// program entry (through a small framework program).
#include "framework_test.h"
#include "test_ids.h"

#include <winplat/resources.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

using namespace winplat::automation;

namespace {

using AppTest = FrameworkTest;

HCURSOR Wait() { return LoadCursorA(nullptr, IDC_WAIT); }
HCURSOR Arrow() { return LoadCursorA(nullptr, IDC_ARROW); }

TEST_F(AppTest, WaitCursorIsCounted)
{
    CWinApp app("Waiting");
    SetCursor(Arrow());
    app.DoWaitCursor(1);
    EXPECT_EQ(GetCursor(), Wait());
    app.DoWaitCursor(1);
    app.DoWaitCursor(-1);
    EXPECT_EQ(app.m_nWaitCursorCount, 1);
    EXPECT_EQ(GetCursor(), Wait()) << "one wait is still going on";
    SetCursor(Arrow());
    app.DoWaitCursor(0);
    EXPECT_EQ(GetCursor(), Wait()) << "0 shows it again";
    app.DoWaitCursor(-1);
    EXPECT_EQ(app.m_nWaitCursorCount, 0);
    EXPECT_EQ(GetCursor(), Arrow());
    app.DoWaitCursor(-1);
    EXPECT_EQ(app.m_nWaitCursorCount, 0) << "never below zero";
    {
        CWaitCursor wait;
        EXPECT_EQ(GetCursor(), Wait());
    }
    EXPECT_EQ(GetCursor(), Arrow());
}

TEST_F(AppTest, MessageBoxIsCaptionedWithTheApplicationsName)
{
    CWinApp app("Snap Test");
    WhenModalKey(VK_RETURN);
    EXPECT_EQ(AfxMessageBox("Select at least one image!"), IDOK);
    WhenModalKey(VK_RETURN);
    EXPECT_EQ(AfxMessageBox("Do you want to delete 3 image(s)?", MB_YESNO | MB_DEFBUTTON2), IDNO);
    auto boxes = MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Snap Test");
    EXPECT_EQ(boxes[0].text, "Select at least one image!");
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes[1].style, 260u) << "the type is passed on unchanged";
    EXPECT_TRUE(UnexpectedModals().empty());
}

TEST_F(AppTest, UnnamedApplicationIsNamedAfterItsProgramFile)
{
    CWinApp app;
    EXPECT_STREQ(AfxGetAppName(), "mfc_tests");
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOW));
    EXPECT_STREQ(app.m_pszAppName, "mfc_tests");
    EXPECT_STREQ(app.m_pszExeName, "mfc_tests");
    EXPECT_EQ(app.m_hInstance, GetModuleHandleA(nullptr));
    WhenModalKey(VK_RETURN);
    AfxMessageBox("x");
    ASSERT_EQ(MessageBoxes().size(), 1u);
    EXPECT_EQ(MessageBoxes()[0].caption, "mfc_tests");
}

TEST_F(AppTest, MessageBoxWithoutAnApplication)
{
    ASSERT_EQ(AfxGetApp(), nullptr);
    WhenModalKey(VK_RETURN);
    AfxMessageBox("no application");
    ASSERT_EQ(MessageBoxes().size(), 1u);
    EXPECT_EQ(MessageBoxes()[0].caption, "mfc_tests");
}

TEST_F(AppTest, MessageBoxFromAStringResource)
{
    CWinApp app("Strings");
    WhenModalKey(VK_RETURN);
    EXPECT_EQ(AfxMessageBox(IDS_PROMPT, MB_OKCANCEL), IDOK);
    EXPECT_EQ(AfxMessageBox(999), 0) << "no such string: no box";
    auto boxes = MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "A prompt from the string table");
    CString text;
    EXPECT_TRUE(text.LoadString(IDS_PROMPT));
    EXPECT_FALSE(text.LoadString(IDS_PROMPT + 1));
    EXPECT_TRUE(text.IsEmpty());
}

TEST_F(AppTest, MessageBoxIsOwnedByTheMainWindow)
{
    CWinApp app("Owner");
    CWnd main;
    ASSERT_TRUE(main.Attach(MakeTopLevel("Main window")));
    app.m_pMainWnd = &main;
    EXPECT_EQ(AfxGetMainWnd(), &main);
    HWND owner = nullptr;
    bool mainEnabled = true;
    WhenModal([&](HWND box) {
        owner = GetWindow(box, GW_OWNER);
        mainEnabled = Enabled(main.m_hWnd);
        PressKey(VK_RETURN);
    });
    AfxMessageBox("owned");
    EXPECT_EQ(owner, main.m_hWnd);
    EXPECT_FALSE(mainEnabled);
    app.m_pMainWnd = nullptr;
    main.DestroyWindow();
}

TEST_F(AppTest, ResourcesOfTheProgram)
{
    CWinApp app("Resources");
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandleA(nullptr));
    EXPECT_EQ(AfxGetResourceHandle(), GetModuleHandleA(nullptr));
    EXPECT_NE(app.LoadIcon(IDI_APP), nullptr);
    EXPECT_EQ(app.LoadIcon(999), nullptr);
    EXPECT_EQ(app.LoadStandardCursor(IDC_ARROW), Arrow());
    EXPECT_NE(app.LoadStandardIcon(IDI_APPLICATION), nullptr);
    EXPECT_TRUE(app.Enable3dControls());
}

TEST_F(AppTest, ExtensionModulesLendTheirResources)
{
    HMODULE program = GetModuleHandleA(nullptr);
    HRSRC up = FindResourceA(program, "TESTU", RT_BITMAP);
    ASSERT_NE(up, nullptr);
    // A module of its own: an address no real module has.
    static const char moduleMarker = 0;
    HMODULE extension = reinterpret_cast<HMODULE>(const_cast<char*>(&moduleMarker));
    winplat::RegisterResource(extension, RT_BITMAP, "EXTENSIONU", LockResource(LoadResource(program, up)),
                              SizeofResource(program, up));
    AFX_EXTENSION_MODULE state = {};
    ASSERT_TRUE(AfxInitExtensionModule(state, extension));
    EXPECT_EQ(AfxFindResourceHandle("EXTENSIONU", RT_BITMAP), program) << "not yet registered";
    new CDynLinkLibrary(state);
    EXPECT_EQ(AfxFindResourceHandle("EXTENSIONU", RT_BITMAP), extension);
    EXPECT_EQ(AfxFindResourceHandle("TESTU", RT_BITMAP), program) << "the program's own come first";
    CBitmap bitmap;
    EXPECT_TRUE(bitmap.LoadBitmap("EXTENSIONU"));
    AfxTermExtensionModule(state);
    EXPECT_EQ(AfxFindResourceHandle("EXTENSIONU", RT_BITMAP), program);
    winplat::UnregisterResources(extension);
}

TEST_F(AppTest, TemporaryObjectsLastUntilIdleTime)
{
    CWinApp app("Idle");
    HWND hWnd = MakeTopLevel("temporary", false);
    CWnd* temporary = CWnd::FromHandle(hWnd);
    EXPECT_EQ(CWnd::FromHandle(hWnd), temporary);
    EXPECT_EQ(temporary->m_hWnd, hWnd);
    EXPECT_FALSE(app.OnIdle(0)) << "no more idle work";
    CWnd* fresh = CWnd::FromHandle(hWnd);
    EXPECT_EQ(fresh->m_hWnd, hWnd);
    DestroyWindow(hWnd);
}

// The program entry: a small framework program (exit_app.cpp) run as a
// separate process, as the platform starts programs.
struct ProgramRun {
    int status;
    std::string output;
};

ProgramRun RunExitApp(const std::string& arguments)
{
    ProgramRun run{-1, ""};
    FILE* pipe = popen((std::string(EXIT_APP) + " " + arguments + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(AfxWinMain, FailedInitInstanceExitsWithExitInstancesResult)
{
    ProgramRun run = RunExitApp("fail \"two words\"");
    EXPECT_EQ(run.status, 7) << run.output;
    EXPECT_EQ(run.output,
              "InitInstance name=[Exit Test App] command line=[fail \"two words\"] show=10 main=no\n"
              "ExitInstance\n"
              "application destroyed\n");
}

TEST(AfxWinMain, SuccessfulInitInstanceRunsTheLoopUntilQuit)
{
    ProgramRun run = RunExitApp("run");
    EXPECT_EQ(run.status, 5) << run.output;
    EXPECT_EQ(run.output,
              "InitInstance name=[Exit Test App] command line=[run] show=10 main=no\n"
              "Run\n"
              "quit posted\n"
              "ExitInstance\n"
              "application destroyed\n");
}

}  // namespace
