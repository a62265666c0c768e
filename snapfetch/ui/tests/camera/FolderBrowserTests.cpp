// The destination folder browser through the shell's real browser dialog:
// what it opens on, what its status line shows, and what it returns.
#include "FolderBrowser.h"

#include <winplat/automation.h>
#include <winplat/display.h>
#include <winplat/host.h>
#include <winplat/shellbrowse.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace winplat::automation;
using namespace winplat::shell;

namespace {

namespace fs = std::filesystem;

// Records the messages that reach the virtual operations.
class CRecordingBrowser : public CFolderBrowser {
public:
    using CFolderBrowser::CFolderBrowser;
    std::vector<std::string> calls;
    const BROWSEINFOA& Info() const { return m_bi; }
    static CString Shorten(LPCSTR text) { return ShortenPath(text); }

protected:
    void OnInitialized() override
    {
        calls.push_back("initialized");
        CFolderBrowser::OnInitialized();
    }
    void OnSelChanged(LPCITEMIDLIST pidl) override
    {
        CFolderBrowser::OnSelChanged(pidl);
        calls.push_back(std::string("selchanged ") + static_cast<LPCSTR>(m_strPath));
    }
};

class FolderBrowser : public ::testing::Test {
protected:
    void SetUp() override
    {
        winplat::SelectPresenter("headless");
        Reset();
        const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
        drive_ = fs::path(scratch ? scratch : fs::temp_directory_path().string()) / "browser" /
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(drive_);
        for (const char* folder : {"WINDOWS/TWAIN_32/Marovane/SAMPLE", "Photos/2024"}) fs::create_directories(drive_ / folder);
        winplat::SetDriveCFolder(drive_.string());
    }
    void TearDown() override
    {
        EXPECT_TRUE(UnexpectedModals().empty());
        Reset();
    }

    // Runs `browser`, reading the status line once the browser is up, then
    // doing `act` inside it.
    int Browse(CFolderBrowser& browser, std::function<void(HWND)> act)
    {
        WhenModal([&](HWND window) {
            status_ = Text(FindControl(window, kBrowseStatusId));
            act(window);
        });
        return browser.DoBrowse();
    }

    fs::path drive_;
    std::string status_;
};

TEST_F(FolderBrowser, OpensOnTheInitialFolderAndReturnsItsPath)
{
    CRecordingBrowser browser("C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE\\", 0, nullptr);
    std::string title, selected;
    int result = Browse(browser, [&](HWND window) {
        title = Text(FindControl(window, kBrowseTitleId));
        char path[MAX_PATH] = "";
        SendMessageA(FindControl(window, kBrowseTreeId), FTM_GETSELPATH, sizeof(path), reinterpret_cast<LPARAM>(path));
        selected = path;
        ClickButton(window, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(title, "Current Selection");
    EXPECT_EQ(selected, "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE");
    EXPECT_EQ(std::string(browser.GetPath()), "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE");
    ASSERT_GE(browser.calls.size(), 2u);
    EXPECT_EQ(browser.calls[0], "initialized");
    EXPECT_EQ(browser.calls[1], "selchanged C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE");
    EXPECT_EQ(browser.Info().ulFlags, static_cast<UINT>(BIF_STATUSTEXT));
    EXPECT_EQ(browser.Info().hwndOwner, nullptr);
}

TEST_F(FolderBrowser, StatusLineShowsThirtyFiveCharactersAtMost)
{
    std::string folder35 = "C:\\Photos\\2024\\abcdefghijklmnopqrst";  // 35 characters
    ASSERT_EQ(folder35.size(), 35u);
    CFolderBrowser whole(folder35.c_str(), 0, nullptr);
    Browse(whole, [](HWND window) { ClickButton(window, IDCANCEL); });
    EXPECT_EQ(status_, folder35);

    std::string folder36 = folder35 + "v";
    CFolderBrowser cut(folder36.c_str(), 0, nullptr);
    Browse(cut, [](HWND window) { ClickButton(window, IDCANCEL); });
    EXPECT_EQ(status_, folder35 + "...");

    EXPECT_EQ(std::string(CRecordingBrowser::Shorten("")), "");
    EXPECT_EQ(std::string(CRecordingBrowser::Shorten(folder36.c_str())), folder35 + "...");
}

TEST_F(FolderBrowser, StatusLineFollowsTheSelection)
{
    CRecordingBrowser browser("C:\\Photos", 0, nullptr);
    std::string afterMove;
    int result = Browse(browser, [&](HWND window) {
        PressKey(VK_RIGHT);  // opens Photos
        PressKey(VK_DOWN);   // 2024
        afterMove = Text(FindControl(window, kBrowseStatusId));
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(status_, "C:\\Photos");
    EXPECT_EQ(afterMove, "C:\\Photos\\2024");
    EXPECT_EQ(std::string(browser.GetPath()), "C:\\Photos\\2024");
}

TEST_F(FolderBrowser, CancelIsCancelWhateverWasSelected)
{
    CFolderBrowser browser("C:\\Photos", 0, nullptr);
    int result = Browse(browser, [](HWND) {
        PressKey(VK_DOWN);
        PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(FolderBrowser, AVirtualFolderIsNoDestination)
{
    CFolderBrowser browser("C:\\Photos", 0, nullptr);
    int result = Browse(browser, [](HWND) {
        PressKey(VK_HOME);  // My Computer
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
