// Downloading the selected pictures: the two destination dialogs, the files
// written, and what a failure leaves behind.
#include "TransferFixture.h"

#include <winplat/shellbrowse.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace transfer_tests {
namespace {

namespace fs = std::filesystem;

const char kDownloadErrorText[] = "download data error!!\nPlease Reset and plug it again.";
const char kSampleFolder[] = "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE";

// The files in a host folder, by name.
std::vector<std::string> FolderContents(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Download : public TransferTest {
protected:
    // A camera holding pictures of these sizes (their bytes a pattern).
    camera::VirtualCamera& PlugSizes(const std::vector<size_t>& sizes)
    {
        camera::VirtualCamera& cam = Plug(0);
        for (size_t i = 0; i < sizes.size(); ++i) {
            camera::Bytes bytes = Pattern(sizes[i], static_cast<unsigned>(i + 1));
            // A thumbnail is fetched for as many bytes as its picture has.
            cam.card().AddPicture(bytes, ThumbnailFile(static_cast<int>(i), std::min<size_t>(sizes[i], 20480)));
            pictures_.push_back(bytes);
        }
        return cam;
    }

    // What the file of picture i must hold: the picture, and a zero when its
    // size is even (the transfers are of odd length).
    std::string Expected(size_t i) const
    {
        std::string bytes(pictures_[i].begin(), pictures_[i].end());
        if (bytes.size() % 2 == 0) bytes.push_back('\0');
        return bytes;
    }

    // Answers "Creat path" with OK and the browser with OK where it opens.
    static void AcceptBothDialogs()
    {
        AnswerBox(IDOK);
        AnswerBox(IDOK);
    }

    // Answers the browser by choosing the drive C: itself.
    static void ChooseDriveC()
    {
        wa::WhenModal([](HWND) {
            wa::PressKey(VK_HOME);  // My Computer
            wa::PressKey(VK_DOWN);  // Local Disk (C:)
            wa::PressKey(VK_RETURN);
        });
    }

    size_t FileReads(camera::VirtualCamera& cam) { return Commands(cam, kOpReadFile).size(); }

    std::vector<std::string> SelectedNames()
    {
        std::vector<std::string> names;
        for (PictureNode* node = Pictures().m_pHead; node; node = node->pNext)
            if (node->bSelected) names.push_back(node->szName);
        return names;
    }
    COLORREF CellPixel(int cell)
    {
        const RECT& box = CameraDlgProbe::CellBox(*dlg_, cell);
        return wa::PixelAt(window_, POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    }
    bool Enabled(int id) { return wa::Enabled(wa::FindControl(window_, id)); }

    // After a download that began on the page at `position`: the grid still
    // shows that page, a click selects the picture it lands on, and PREV and
    // NEXT reach every page of the twelve pictures.
    void ExpectGridAsBefore(int position, COLORREF firstCell, const std::vector<std::string>& selected)
    {
        EXPECT_EQ(Pictures().m_nPosition, position);
        EXPECT_EQ(CellPixel(0), firstCell) << "the grid shows the page it showed before";
        EXPECT_EQ(SelectedNames(), selected) << "the selection stays";
        ClickCell(0);
        char name[16];
        snprintf(name, sizeof(name), "S%07d", position);
        EXPECT_EQ(SelectedNames(), std::vector<std::string>{name}) << "a click selects the picture it lands on";
        EXPECT_EQ(Enabled(IDC_PREV), position > 1);
        while (Enabled(IDC_PREV)) Click(IDC_PREV);
        EXPECT_EQ(Pictures().m_nPosition, 1) << "PREV reaches the first picture";
        Click(IDC_NEXT);
        EXPECT_EQ(Pictures().m_nPosition, 4);
        EXPECT_FALSE(Enabled(IDC_NEXT)) << "pictures 4 to 12 are all on screen";
    }

    std::vector<camera::Bytes> pictures_;
};

TEST_F(Download, ThreePicturesBecomeTheirFilesInListOrder)
{
    camera::VirtualCamera& cam = PlugSizes({8000, 8001, 70000});
    std::vector<std::string> texts;
    Run([&] {
        Click(IDC_SELECT);
        cam.ClearLog();
        ProgressTextRecorder progress;
        AcceptBothDialogs();
        Click(IDC_ACQUIRE);
        texts = progress.texts;
    });
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(texts, (std::vector<std::string>{"S0000001", "S0000002", "S0000003"}));
    std::vector<camera::CAMERA_COMMAND> reads = Commands(cam, kOpReadFile);
    ASSERT_EQ(reads.size(), 3u);
    const DWORD lengths[] = {8001, 8001, 70001};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(reads[i].dwLength, lengths[i]);
        EXPECT_EQ(std::string(reads[i].szName), "S000000" + std::to_string(i + 1) + "JPG");
        std::string file = HostFile(HostPath(std::string(kSampleFolder) + "\\S000000" + std::to_string(i + 1) + ".jpg"));
        EXPECT_EQ(file.size(), lengths[i]);
        EXPECT_TRUE(file == Expected(i)) << "picture " << i + 1;
    }
    EXPECT_EQ(std::string(CameraDlgProbe::DestFolder(*dlg_)), kSampleFolder);
    EXPECT_EQ(Pictures().CountSelected(), 3) << "the selection stays";
    EXPECT_EQ(Pictures().m_nPosition, 1) << "the grid stays on its page";
}

TEST_F(Download, ADriveRootIsUsedAsItIs)
{
    PlugSizes({4001, 4002});
    Run([&] {
        Select({1});
        AnswerBox(IDOK);
        ChooseDriveC();
        Click(IDC_ACQUIRE);
    });
    EXPECT_EQ(std::string(CameraDlgProbe::DestFolder(*dlg_)), "C:\\");
    EXPECT_TRUE(HostFile(drive_ + "/S0000002.jpg") == Expected(1));
    EXPECT_EQ(Pictures().m_nPosition, 1) << "the grid stays on its page";
}

TEST_F(Download, AFolderTypedInCreatPathIsCreatedAndOffered)
{
    PlugSizes({3001});
    std::string status;
    Run([&] {
        Select({0});
        wa::WhenModal([](HWND dialog) {
            SetWindowTextA(wa::FindControl(dialog, IDC_PATH), "C:\\Photos");
            wa::ClickButton(dialog, IDOK);
        });
        wa::WhenModal([&](HWND browser) {
            status = wa::Text(wa::FindControl(browser, winplat::shell::kBrowseStatusId));
            wa::ClickButton(browser, IDOK);
        });
        Click(IDC_ACQUIRE);
    });
    EXPECT_EQ(status, "C:\\Photos");
    EXPECT_TRUE(HostFile(drive_ + "/Photos/S0000001.jpg") == Expected(0)) << "a backslash goes before the name";
    EXPECT_EQ(std::string(CameraDlgProbe::DestFolder(*dlg_)), "C:\\Photos");
}

TEST_F(Download, CancelInCreatPathStillOpensTheBrowserOnTheSameFolder)
{
    PlugSizes({3001});
    std::string status, preset;
    Run([&] {
        Select({0});
        wa::WhenModal([&](HWND dialog) {
            preset = wa::Text(wa::FindControl(dialog, IDC_PATH));
            SetWindowTextA(wa::FindControl(dialog, IDC_PATH), "C:\\Elsewhere");
            wa::ClickButton(dialog, IDCANCEL);
        });
        wa::WhenModal([&](HWND browser) {
            status = wa::Text(wa::FindControl(browser, winplat::shell::kBrowseStatusId));
            wa::ClickButton(browser, IDOK);
        });
        Click(IDC_ACQUIRE);
    });
    EXPECT_EQ(preset, "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE\\");
    EXPECT_EQ(status, "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE...") << "36 characters: 35 and ...";
    EXPECT_FALSE(fs::exists(drive_ + "/Elsewhere"));
    EXPECT_TRUE(HostFile(HostPath(std::string(kSampleFolder) + "\\S0000001.jpg")) == Expected(0));
}

TEST_F(Download, CancelInTheBrowserTouchesNoDevice)
{
    camera::VirtualCamera& cam = PlugSizes({3001, 3002});
    Run([&] {
        Click(IDC_SELECT);
        cam.ClearLog();
        AnswerBox(IDOK);
        AnswerBox(IDCANCEL);
        Click(IDC_ACQUIRE);
        EXPECT_TRUE(cam.requests().empty());
    });
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_TRUE(fs::is_empty(HostPath(kSampleFolder)));
    EXPECT_EQ(Pictures().CountSelected(), 2);
}

TEST_F(Download, NothingSelectedAsksForASelection)
{
    camera::VirtualCamera& cam = PlugSizes({3001});
    Run([&] {
        cam.ClearLog();
        AnswerBox();
        Click(IDC_ACQUIRE);
        EXPECT_TRUE(cam.requests().empty());
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Select at least one image!"});
}

TEST_F(Download, AFailureOnTheSecondOfThreeStopsTheTransfer)
{
    camera::VirtualCamera& cam = PlugSizes({4001, 4002, 4003});
    Run([&] {
        Click(IDC_SELECT);
        cam.ClearLog();
        cam.faults().Add(FaultRule::On(Step::StatusRead, kOpReadFile).FromNow(2).State(5));
        AcceptBothDialogs();
        AnswerBox();
        Click(IDC_ACQUIRE);
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kDownloadErrorText});
    EXPECT_EQ(FileReads(cam), 2u) << "the third is not attempted";
    EXPECT_TRUE(HostFile(HostPath(std::string(kSampleFolder) + "\\S0000001.jpg")) == Expected(0));
    EXPECT_FALSE(fs::exists(HostPath(std::string(kSampleFolder) + "\\S0000002.jpg")));
    EXPECT_FALSE(fs::exists(HostPath(std::string(kSampleFolder) + "\\S0000003.jpg")));
    EXPECT_EQ(Pictures().m_nPosition, 1);
}

TEST_F(Download, ACameraGoneDuringAPictureLeavesNoFileOfZeros)
{
    camera::VirtualCamera& cam = PlugSizes({4001, 4002, 4003});
    Run([&] {
        Click(IDC_SELECT);
        cam.ClearLog();
        // The driver answers that the command was not carried out.
        cam.faults().Add(FaultRule::On(Step::DataRead, kOpReadFile).FromNow(2).Unplug());
        AcceptBothDialogs();
        AnswerBox();
        Click(IDC_ACQUIRE);
    });
    EXPECT_TRUE(cam.WaitUnpluggedByFault());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kDownloadErrorText});
    EXPECT_TRUE(HostFile(HostPath(std::string(kSampleFolder) + "\\S0000001.jpg")) == Expected(0));
    EXPECT_FALSE(fs::exists(HostPath(std::string(kSampleFolder) + "\\S0000002.jpg")));
    EXPECT_FALSE(fs::exists(HostPath(std::string(kSampleFolder) + "\\S0000003.jpg")));
}

TEST_F(Download, AnExistingFileIsReplaced)
{
    PlugSizes({5001});
    fs::path existing = HostPath(std::string(kSampleFolder) + "\\S0000001.jpg");
    { std::ofstream(existing, std::ios::binary) << std::string(20000, 'x'); }
    Run([&] {
        Select({0});
        AcceptBothDialogs();
        Click(IDC_ACQUIRE);
    });
    EXPECT_TRUE(HostFile(existing.string()) == Expected(0));
}

TEST_F(Download, AFileThatCannotBeCreatedStopsTheTransfer)
{
    camera::VirtualCamera& cam = PlugSizes({6001, 6002, 6003});
    fs::create_directory(HostPath(std::string(kSampleFolder)) + "/S0000002.jpg");  // a folder in the way
    Run([&] {
        Click(IDC_SELECT);
        cam.ClearLog();
        AcceptBothDialogs();
        AnswerBox();
        Click(IDC_ACQUIRE);
    });
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{"Can not write file C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE\\S0000002.jpg!"});
    EXPECT_EQ(FileReads(cam), 2u);
    EXPECT_TRUE(HostFile(HostPath(std::string(kSampleFolder) + "\\S0000001.jpg")) == Expected(0));
    EXPECT_FALSE(fs::exists(HostPath(std::string(kSampleFolder) + "\\S0000003.jpg")));
}

TEST_F(Download, AFullDiskLeavesNoPartFile)
{
    PlugSizes({30001, 150001});
    std::string second = HostPath(std::string(kSampleFolder) + "\\S0000002.jpg");
    Run([&] {
        Click(IDC_SELECT);
        AcceptBothDialogs();
        AnswerBox();
        // Files may grow to 100000 bytes: the second picture does not fit.
        signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit small = previous;
        small.rlim_cur = 100000;
        setrlimit(RLIMIT_FSIZE, &small);
        Click(IDC_ACQUIRE);
        setrlimit(RLIMIT_FSIZE, &previous);
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Can not write file " + std::string(kSampleFolder) + "\\S0000002.jpg!"});
    EXPECT_TRUE(HostFile(HostPath(std::string(kSampleFolder) + "\\S0000001.jpg")) == Expected(0));
    EXPECT_FALSE(fs::exists(second)) << "the part written is removed";
    EXPECT_EQ(FolderContents(HostPath(kSampleFolder)), std::vector<std::string>{"S0000001.jpg"});
}

TEST_F(Download, AfterAFinishedDownloadClicksAndPagingActOnWhatIsShown)
{
    PlugSizes(std::vector<size_t>(12, 3001));
    Run([&] {
        COLORREF first = CellPixel(0);
        ClickCell(2);
        ClickCell(4, MK_CONTROL);
        AcceptBothDialogs();
        Click(IDC_ACQUIRE);
        EXPECT_TRUE(HostFile(HostPath(std::string(kSampleFolder) + "\\S0000005.jpg")) == Expected(4));
        ExpectGridAsBefore(1, first, {"S0000003", "S0000005"});
    });
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(Download, AfterAFailedDownloadClicksAndPagingActOnWhatIsShown)
{
    camera::VirtualCamera& cam = PlugSizes(std::vector<size_t>(12, 3001));
    Run([&] {
        Click(IDC_NEXT);
        COLORREF first = CellPixel(0);
        ClickCell(1);
        ClickCell(3, MK_CONTROL);
        cam.faults().Add(FaultRule::On(Step::StatusRead, kOpReadFile).FromNow(2).State(5));
        AcceptBothDialogs();
        AnswerBox();
        Click(IDC_ACQUIRE);
        ExpectGridAsBefore(4, first, {"S0000005", "S0000007"});
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kDownloadErrorText});
}

TEST_F(Download, AfterACancelledDownloadClicksAndPagingActOnWhatIsShown)
{
    PlugSizes(std::vector<size_t>(12, 3001));
    Run([&] {
        Click(IDC_NEXT);
        COLORREF first = CellPixel(0);
        ClickCell(5);
        AnswerBox(IDOK);
        AnswerBox(IDCANCEL);
        Click(IDC_ACQUIRE);
        ExpectGridAsBefore(4, first, {"S0000009"});
    });
}

// Makes a host folder fill up after about `bytes`: a small tmpfs mounted on
// it when the test may mount (root), otherwise a file size limit that makes
// every larger write fail. Undone when it goes.
class FillingFolder {
public:
    FillingFolder(const std::string& folder, size_t bytes) : folder_(folder)
    {
        std::string options = "size=" + std::to_string(bytes);
        if (geteuid() == 0 && mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0) {
            how_ = "a small tmpfs";
            return;
        }
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit small = previous_;
        small.rlim_cur = bytes;
        if (setrlimit(RLIMIT_FSIZE, &small) == 0) {
            signal(SIGXFSZ, SIG_IGN);
            how_ = "a file size limit";
        }
    }
    ~FillingFolder()
    {
        if (how_ == "a small tmpfs") umount2(folder_.c_str(), MNT_DETACH);
        if (how_ == "a file size limit") setrlimit(RLIMIT_FSIZE, &previous_);
    }
    // How the folder fills, or "" when it cannot be made to.
    const std::string& how() const { return how_; }
    bool IsMount() const { return how_ == "a small tmpfs"; }

private:
    std::string folder_;
    std::string how_;
    rlimit previous_{};
};

TEST_F(Download, AFailedWriteLeavesTheOlderFileOfThatNameAsItWas)
{
    PlugSizes({30001, 150001});
    std::string folder = HostPath(kSampleFolder);
    // 96 KiB: both older files and the first picture fit, the second picture does not.
    FillingFolder filling(folder, 96 * 1024);
    if (filling.how().empty())
        GTEST_SKIP() << "the destination cannot be made to fill up: no tmpfs (not root, or mount refused) and no file "
                        "size limit";
    SCOPED_TRACE("the destination fills through " + filling.how());
    const std::string older1(20000, 'y'), older2(20000, 'x');
    { std::ofstream(folder + "/S0000001.jpg", std::ios::binary) << older1; }
    { std::ofstream(folder + "/S0000002.jpg", std::ios::binary) << older2; }
    Run([&] {
        Click(IDC_SELECT);
        AcceptBothDialogs();
        AnswerBox();
        Click(IDC_ACQUIRE);
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Can not write file " + std::string(kSampleFolder) + "\\S0000002.jpg!"});
    EXPECT_TRUE(HostFile(folder + "/S0000001.jpg") == Expected(0)) << "a download that succeeds replaces the older file";
    EXPECT_TRUE(HostFile(folder + "/S0000002.jpg") == older2) << "the older file of the failed picture is untouched";
    EXPECT_EQ(FolderContents(folder), (std::vector<std::string>{"S0000001.jpg", "S0000002.jpg"}))
        << "no temporary file stays behind";
    EXPECT_EQ(Pictures().CountSelected(), 2);
}

// Drive C: as on a machine that never ran the program.
class DownloadOnFreshDrive : public Download {
protected:
    DownloadOnFreshDrive() { sampleFolderExists_ = false; }
};

TEST_F(DownloadOnFreshDrive, OkInCreatPathCreatesEveryLevelOfTheDefaultFolder)
{
    PlugSizes({3001});
    // Every installation has C:\WINDOWS\TWAIN_32; the two levels below it are missing.
    ASSERT_FALSE(fs::exists(drive_ + "/WINDOWS/TWAIN_32/Marovane"));
    std::string status;
    Run([&] {
        Select({0});
        AnswerBox(IDOK);  // "Creat path" with the default folder
        wa::WhenModal([&](HWND browser) {
            status = wa::Text(wa::FindControl(browser, winplat::shell::kBrowseStatusId));
            wa::ClickButton(browser, IDOK);
        });
        Click(IDC_ACQUIRE);
    });
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_TRUE(fs::is_directory(HostPath(kSampleFolder)));
    EXPECT_EQ(status, "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE...");
    EXPECT_EQ(std::string(CameraDlgProbe::DestFolder(*dlg_)), kSampleFolder) << "the folder confirmed is the one used";
    EXPECT_TRUE(HostFile(HostPath(std::string(kSampleFolder) + "\\S0000001.jpg")) == Expected(0));
    EXPECT_EQ(FolderContents(HostPath("C:\\WINDOWS\\TWAIN_32")), std::vector<std::string>{"Marovane"})
        << "nothing lands in a folder above";
}

}  // namespace
}  // namespace transfer_tests
