// The folder browser through its real dialog: callback order, selection by
// path and by keyboard, the status line, OK with a folder or with "My
// Computer", Cancel, and the id lists it hands out.
#include <shlobj.h>
#include <windows.h>
#include <winplat/automation.h>
#include <winplat/display.h>
#include <winplat/host.h>
#include <winplat/shellbrowse.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

using namespace winplat::automation;
using namespace winplat::shell;

namespace {

namespace fs = std::filesystem;

struct Event {
    UINT message;
    bool hasPath;
    std::string path;
};

struct Recorder {
    std::vector<Event> events;
    // Runs inside the BFFM_INITIALIZED callback.
    std::function<void(HWND)> onInitialized;
};

int CALLBACK RecordingCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData)
{
    auto* recorder = reinterpret_cast<Recorder*>(lpData);
    Event event{uMsg, false, ""};
    if (uMsg == BFFM_SELCHANGED) {
        char path[MAX_PATH] = "untouched";
        event.hasPath = SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lParam), path);
        event.path = path;
    }
    recorder->events.push_back(event);
    if (uMsg == BFFM_INITIALIZED && recorder->onInitialized) recorder->onInitialized(hwnd);
    return 0;
}

class Browser : public ::testing::Test {
protected:
    void SetUp() override
    {
        winplat::SelectPresenter("headless");
        Reset();
        const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
        drive_ = fs::path(scratch ? scratch : fs::temp_directory_path().string()) / "drive" /
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(drive_);
        for (const char* folder : {"WINDOWS/TWAIN_32/Marovane/SAMPLE", "Photos/2024", ".hidden"})
            fs::create_directories(drive_ / folder);
        winplat::SetDriveCFolder(drive_.string());
        info_.lpszTitle = "Current Selection";
        info_.ulFlags = BIF_STATUSTEXT;
        info_.lpfn = RecordingCallback;
        info_.lParam = reinterpret_cast<LPARAM>(&recorder_);
        info_.pszDisplayName = displayName_;
    }
    void TearDown() override { Reset(); }

    // Runs the browser; returns the path of the result ("" when the result
    // has none, "(null)" when there is no result).
    std::string Browse()
    {
        LPITEMIDLIST result = SHBrowseForFolderA(&info_);
        if (!result) return "(null)";
        char path[MAX_PATH] = "untouched";
        std::string answer = SHGetPathFromIDListA(result, path) ? path : "";
        if (answer.empty()) {
            EXPECT_STREQ(path, "") << "no path gives an empty string";
        }
        IMalloc* allocator = nullptr;
        EXPECT_EQ(SHGetMalloc(&allocator), S_OK);
        allocator->Free(result);
        allocator->Release();
        return answer;
    }

    static std::string ItemText(HWND dialog, int id) { return Text(FindControl(dialog, id)); }

    fs::path drive_;
    Recorder recorder_;
    char displayName_[MAX_PATH] = "";
    BROWSEINFOA info_ = {};
};

TEST_F(Browser, InitializedComesFirstThenOneSelChangedPerChange)
{
    recorder_.onInitialized = [](HWND browser) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>("c:\\windows\\twain_32\\"));
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>("C:/WINDOWS/TWAIN_32"));
        SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>("C:\\WINDOWS\\TWAIN_32\\"));
    };
    std::string title, status, caption;
    WhenModal([&](HWND browser) {
        caption = Text(browser);
        title = ItemText(browser, kBrowseTitleId);
        status = ItemText(browser, kBrowseStatusId);
        ClickButton(browser, IDOK);
    });
    EXPECT_EQ(Browse(), "C:\\WINDOWS\\TWAIN_32");
    EXPECT_STREQ(displayName_, "TWAIN_32");
    ASSERT_EQ(recorder_.events.size(), 2u) << "selecting the selected folder again is no change";
    EXPECT_EQ(recorder_.events[0].message, static_cast<UINT>(BFFM_INITIALIZED));
    EXPECT_EQ(recorder_.events[1].message, static_cast<UINT>(BFFM_SELCHANGED));
    EXPECT_TRUE(recorder_.events[1].hasPath);
    EXPECT_EQ(recorder_.events[1].path, "C:\\WINDOWS\\TWAIN_32") << "names as the file system has them";
    EXPECT_EQ(caption, "Browse for Folder");
    EXPECT_EQ(title, "Current Selection");
    EXPECT_EQ(status, "C:\\WINDOWS\\TWAIN_32\\");
    EXPECT_TRUE(UnexpectedModals().empty());
}

TEST_F(Browser, KeyboardMovesOpensAndChooses)
{
    std::vector<std::string> shown;
    WhenModal([&](HWND browser) {
        HWND tree = FindControl(browser, kBrowseTreeId);
        EXPECT_EQ(Focus(), tree) << "the tree has the focus";
        PressKey(VK_DOWN);   // Local Disk (C:)
        PressKey(VK_RIGHT);  // opened
        PressKey(VK_DOWN);   // Photos (hidden folders are not shown)
        int count = static_cast<int>(SendMessageA(tree, FTM_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char name[MAX_PATH];
            SendMessageA(tree, FTM_GETITEMTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
            shown.push_back(name);
        }
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(Browse(), "C:\\Photos");
    EXPECT_EQ(shown, (std::vector<std::string>{"My Computer", "Local Disk (C:)", "Photos", "WINDOWS", "Host Files (Z:)"}));
    ASSERT_EQ(recorder_.events.size(), 3u);
    EXPECT_FALSE(recorder_.events[0].hasPath);
    EXPECT_EQ(recorder_.events[1].path, "C:\\");
    EXPECT_EQ(recorder_.events[2].path, "C:\\Photos");
}

TEST_F(Browser, OkOnMyComputerGivesAListWithoutPath)
{
    recorder_.onInitialized = [](HWND browser) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>("C:\\Photos"));
    };
    WhenModal([](HWND) {
        PressKey(VK_HOME);
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(Browse(), "");
    EXPECT_STREQ(displayName_, "My Computer");
    ASSERT_EQ(recorder_.events.size(), 3u);
    EXPECT_FALSE(recorder_.events[2].hasPath);
    EXPECT_EQ(recorder_.events[2].path, "") << "SHGetPathFromIDListA empties the buffer";
}

TEST_F(Browser, CancelAndEscapeGiveNoList)
{
    WhenModalClick(IDCANCEL);
    EXPECT_EQ(Browse(), "(null)");
    WhenModalKey(VK_ESCAPE);
    EXPECT_EQ(Browse(), "(null)");
}

TEST_F(Browser, MissingFoldersSelectTheirDeepestExistingParent)
{
    recorder_.onInitialized = [](HWND browser) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>("C:\\WINDOWS\\TWAIN_32\\Other\\SAMPLE\\"));
    };
    WhenModalClick(IDOK);
    EXPECT_EQ(Browse(), "C:\\WINDOWS\\TWAIN_32");
}

TEST_F(Browser, SelectionByIdListAndTheOkButtonSwitch)
{
    WhenModal([](HWND browser) {
        char path[] = "C:\\WINDOWS\\TWAIN_32\\Marovane";
        // An id list made by the browser itself: OK's result of another run
        // is not at hand here, so the tree's selection is set by path first.
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
        ITEMIDLIST empty = {};
        SendMessageA(browser, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(&empty));  // My Computer
        SendMessageA(browser, BFFM_ENABLEOK, 0, 0);
        EXPECT_FALSE(Enabled(FindControl(browser, IDOK)));
        PressKey(VK_RETURN);  // OK is off: nothing happens
        EXPECT_TRUE(IsWindow(browser));
        SendMessageA(browser, BFFM_ENABLEOK, 0, 1);
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(Browse(), "C:\\WINDOWS\\TWAIN_32\\Marovane");
}

TEST_F(Browser, OnlyFileSystemFoldersTurnsOkOffOnMyComputer)
{
    info_.ulFlags = BIF_RETURNONLYFSDIRS;
    info_.lpfn = nullptr;
    bool okAtStart = true, okOnDrive = false;
    WhenModal([&](HWND browser) {
        okAtStart = Enabled(FindControl(browser, IDOK));
        EXPECT_EQ(FindControl(browser, kBrowseStatusId), nullptr) << "no status line without BIF_STATUSTEXT";
        PressKey(VK_DOWN);
        okOnDrive = Enabled(FindControl(browser, IDOK));
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(Browse(), "C:\\");
    EXPECT_FALSE(okAtStart);
    EXPECT_TRUE(okOnDrive);
}

TEST_F(Browser, MouseSelectsAndTheBoxOrADoubleClickOpens)
{
    WhenModal([](HWND browser) {
        HWND tree = FindControl(browser, kBrowseTreeId);
        HDC dc = GetDC(tree);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(tree, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        SelectObject(dc, previous);
        ReleaseDC(tree, dc);
        int row = metrics.tmHeight + 4;
        POINT onDrive = {60, 2 + row + row / 2};
        Click(tree, onDrive);
        EXPECT_EQ(SendMessageA(tree, FTM_GETSELINDEX, 0, 0), 1);
        POINT onDriveBox = {2 + 2 + 16 + 4, onDrive.y};
        Click(tree, onDriveBox);  // the +/- box opens the drive
        EXPECT_EQ(SendMessageA(tree, FTM_GETCOUNT, 0, 0), 5);
        POINT onPhotos = {80, 2 + 2 * row + row / 2};
        Click(tree, onPhotos);
        Click(tree, onPhotos);  // a double click opens Photos
        EXPECT_EQ(SendMessageA(tree, FTM_GETCOUNT, 0, 0), 6);
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(Browse(), "C:\\Photos");
}

// A tree taller than its view: a scroll bar appears, the wheel and the bar
// move the rows, and the last row is reached whole.
TEST_F(Browser, ATallTreeScrollsByWheelAndBar)
{
    for (int i = 0; i < 40; ++i) fs::create_directories(drive_ / ("Folder" + std::to_string(100 + i)));
    WhenModal([](HWND browser) {
        HWND tree = FindControl(browser, kBrowseTreeId);
        RECT client;
        GetClientRect(tree, &client);
        POINT onBar = {client.right - 1 - 8, client.bottom / 2};
        auto barShown = [&] {
            PumpUntilIdle();
            return PixelAt(tree, onBar) != GetSysColor(COLOR_WINDOW);
        };
        EXPECT_FALSE(barShown()) << "two rows fit without a bar";
        SendMessageA(tree, WM_KEYDOWN, VK_DOWN, 0);   // the drive
        SendMessageA(tree, WM_KEYDOWN, VK_RIGHT, 0);  // opened
        int count = static_cast<int>(SendMessageA(tree, FTM_GETCOUNT, 0, 0));
        ASSERT_GT(count, 40);
        EXPECT_TRUE(barShown());
        EXPECT_EQ(SendMessageA(tree, FTM_GETTOPINDEX, 0, 0), 0);

        POINT screen = {client.right / 2, client.bottom / 2};
        ClientToScreen(tree, &screen);
        SendMessageA(tree, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(short(-120))), MAKELPARAM(screen.x, screen.y));
        EXPECT_EQ(SendMessageA(tree, FTM_GETTOPINDEX, 0, 0), 3);
        SendMessageA(tree, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(short(120))), MAKELPARAM(screen.x, screen.y));
        EXPECT_EQ(SendMessageA(tree, FTM_GETTOPINDEX, 0, 0), 0);

        // The down arrow moves one row; many turns end at the last row,
        // which then sits whole at the bottom.
        Click(tree, POINT{onBar.x, client.bottom - 4});
        EXPECT_EQ(SendMessageA(tree, FTM_GETTOPINDEX, 0, 0), 1);
        for (int i = 0; i < 30; ++i) {
            SendMessageA(tree, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(short(-120))), MAKELPARAM(screen.x, screen.y));
        }
        int top = static_cast<int>(SendMessageA(tree, FTM_GETTOPINDEX, 0, 0));
        HDC dc = GetDC(tree);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(tree, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        SelectObject(dc, previous);
        ReleaseDC(tree, dc);
        int row = metrics.tmHeight + 4;
        int shown = (client.bottom - 4) / row;
        EXPECT_EQ(top, count - shown);
        // A click on the last row selects it: it is drawn, not cut off.
        Click(tree, POINT{60, 2 + (shown - 1) * row + row / 2});
        EXPECT_EQ(SendMessageA(tree, FTM_GETSELINDEX, 0, 0), count - 1);
        // A click in the space below the last whole row selects nothing new.
        Click(tree, POINT{60, 2 + shown * row + 1});
        EXPECT_EQ(SendMessageA(tree, FTM_GETSELINDEX, 0, 0), count - 1);
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(Browse(), "(null)");
}

TEST(IdLists, PathsOfListsAndTheirFaults)
{
    char path[MAX_PATH] = "untouched";
    EXPECT_FALSE(SHGetPathFromIDListA(nullptr, path));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(SHGetPathFromIDListA(nullptr, nullptr));
    // 'D' "C:" then 'F' "x": the encoding the browser hands out.
    const unsigned char good[] = {6, 0, 'D', 'C', ':', 0, 5, 0, 'F', 'x', 0, 0, 0};
    ASSERT_TRUE(SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(good), path));
    EXPECT_STREQ(path, "C:\\x");
    const unsigned char folderFirst[] = {5, 0, 'F', 'x', 0, 0, 0};
    EXPECT_FALSE(SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(folderFirst), path));
    const unsigned char unterminated[] = {6, 0, 'D', 'C', ':', '!', 0, 0};
    EXPECT_FALSE(SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(unterminated), path));
    const unsigned char tooShort[] = {1, 0, 0, 0};
    EXPECT_FALSE(SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(tooShort), path));
    std::vector<unsigned char> longList = {6, 0, 'D', 'C', ':', 0};
    for (int i = 0; i < 30; ++i) {
        std::string name(10, static_cast<char>('a' + i % 26));
        longList.push_back(static_cast<unsigned char>(4 + name.size()));
        longList.push_back(0);
        longList.push_back('F');
        longList.insert(longList.end(), name.begin(), name.end());
        longList.push_back(0);
    }
    longList.push_back(0);
    longList.push_back(0);
    EXPECT_FALSE(SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(longList.data()), path))
        << "a path of MAX_PATH characters or more";
    ILFree(nullptr);
}

}  // namespace
