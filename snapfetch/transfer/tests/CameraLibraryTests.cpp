// The camera library without windows: connection, the thumbnail load with
// its retry series, download and deletion, through the Still Image service,
// the real driver module and virtual cameras, with the reports recorded.
#include "Camera.h"
#include "CameraEntry.h"
#include "RecordingReport.h"

#include "camera/imaging/SamplePictures.h"
#include "camera/testing/VirtualCamera.h"

#include <objbase.h>
#include <winplat/host.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using camera::FaultRule;
using camera::Step;

constexpr DWORD kOpReadFile = 4;
constexpr DWORD kOpDelete = 16;
constexpr char kDownloadError[] = "download data error!!\nPlease Reset and plug it again.";

std::string HostFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CameraLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        winplat::SetTimeScale(0.02);
        const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
        drive_ = fs::path(scratch ? scratch : fs::temp_directory_path().string()) / "transfer-drive" /
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(drive_);
        fs::create_directories(drive_);
        winplat::SetDriveCFolder(drive_.string());
        CoInitialize(nullptr);
    }

    void TearDown() override
    {
        camera_.reset();
        cams_.clear();
        CoUninitialize();
    }

    camera::VirtualCamera& Plug(int pictures, const std::string& description = "Marovane")
    {
        camera::VirtualCameraOptions options;
        options.settings.description = description;
        cams_.push_back(std::make_unique<camera::VirtualCamera>(options));
        camera::VirtualCamera& cam = *cams_.back();
        for (int i = 0; i < pictures; ++i) EXPECT_FALSE(cam.card().AddPicture(camera::MakeSmallPicture(i)).empty());
        EXPECT_TRUE(cam.PlugIn());
        return cam;
    }

    CCamera& Camera()
    {
        if (!camera_) camera_ = std::make_unique<CCamera>(pictures_);
        return *camera_;
    }

    // Connects and loads the camera's pictures, with nothing selected.
    void Load()
    {
        ASSERT_EQ(Camera().Connect(), 1);
        RecordingReport load;
        Camera().LoadPictures(load);
        ASSERT_TRUE(load.messages.empty()) << load.messages[0];
    }

    std::string FileOnCamera(camera::VirtualCamera& cam, const std::string& name)
    {
        camera::SharedBytes bytes = cam.card().File(name + "JPG");
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    }

    CPictureList pictures_;
    std::unique_ptr<CCamera> camera_;
    std::vector<std::unique_ptr<camera::VirtualCamera>> cams_;
    fs::path drive_;
};

// ---- Connection

TEST_F(CameraLibrary, ConnectsToTheFirstAcceptedCameraOnly)
{
    EXPECT_EQ(Camera().Connect(), 0) << "no camera plugged in";
    EXPECT_FALSE(Camera().IsOpen());
    Plug(1, "marovane");  // letter case counts
    Plug(1, "Lumitra ");  // so do blanks
    EXPECT_EQ(Camera().Connect(), 0);
    EXPECT_NE(Camera().StillImage(), nullptr) << "the root object stays until the next attempt";
    Plug(1, "Pardex");
    EXPECT_EQ(Camera().Connect(), 1);
    EXPECT_TRUE(Camera().IsOpen());
    Camera().Release();
    EXPECT_EQ(Camera().StillImage(), nullptr);
    EXPECT_EQ(Camera().Device(), nullptr);
}

// ---- Thumbnail load

TEST_F(CameraLibrary, LoadReportsEachThumbnailAndTheChange)
{
    Plug(3);
    ASSERT_EQ(Camera().Connect(), 1);
    RecordingReport report;
    Camera().LoadPictures(report);
    EXPECT_EQ(report.events,
              (std::vector<std::string>{"range 1..3", "step size 1", "show", "text 1 of 3", "step", "text 2 of 3",
                                        "step", "text 3 of 3", "step", "hide", "changed"}));
    EXPECT_EQ(pictures_.m_nCount, 3);
    EXPECT_EQ(pictures_.m_nPosition, 1);
    EXPECT_STREQ(pictures_.GetName(), "S0000001");
}

TEST_F(CameraLibrary, AnEmptyCameraGoesThroughTheWholeRetrySeries)
{
    Plug(0);
    ASSERT_EQ(Camera().Connect(), 1);
    RecordingReport report;
    Camera().LoadPictures(report);
    EXPECT_EQ(report.messages,
              (std::vector<std::string>{"Retry 1", "Retry 2", "Retry 3",
                                        "1.Not find image from your digital camera.\n2.Makesure your CF card have "
                                        "picture.\n3.Reset and plug it again."}));
    for (UINT style : report.messageStyles) EXPECT_EQ(style, static_cast<UINT>(MB_OK));
    EXPECT_EQ(pictures_.m_nCount, 0);
    EXPECT_EQ(report.changes, 1);
}

TEST_F(CameraLibrary, ACorruptedThumbnailIsToldOnce)
{
    camera::VirtualCamera& cam = Plug(3);
    ASSERT_TRUE(cam.card().CorruptFile("T0000002JPG", kThumbnailLeadIn, 400));
    ASSERT_EQ(Camera().Connect(), 1);
    RecordingReport report;
    Camera().LoadPictures(report);
    EXPECT_EQ(report.messages, std::vector<std::string>{"Some files are corrupted"});
    EXPECT_EQ(pictures_.m_nCount, 2);
}

// ---- Download

TEST_F(CameraLibrary, DownloadWritesTheSelectedPicturesAndKeepsTheCursor)
{
    camera::VirtualCamera& cam = Plug(12);
    Load();
    pictures_.ToggleSelectedAt(1);  // S0000002
    pictures_.ToggleSelectedAt(4);  // S0000005
    pictures_.MoveForward(3);
    const int position = pictures_.m_nPosition;
    CCamera::CreateFolderPath("C:\\photos\\new");
    RecordingReport report;
    EXPECT_EQ(Camera().DownloadSelected("C:\\photos\\new", report), CCamera::DownloadResult::Done);
    EXPECT_EQ(report.progressTexts, (std::vector<std::string>{"S0000002", "S0000005"}));
    EXPECT_EQ(report.steps, 2);
    EXPECT_TRUE(report.messages.empty());
    EXPECT_EQ(report.waitDepth, 0) << "the library ends no wait it did not begin";
    for (const char* name : {"S0000002", "S0000005"}) {
        std::string onCamera = FileOnCamera(cam, name);
        std::string saved = HostFile(drive_ / "photos" / "new" / (std::string(name) + ".jpg"));
        // The transfer length is the size made odd; the camera pads it.
        ASSERT_EQ(saved.size(), onCamera.size() | 1);
        EXPECT_EQ(saved.substr(0, onCamera.size()), onCamera) << name;
    }
    EXPECT_FALSE(fs::exists(drive_ / "photos" / "new" / "S0000001.jpg"));
    EXPECT_EQ(pictures_.m_nPosition, position);
    EXPECT_EQ(pictures_.CountSelected(), 2);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(drive_ / "photos" / "new"))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left.size(), 2u) << "no temporary file is left behind";
}

TEST_F(CameraLibrary, AFailedTransferIsToldAfterTheWaitEnded)
{
    camera::VirtualCamera& cam = Plug(3);
    Load();
    pictures_.ToggleSelectedAt(0);
    pictures_.ToggleSelectedAt(1);
    pictures_.ToggleSelectedAt(2);
    cam.faults().Add(FaultRule::On(Step::StatusRead, kOpReadFile).FromNow(2).State(5));
    RecordingReport report;
    report.WaitCursor(1);  // the caller's wait
    report.events.clear();
    EXPECT_EQ(Camera().DownloadSelected("C:\\", report), CCamera::DownloadResult::ReadFailed);
    EXPECT_EQ(report.messages, std::vector<std::string>{kDownloadError});
    auto endWait = std::find(report.events.begin(), report.events.end(), "end wait");
    auto message = std::find(report.events.begin(), report.events.end(), std::string("message ") + kDownloadError);
    EXPECT_LT(endWait, message);
    EXPECT_EQ(report.events.back(), "hide");
    EXPECT_EQ(report.waitDepth, 0);
    EXPECT_TRUE(fs::exists(drive_ / "S0000001.jpg")) << "a drive root takes the name without a separator";
    EXPECT_FALSE(fs::exists(drive_ / "S0000002.jpg"));
    EXPECT_FALSE(fs::exists(drive_ / "S0000003.jpg"));
}

TEST_F(CameraLibrary, NoDeviceMeansNoDownload)
{
    Plug(2);
    Load();
    pictures_.ToggleSelectedAt(0);
    Camera().Release();
    RecordingReport report;
    EXPECT_EQ(Camera().DownloadSelected("C:\\", report), CCamera::DownloadResult::NotStarted);
    EXPECT_TRUE(report.events.empty());
    EXPECT_FALSE(fs::exists(drive_ / "S0000001.jpg"));
}

// ---- Deletion

TEST_F(CameraLibrary, DeletionAsksAndDeletesOnYesOnly)
{
    camera::VirtualCamera& cam = Plug(4);
    Load();
    pictures_.ToggleSelectedAt(1);
    pictures_.ToggleSelectedAt(3);
    RecordingReport no;
    no.answers = {IDNO};
    EXPECT_FALSE(Camera().DeleteSelected(TRUE, no));
    EXPECT_EQ(no.messages, std::vector<std::string>{"Do you want to delete 2 image(s)?"});
    EXPECT_EQ(no.messageStyles, std::vector<UINT>{MB_YESNO | MB_DEFBUTTON2});
    EXPECT_EQ(pictures_.m_nCount, 4);

    cam.ClearLog();
    RecordingReport yes;
    yes.answers = {IDYES};
    EXPECT_TRUE(Camera().DeleteSelected(TRUE, yes));
    EXPECT_EQ(pictures_.m_nCount, 2);
    std::vector<std::string> deleted;
    for (const camera::CAMERA_COMMAND& command : cam.commands())
        if (command.wOpcode == kOpDelete) deleted.emplace_back(reinterpret_cast<const char*>(command.szName));
    EXPECT_EQ(deleted, (std::vector<std::string>{"S0000002JPG", "S0000004JPG"}));
    EXPECT_EQ(cam.card().PictureCount(), 2u);
}

TEST_F(CameraLibrary, NothingSelectedAsksNothing)
{
    Plug(2);
    Load();
    RecordingReport report;
    EXPECT_FALSE(Camera().DeleteSelected(TRUE, report));
    EXPECT_TRUE(report.events.empty());
}

}  // namespace
