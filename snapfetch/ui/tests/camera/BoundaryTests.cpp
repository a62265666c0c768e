// The transfers' rules at their boundaries, each met on both sides: every
// character that makes a camera name unsafe against its safe neighbours,
// the destination folder's separator at the drive root and just past it,
// the thumbnail fetch limit, the directory's 512-byte blocks and the retry
// series of five attempts.
#include "TransferFixture.h"

#include <winplat/host.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <thread>

namespace transfer_tests {
namespace {

namespace fs = std::filesystem;

const char kCorruptedText[] = "Some files are corrupted";

class Boundaries : public TransferTest {
protected:
    // Answers "Creat path" with `folder` and the browser with OK, then
    // presses ACQUIRE.
    void DownloadTo(const std::string& folder)
    {
        wa::WhenModal([folder](HWND dialog) {
            SetWindowTextA(wa::FindControl(dialog, IDC_PATH), folder.c_str());
            wa::ClickButton(dialog, IDOK);
        });
        AnswerBox(IDOK);
        Click(IDC_ACQUIRE);
    }

    // Files below a host folder, by their path relative to it ("a/b.jpg").
    static std::set<std::string> FilesBelow(const std::string& folder)
    {
        std::set<std::string> files;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), folder).string());
        return files;
    }

    // Directory size queries (opcode 2 is asked, not commanded).
    static size_t DirectoryAttempts(camera::VirtualCamera& cam)
    {
        size_t count = 0;
        for (const camera::ReceivedRequest& r : cam.requests())
            if (r.kind == Step::GetReply && r.value == 2) count++;
        return count;
    }
};

// ---- Unsafe camera names ---------------------------------------------------------------

// The picture name "S0" + c + "TEST1" for a character c.
std::string NameWith(char c) { return std::string("S0") + c + "TEST1"; }

// Every character the rule names, and the control and non-ASCII edges.
const char kUnsafe[] = {'\\', '/', ':', '*', '?', '"', '<', '>', '|', '.', '\0', '\x01', '\x1F', '\x7F',
                        '\x80', '\xFF'};
// Their nearest neighbours that a file name may hold.
const char kSafe[] = {' ', '!', '#', ')', '+', '-', '0', '9', ';', '=', '@', '[', ']', '{', '}', '~'};

TEST_F(Boundaries, EveryUnsafeCharacterKeepsAPictureOutWhileItsNeighboursPass)
{
    camera::VirtualCamera& cam = Plug(0);
    std::vector<std::string> names;
    for (char c : kUnsafe) names.push_back(NameWith(c));
    for (char c : kSafe) names.push_back(NameWith(c));
    // Each picture is listed and stored under its name: the directory says
    // it, and its two files carry it on the camera.
    for (size_t i = 0; i < names.size(); ++i) {
        std::string stored = cam.card().AddPicture(SmallPicture(static_cast<int>(i % 3)));
        ASSERT_FALSE(stored.empty());
        const std::string& name = names[i];
        cam.card().SetEntryName(i, camera::Bytes(name.begin(), name.end()));
        cam.card().PutFile(name + "JPG", *cam.card().File(stored + "JPG"));
        // Thumbnail names built by appending: GCC 12 at -O3 takes "T" + a
        // temporary for an overlapping copy.
        std::string thumbnail = name, storedThumbnail = stored;
        thumbnail[0] = storedThumbnail[0] = 'T';
        cam.card().PutFile(thumbnail + "JPG", *cam.card().File(storedThumbnail + "JPG"));
    }
    // A picture named with a separator would land in this folder.
    fs::create_directories(drive_ + "/Dest/S0");
    AnswerBox();
    Run([&] {
        Click(IDC_SELECT);
        DownloadTo("C:\\Dest");
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kCorruptedText});
    std::vector<std::string> listed = PictureNames();
    std::set<std::string> expectedFiles;
    std::vector<std::string> expectedNames;
    for (char c : kSafe) {
        expectedNames.push_back(NameWith(c));
        expectedFiles.insert(NameWith(c) + ".jpg");
    }
    EXPECT_EQ(listed, expectedNames);
    EXPECT_EQ(FilesBelow(drive_ + "/Dest"), expectedFiles);
    EXPECT_TRUE(fs::is_empty(drive_ + "/Dest/S0"));
    // Besides the pictures only the driver's reset dump is on the drive.
    for (const std::string& file : FilesBelow(drive_))
        EXPECT_TRUE(file.rfind("Dest/", 0) == 0 || file == "stilldrv.log") << file << " written outside";
}

// ---- The destination's separator ---------------------------------------------------------

TEST_F(Boundaries, OnlyTheDriveRootKeepsItsFolderAsThePrefix)
{
    Plug(1);
    Run([&] {
        Select({0});
        DownloadTo("C:\\a");   // four characters: the shortest folder below the root
        DownloadTo("C:\\ab");
        // The drive root itself, chosen in the browser.
        AnswerBox(IDOK);
        wa::WhenModal([](HWND) {
            wa::PressKey(VK_HOME);  // My Computer
            wa::PressKey(VK_DOWN);  // Local Disk (C:)
            wa::PressKey(VK_RETURN);
        });
        Click(IDC_ACQUIRE);
    });
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(std::string(CameraDlgProbe::DestFolder(*dlg_)), "C:\\");
    EXPECT_TRUE(fs::exists(drive_ + "/a/S0000001.jpg"));
    EXPECT_TRUE(fs::exists(drive_ + "/ab/S0000001.jpg"));
    EXPECT_TRUE(fs::exists(drive_ + "/S0000001.jpg"));
    EXPECT_FALSE(fs::exists(drive_ + "/aS0000001.jpg"));
    EXPECT_FALSE(fs::exists(drive_ + "/abS0000001.jpg"));
}

// ---- How long the camera may take -------------------------------------------------------

// The driver waits 8000 ms for each step of a transfer: a picture whose data
// comes a little before that is saved, one whose data comes a little after
// it stops the download with the error text.
TEST_F(Boundaries, ADownloadWaitsForASlowCameraUpToTheStepLimit)
{
    camera::VirtualCamera& cam = Plug(2);
    Run([&] {
        Click(IDC_SELECT);
        // A quarter of the limit is 100 ms of real time.
        winplat::SetTimeScale(100.0 / 2000);
        cam.faults().Add(FaultRule::On(Step::DataRead, kOpReadFile).FromNow(1).Delay(6000));
        cam.faults().Add(FaultRule::On(Step::DataRead, kOpReadFile).FromNow(2).Delay(10000));
        wa::WhenModal([](HWND dialog) {
            SetWindowTextA(wa::FindControl(dialog, IDC_PATH), "C:\\Dest");
            wa::ClickButton(dialog, IDOK);
        });
        AnswerBox(IDOK);  // the browser
        AnswerBox(IDOK);  // the error text
        Click(IDC_ACQUIRE);
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"download data error!!\nPlease Reset and plug it again."});
    EXPECT_TRUE(fs::exists(drive_ + "/Dest/S0000001.jpg"));
    EXPECT_FALSE(fs::exists(drive_ + "/Dest/S0000002.jpg"));
}

// ---- The device lock -------------------------------------------------------------------

// Another client of the camera holds its lock while ACQUIRE runs. The
// download waits up to 2000 ms for it: a lock released a little before that
// lets the picture through; one released a little after it ends the
// download quietly, with nothing written.
TEST_F(Boundaries, ADownloadWaitsForTheDeviceLockUpTo2000Ms)
{
    camera::VirtualCamera& cam = Plug(1);
    IStillImage* sti = nullptr;
    ASSERT_EQ(StiCreateInstanceW(GetModuleHandleA(nullptr), STI_VERSION_REAL, &sti, nullptr), S_OK);
    std::string internalName = cam.internalName();
    std::wstring name(internalName.begin(), internalName.end());
    IStiDevice* other = nullptr;
    ASSERT_EQ(sti->CreateDevice(name.data(), STI_DEVICE_CREATE_STATUS, &other, nullptr), S_OK);
    Run([&] {
        Select({0});
        // A quarter of the limit is 100 ms of real time.
        winplat::SetTimeScale(100.0 / 500);
        for (auto [heldMs, folder] : {std::pair<DWORD, const char*>{1500, "C:\\Early"}, {2500, "C:\\Late"}}) {
            ASSERT_EQ(other->LockDevice(0), S_OK);
            std::thread holder;
            wa::WhenModal([folder = std::string(folder)](HWND dialog) {
                SetWindowTextA(wa::FindControl(dialog, IDC_PATH), folder.c_str());
                wa::ClickButton(dialog, IDOK);
            });
            // The lock is let go `heldMs` after the browser is confirmed:
            // the download asks for it straight away.
            wa::WhenModal([&holder, other, heldMs = heldMs](HWND browser) {
                holder = std::thread([other, heldMs] {
                    Sleep(heldMs);
                    other->UnLockDevice();
                });
                wa::ClickButton(browser, IDOK);
            });
            Click(IDC_ACQUIRE);
            if (holder.joinable()) holder.join();
        }
    });
    other->Release();
    sti->Release();
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_TRUE(fs::exists(drive_ + "/Early/S0000001.jpg"));
    EXPECT_TRUE(fs::is_directory(drive_ + "/Late")) << "made by the path dialog";
    EXPECT_FALSE(fs::exists(drive_ + "/Late/S0000001.jpg"));
}

// ---- Thumbnail fetch limit -----------------------------------------------------------------

TEST_F(Boundaries, ThumbnailFetchesStopAt20480Bytes)
{
    camera::VirtualCamera& cam = Plug(0);
    const size_t sizes[] = {20479, 20480, 20481, 20482};
    for (size_t i = 0; i < 4; ++i)
        cam.card().AddPicture(Pattern(sizes[i], static_cast<unsigned>(i)), ThumbnailFile(static_cast<int>(i), std::min<size_t>(sizes[i], 20480)));
    Run();
    std::vector<camera::CAMERA_COMMAND> reads = Commands(cam, kOpReadFile);
    ASSERT_EQ(reads.size(), 4u);
    // The limit, then made odd.
    const DWORD fetched[] = {20479, 20481, 20481, 20481};
    const DWORD kept[] = {20479, 20480, 20480, 20480};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(reads[i].dwLength, fetched[i]) << sizes[i];
        std::string name = "S000000" + std::to_string(i + 1);
        EXPECT_EQ(Pictures().LookupThumbLength(name.c_str()), kept[i]) << sizes[i];
    }
    EXPECT_TRUE(BoxTexts().empty());
}

// ---- Directory blocks ----------------------------------------------------------------------

TEST_F(Boundaries, TheDirectoryIsReadInWhole512ByteBlocks)
{
    camera::VirtualCamera& cam = Plug(3);
    Run([&] {
        for (auto [size, blocks] : {std::pair<DWORD, size_t>{1, 1}, {512, 1}, {1024, 2}, {1025, 3}}) {
            cam.ClearLog();
            cam.faults().Add(FaultRule::On(Step::GetReply, 2).FromNow(1).Value(size));
            Click(IDC_FROMDSC);
            std::vector<camera::CAMERA_COMMAND> read = Commands(cam, kOpReadDirectory);
            ASSERT_EQ(read.size(), blocks) << size;
            for (size_t b = 0; b < blocks; ++b) EXPECT_EQ(read[b].dwParam, b * 512) << size;
            EXPECT_EQ(Pictures().m_nCount, 3) << size;
        }
    });
    EXPECT_TRUE(BoxTexts().empty());
}

// ---- Retry series ----------------------------------------------------------------------------

TEST_F(Boundaries, FourFailedAttemptsStayInTheFirstSeries)
{
    camera::VirtualCamera& cam = Plug(3);
    for (uint32_t n = 1; n <= 4; ++n) cam.faults().Add(FaultRule::On(Step::GetReply, 2).Nth(n).State(5));
    Run();
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(DirectoryAttempts(cam), 5u);
    EXPECT_EQ(Pictures().m_nCount, 3);
}

TEST_F(Boundaries, TheFifteenthAttemptIsTheLast)
{
    camera::VirtualCamera& cam = Plug(3);
    for (uint32_t n = 1; n <= 14; ++n) cam.faults().Add(FaultRule::On(Step::GetReply, 2).Nth(n).State(5));
    AnswerBox();
    AnswerBox();
    Run();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Retry 1", "Retry 2"}));
    EXPECT_EQ(DirectoryAttempts(cam), 15u);
    EXPECT_EQ(Pictures().m_nCount, 3);
}

// ---- The view after a deletion -----------------------------------------------------------

struct DeleteCase {
    int pictures;
    int deleted;   // 1-based position of the one picture deleted
    int position;  // where the view starts afterwards
};

class DeleteView : public Boundaries, public ::testing::WithParamInterface<DeleteCase> {};

// The removal leaves the cursor on the picture after the deleted one. With
// more than nine left, fewer than six from the cursor on move the view back
// a row; with nine or fewer it goes back to the first picture.
TEST_P(DeleteView, MovesBackARowOnlyWhenFewerThanSixFollow)
{
    Plug(GetParam().pictures);
    Run([&] {
        Select({GetParam().deleted - 1});
        AnswerBox(IDYES);
        Click(IDC_DELETE);
        EXPECT_EQ(Pictures().m_nCount, GetParam().pictures - 1);
        EXPECT_EQ(Pictures().m_nPosition, GetParam().position);
    });
}

INSTANTIATE_TEST_SUITE_P(Edges, DeleteView,
                         ::testing::Values(DeleteCase{16, 10, 7},  // 15 left, 5 from the cursor on
                                           DeleteCase{16, 9, 9},   // 15 left, 6 from the cursor on
                                           DeleteCase{11, 8, 5},   // 10 left
                                           DeleteCase{10, 8, 1}),  // 9 left
                         [](const ::testing::TestParamInfo<DeleteCase>& info) {
                             return "Of" + std::to_string(info.param.pictures) + "Delete" +
                                    std::to_string(info.param.deleted);
                         });

}  // namespace
}  // namespace transfer_tests
