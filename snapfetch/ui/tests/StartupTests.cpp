// The main window's construction, start-up without a camera, resources,
// and the ways out: EXIT, Esc through the application object, and the
// program itself.
#include "SnapfetchApp.h"
#include "UiTestSupport.h"

#include <winplat/objects.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace winplat::automation;
using uitest::Pixel;

namespace {

class StartupTest : public uitest::UiTest {};

// A pixel of one of the program's bitmap resources.
COLORREF ResourcePixel(LPCSTR name, int x, int y)
{
    CBitmap bitmap;
    if (!bitmap.LoadBitmap(name)) return CLR_INVALID;
    CDC memory;
    memory.CreateCompatibleDC(nullptr);
    CBitmap* previous = memory.SelectObject(&bitmap);
    COLORREF pixel = memory.GetPixel(x, y);
    memory.SelectObject(previous);
    return pixel;
}

TEST_F(StartupTest, ConstructionSetsTheMembersAndTheCellRectangles)
{
    CCameraDlg dlg;
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_NE(CameraDlgProbe::Icon(dlg), nullptr) << "icon group 128";
    EXPECT_STREQ(CameraDlgProbe::DestFolder(dlg), "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE\\");
    EXPECT_EQ(CameraDlgProbe::Pictures(dlg).m_nCount, 0);
    EXPECT_NE(CameraDlgProbe::Pictures(dlg).m_hHeap, nullptr);
    EXPECT_EQ(CameraDlgProbe::PressedCell(dlg), 0);
    EXPECT_EQ(CameraDlgProbe::PressKeys(dlg), 0);
    EXPECT_EQ(CameraDlgProbe::CameraMode(dlg), 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(CameraDlgProbe::CellUsed(dlg)[i], 0);
    EXPECT_EQ(CameraDlgProbe::FrameInfo(dlg).bmWidth, 0);
    EXPECT_EQ(CameraDlgProbe::StillImage(dlg), nullptr);
    EXPECT_EQ(CameraDlgProbe::StiDevice(dlg), nullptr);
    EXPECT_EQ(CameraDlgProbe::DeviceList(dlg), nullptr);

    // Cell 0 has its box at (21, 35), cell 5 at (261, 165), cell 7 at (141, 295).
    EXPECT_EQ(CRect(CameraDlgProbe::CellThumbs(dlg)[0]), CRect(21, 35, 107, 97));
    EXPECT_EQ(CRect(CameraDlgProbe::CellFrames(dlg)[0]), CRect(6, 23, 122, 109));
    EXPECT_EQ(CRect(CameraDlgProbe::CellThumbs(dlg)[5]), CRect(261, 165, 347, 227));
    EXPECT_EQ(CRect(CameraDlgProbe::CellFrames(dlg)[5]), CRect(246, 153, 362, 239));
    EXPECT_EQ(CRect(CameraDlgProbe::CellThumbs(dlg)[7]), CRect(141, 295, 227, 357));
    EXPECT_EQ(CRect(CameraDlgProbe::CellFrames(dlg)[7]), CRect(126, 283, 242, 369));
}

TEST_F(StartupTest, WithoutACameraOneMessageAndNineEmptyFrames)
{
    StartWindow();
    auto modals = ModalHistory();
    ASSERT_EQ(modals.size(), 1u) << "only the no-camera message";
    EXPECT_TRUE(modals[0].messageBox);
    EXPECT_EQ(modals[0].text, kNoCameraText);
    EXPECT_EQ(modals[0].style, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(UnexpectedModals().empty());

    EXPECT_TRUE(Visible(Window()));
    EXPECT_EQ(Text(Window()), "RQ5800 V1.10 -- MAROVANE Technology INC.");
    EXPECT_FALSE(Visible(Control(IDC_PREV)));
    EXPECT_FALSE(Visible(Control(IDC_NEXT)));
    EXPECT_FALSE(Visible(Control(IDC_BACKWARD)));
    EXPECT_FALSE(Visible(Control(IDC_FORWARD)));
    EXPECT_FALSE(Visible(Control(IDC_GRID)));
    EXPECT_EQ(app_->m_nWaitCursorCount, 0) << "the wait cursor ended";
    EXPECT_EQ(Focus(), Control(IDC_EXIT)) << "the first tab stop";
    EXPECT_EQ(dlg_->GetIcon(TRUE), CameraDlgProbe::Icon(*dlg_));
    EXPECT_EQ(dlg_->GetIcon(FALSE), CameraDlgProbe::Icon(*dlg_));
    EXPECT_EQ(dlg_->GetStyle() & WS_SYSMENU, 0u) << "no close box";

    const BITMAP& frame = CameraDlgProbe::FrameInfo(*dlg_);
    EXPECT_EQ(frame.bmWidth, 100);
    EXPECT_EQ(frame.bmHeight, 104);
    // Nine unselected frames at a pitch of 120 by 129 from (14, 14), black
    // picture windows and no captions.
    COLORREF hole = ResourcePixel(MAKEINTRESOURCEA(IDB_FRAME), 5, 4);
    COLORREF mark = ResourcePixel(MAKEINTRESOURCEA(IDB_FRAME_SELECTED), 3, 12);
    for (int cell = 0; cell < 9; ++cell) {
        int x = 14 + (cell % 3) * 120, y = 14 + (cell / 3) * 129;
        EXPECT_EQ(Pixel(Window(), x + 5, y + 4), hole) << cell;
        EXPECT_NE(Pixel(Window(), x + 3, y + 12), mark) << cell;
        POINT centre = CCameraDlg::kCellOrigins[cell];
        EXPECT_EQ(Pixel(Window(), centre.x + 43, centre.y + 31), RGB(0, 0, 0)) << cell;
        EXPECT_EQ(CameraDlgProbe::CellUsed(*dlg_)[cell], 0);
    }
    EXPECT_EQ(Pixel(Window(), 500, 400), RGB(0, 0, 0)) << "black background";
    // The USB button is up.
    EXPECT_EQ(Pixel(Control(IDC_USB), 10, 12), ResourcePixel("USBU", 10, 12));
}

TEST_F(StartupTest, ButtonsTakeTheSizesOfTheirBitmaps)
{
    StartWindow();
    struct Expected {
        int id;
        CRect rect;  // client pixels: the dialog units' place, the bitmap's size
    };
    const Expected buttons[] = {
        {IDC_EXIT, CRect(CPoint(408, 286), CSize(111, 29))},    {IDC_ACQUIRE, CRect(CPoint(408, 178), CSize(111, 29))},
        {IDC_DELETE, CRect(CPoint(408, 250), CSize(111, 29))},  {IDC_SELECT, CRect(CPoint(408, 214), CSize(111, 29))},
        {IDC_FROMDSC, CRect(CPoint(434, 84), CSize(50, 48))},   {IDC_USB, CRect(CPoint(436, 22), CSize(48, 24))},
        {IDC_PREV, CRect(CPoint(366, 144), CSize(24, 24))},     {IDC_NEXT, CRect(CPoint(366, 174), CSize(24, 24))},
        {IDC_BACKWARD, CRect(CPoint(366, 114), CSize(24, 24))}, {IDC_FORWARD, CRect(CPoint(366, 204), CSize(24, 24))},
    };
    for (const Expected& button : buttons) {
        CRect rect;
        ::GetWindowRect(Control(button.id), &rect);
        dlg_->ScreenToClient(&rect);
        EXPECT_EQ(rect, button.rect) << button.id;
        EXPECT_NE(CWnd::FromHandlePermanent(Control(button.id)), nullptr) << button.id << " is attached";
    }
}

TEST_F(StartupTest, ResourcesHaveTheirSizesAndDepths)
{
    struct Expected {
        const char* name;
        LONG width, height;
        WORD bits;  // 0: any depth
    };
    const Expected bitmaps[] = {
        {"EXITU", 111, 29, 8},    {"EXITD", 111, 29, 8},    {"EXITF", 111, 29, 8},    {"ACQUIREU", 111, 29, 8},
        {"ACQUIRED", 111, 29, 8}, {"ACQUIREF", 111, 29, 8}, {"DELETEU", 111, 29, 8},  {"DELETED", 111, 29, 8},
        {"DELETEF", 111, 29, 8},  {"SELECTU", 111, 29, 8},  {"SELECTD", 111, 29, 8},  {"FROMDSCU", 50, 48, 0},
        {"FROMDSCD", 50, 48, 0},  {"FROMDSCF", 50, 48, 0},  {"FROMDSCX", 50, 48, 0},  {"PREVU", 24, 24, 4},
        {"PREVD", 24, 24, 4},     {"PREVX", 24, 24, 4},     {"NEXTU", 24, 24, 4},     {"NEXTD", 24, 24, 4},
        {"NEXTX", 24, 24, 4},     {"BACKWARDU", 24, 24, 4}, {"BACKWARDD", 24, 24, 4}, {"BACKWARDX", 24, 24, 4},
        {"FORWARDU", 24, 24, 4},  {"FORWARDD", 24, 24, 4},  {"FORWARDX", 24, 24, 4},  {"USBU", 48, 24, 4},
        {"USBD", 48, 24, 4},      {MAKEINTRESOURCEA(IDB_FRAME), 100, 104, 8},
        {MAKEINTRESOURCEA(IDB_FRAME_SELECTED), 100, 104, 8},
    };
    HMODULE program = GetModuleHandleA(nullptr);
    for (const Expected& e : bitmaps) {
        std::string name = IS_INTRESOURCE(e.name) ? std::to_string(LOWORD(e.name)) : e.name;
        HRSRC found = FindResourceA(program, e.name, RT_BITMAP);
        ASSERT_NE(found, nullptr) << name;
        const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(program, found)));
        EXPECT_EQ(header->biWidth, e.width) << name;
        EXPECT_EQ(header->biHeight, e.height) << name;
        if (e.bits) {
            EXPECT_EQ(header->biBitCount, e.bits) << name;
        }
    }
    for (const char* absent : {"SELECTF", "SELECTX", "EXITX", "USBF", "USBX", "PREVF"})
        EXPECT_EQ(FindResourceA(program, absent, RT_BITMAP), nullptr) << absent;
    EXPECT_NE(FindResourceA(program, MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON), nullptr);

    // Each pushed state differs from the up state; the selected frame from
    // the plain one only by its yellow marks.
    EXPECT_NE(ResourcePixel("EXITU", 60, 3), ResourcePixel("EXITD", 60, 3));
    EXPECT_NE(ResourcePixel("EXITU", 4, 4), ResourcePixel("EXITF", 4, 4)) << "focus mark";
    EXPECT_NE(ResourcePixel("PREVU", 3, 12), ResourcePixel("PREVX", 3, 12)) << "greyed";
    EXPECT_TRUE(uitest::IsYellow(ResourcePixel(MAKEINTRESOURCEA(IDB_FRAME_SELECTED), 3, 12)));
    EXPECT_FALSE(uitest::IsYellow(ResourcePixel(MAKEINTRESOURCEA(IDB_FRAME), 3, 12)));
    EXPECT_EQ(ResourcePixel(MAKEINTRESOURCEA(IDB_FRAME), 50, 50),
              ResourcePixel(MAKEINTRESOURCEA(IDB_FRAME_SELECTED), 50, 50));
}

TEST_F(StartupTest, EmptyGridIgnoresClicksAndPaging)
{
    StartWindow();
    Click(Window(), CellCentre(0));
    Click(Window(), CellCentre(4), MK_CONTROL);
    for (int id : {IDC_PREV, IDC_NEXT, IDC_BACKWARD, IDC_FORWARD, IDC_SELECT}) Command(id);
    EXPECT_EQ(Pictures().m_nCount, 0);
    EXPECT_EQ(Pictures().m_nPosition, 0);
    EXPECT_FALSE(Visible(Control(IDC_PREV)));
    EXPECT_FALSE(Visible(Control(IDC_NEXT)));
    EXPECT_EQ(ModalHistory().size(), 1u) << "no message but the start-up one";
}

TEST_F(StartupTest, DestroyingTheWindowEmptiesTheFrameBitmaps)
{
    StartWindow();
    EXPECT_NE(CameraDlgProbe::Frame(*dlg_), nullptr);
    EXPECT_NE(CameraDlgProbe::FrameSelected(*dlg_), nullptr);
    size_t gdiObjects = winplat::CountObjects(winplat::ObjectKind::Gdi);
    dlg_->DestroyWindow();
    EXPECT_EQ(CameraDlgProbe::Frame(*dlg_), nullptr);
    EXPECT_EQ(CameraDlgProbe::FrameSelected(*dlg_), nullptr);
    EXPECT_LE(winplat::CountObjects(winplat::ObjectKind::Gdi), gdiObjects - 2);
}

TEST_F(StartupTest, ExitEndsTheProcessWithStatusOne)
{
    EXPECT_EXIT(
        {
            StartWindow();
            ShowPictures(3);
            Click(Window(), CellCentre(1));
            Click(Control(IDC_EXIT));
            std::_Exit(7);  // not reached when EXIT works
        },
        ::testing::ExitedWithCode(1), "");
}

// The application object runs the window modally; Esc ends it, and the
// dialog's destructor has freed the picture list by the time InitInstance
// returns.
TEST(Application, EscEndsTheDialogAndItsDestructorFreesThePictures)
{
    winplat::SelectPresenter("headless");
    winplat::automation::Reset();
    size_t heaps = winplat::CountObjects(winplat::ObjectKind::Heap);
    size_t blocks = winplat::CountObjects(winplat::ObjectKind::GlobalMemory);
    {
        CSnapfetchApp app;
        bool wasMainWindow = false;
        size_t heapsDuring = 0, blocksDuring = 0;
        WhenModalClick(IDOK);  // the no-camera message
        WhenModal([&](HWND window) {
            auto* dlg = dynamic_cast<CCameraDlg*>(CWnd::FromHandlePermanent(window));
            ASSERT_NE(dlg, nullptr);
            wasMainWindow = AfxGetMainWnd() == dlg;
            uitest::AddPictures(CameraDlgProbe::Pictures(*dlg), 1, 12);
            heapsDuring = winplat::CountObjects(winplat::ObjectKind::Heap);
            blocksDuring = winplat::CountObjects(winplat::ObjectKind::GlobalMemory);
            PressKey(VK_ESCAPE);
        });
        EXPECT_FALSE(app.InitInstance());
        EXPECT_TRUE(wasMainWindow);
        EXPECT_EQ(heapsDuring, heaps + 1) << "the list's heap";
        EXPECT_EQ(blocksDuring, blocks + 12) << "a thumbnail per picture";
        EXPECT_EQ(app.m_pMainWnd, nullptr);
        EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Heap), heaps);
        EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::GlobalMemory), blocks);
        auto modals = ModalHistory();
        ASSERT_EQ(modals.size(), 2u);
        EXPECT_EQ(modals[1].caption, "RQ5800 V1.10 -- MAROVANE Technology INC.");
        EXPECT_EQ(modals[1].result, IDCANCEL);
        EXPECT_TRUE(UnexpectedModals().empty());
    }
    winplat::automation::Reset();
}

// The program itself, as a person starts it, on a display nobody watches:
// the window and its message come up and are ended unanswered, and the
// program ends normally. Its arguments change nothing.
TEST(Program, RunsHeadlessAndEndsNormally)
{
    std::string command = std::string("WINPLAT_DISPLAY=headless ") + SNAPFETCH_PROGRAM + " /ignored argument 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), 0) << output;
}

// Runs the program with the given environment settings in front; its
// standard error and exit status. A hang ends at the generous bound of
// `timeout` (status 124), which fails the caller's checks.
std::pair<int, std::string> RunProgram(const std::string& environment, const std::string& arguments = "")
{
    std::string command = "env -u WAYLAND_DISPLAY -u WINPLAT_DISPLAY -u SDL_VIDEODRIVER " + environment +
                          " timeout 120 " + SNAPFETCH_PROGRAM + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {-1, "popen failed"};
    std::string output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// An X display number nobody serves on this machine.
std::string UnusedDisplay()
{
    for (int n = 87; n < 200; ++n) {
        std::string number = std::to_string(n);
        struct stat info;
        if (stat(("/tmp/.X11-unix/X" + number).c_str(), &info) != 0 && stat(("/tmp/.X" + number + "-lock").c_str(), &info) != 0)
            return ":" + number;
    }
    return ":199";
}

// A display that cannot be opened is named on standard error and ends the
// program with a failure status; it never runs on with windows nobody sees.
TEST(Program, ADisplayThatCannotBeOpenedEndsItWithAMessage)
{
    std::string display = UnusedDisplay();
    auto [status, output] = RunProgram("DISPLAY=" + display);
    EXPECT_NE(status, 0) << output;
    EXPECT_NE(status, 124) << "the program did not end: " << output;
    EXPECT_NE(output.find("snapfetch: cannot open display \"" + display + "\""), std::string::npos) << output;

    auto [unset, why] = RunProgram("-u DISPLAY");
    EXPECT_NE(unset, 0) << why;
    EXPECT_NE(unset, 124) << "the program did not end: " << why;
    EXPECT_NE(why.find("DISPLAY"), std::string::npos) << why;
}

}  // namespace

// A lone --help or --version answers on standard output and ends at once:
// no window, so not even a display is needed. Anything else is still ignored
// (see RunsHeadlessAndEndsNormally).
TEST(Program, AnswersHelpAndVersionWithoutOpeningAWindow)
{
    std::string noDisplay = "DISPLAY=" + UnusedDisplay();
    auto [versionStatus, version] = RunProgram(noDisplay, "--version");
    EXPECT_EQ(versionStatus, 0) << version;
    EXPECT_EQ(version, std::string("snapfetch ") + SNAPFETCH_VERSION + "\n");

    auto [helpStatus, help] = RunProgram(noDisplay, "--help");
    EXPECT_EQ(helpStatus, 0) << help;
    EXPECT_EQ(help.rfind("Usage: snapfetch\n", 0), 0u) << help;
    EXPECT_NE(help.find("--version"), std::string::npos) << help;

    auto [otherStatus, other] = RunProgram(noDisplay, "--help --version");
    EXPECT_NE(otherStatus, 0) << "more than one argument is no request: the window must be tried";
}

