// The real snapctl program, run as a child process against cameras that the
// real camsim program plugs in: through the Still Image service, the real
// driver module and the camera's link, with the link's fault plans.
#include "camera/imaging/JpegCodec.h"

#include <sti.h>
#include <windows.h>
#include <winplat/stidevices.h>

#include <ChildProcess.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

using winplat::testing::ChildProcess;
using winplat::testing::Eventually;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The files of a folder, by name.
std::vector<std::string> FilesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A program with its arguments; standard output and error go to the files
// `outputs`.out and `outputs`.err.
class Child : public ChildProcess {
public:
    Child(const std::string& program, const std::vector<std::string>& args, const fs::path& outputs)
        : ChildProcess(program, args, outputs.string())
    {
    }
};

bool AcceptedCameraListed()
{
    for (const auto& device : winplat::ListStillImageDevices())
        if (device.description == "Marovane") return true;
    return false;
}

class Snapctl : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The program's waits (the lock, the pauses of the retry series) run scaled down.
        setenv("WINPLAT_TIME_SCALE", "0.02", 1);
        const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
        root_ = fs::path(scratch ? scratch : fs::temp_directory_path().string()) / "snapctl" /
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root_);
        fs::create_directories(root_ / "card");
        dest_ = root_ / "dest";
    }
    void TearDown() override
    {
        camsim_.reset();
        Eventually([] { return !AcceptedCameraListed(); });
    }

    // A card of `count` known JPEG files, the first numbered `first`.
    void MakeCard(int count, int first = 1, const fs::path& folder = {})
    {
        fs::path card = folder.empty() ? root_ / "card" : folder;
        fs::create_directories(card);
        for (int n = first; n < first + count; ++n) {
            camera::RgbImage image(320, 240);
            for (int y = 0; y < image.height; ++y)
                for (int x = 0; x < image.width; ++x) {
                    uint8_t* p = image.At(x, y);
                    p[0] = static_cast<uint8_t>(n * 37 + x);
                    p[1] = static_cast<uint8_t>(n * 11 + y);
                    p[2] = static_cast<uint8_t>(n * 53 + x + y);
                }
            camera::Bytes jpeg;
            ASSERT_TRUE(camera::EncodeBaseline422(image, 80 + n, &jpeg));
            char name[32];
            snprintf(name, sizeof name, "p%02d.jpg", n);
            WriteFile(card / name, std::string(jpeg.begin(), jpeg.end()));
        }
    }
    std::string Source(int n) const
    {
        char name[32];
        snprintf(name, sizeof name, "p%02d.jpg", n);
        return ReadFile(root_ / "card" / name);
    }

    void PlugIn(std::vector<std::string> extra = {}, const fs::path& folder = {})
    {
        std::vector<std::string> args = {"--folder", (folder.empty() ? root_ / "card" : folder).string()};
        args.insert(args.end(), extra.begin(), extra.end());
        camsim_ = std::make_unique<Child>(CAMSIM_PATH, args, root_ / "camsim");
        ASSERT_TRUE(Eventually(AcceptedCameraListed)) << camsim_->Errors();
    }
    void Unplug()
    {
        camsim_.reset();
        ASSERT_TRUE(Eventually([] { return !AcceptedCameraListed(); }));
    }

    // Runs snapctl to its end: its exit status, output in out_ and err_.
    int Run(const std::vector<std::string>& args)
    {
        Child child(SNAPCTL_PATH, args, root_ / ("run" + std::to_string(++runs_)));
        int status = child.Wait();
        out_ = child.Out();
        err_ = child.Errors();
        return status;
    }
    std::vector<std::string> Get(std::vector<std::string> args)
    {
        args.insert(args.begin(), "get");
        args.push_back("--dest");
        args.push_back(dest_.string());
        return args;
    }

    fs::path root_, dest_;
    std::unique_ptr<Child> camsim_;
    std::string out_, err_;
    int runs_ = 0;
};

TEST_F(Snapctl, ListsAndDownloadsTheCameraFilesByteForByte)
{
    MakeCard(3);
    PlugIn();
    ASSERT_EQ(Run({"detect"}), 0) << err_;
    EXPECT_NE(out_.find("Marovane\t\\\\.\\CAMUSB0\taccepted"), std::string::npos) << out_;

    ASSERT_EQ(Run({"list"}), 0) << err_;
    for (int n = 1; n <= 3; ++n) {
        std::string line = "S000000" + std::to_string(n) + "\t" + std::to_string(Source(n).size()) + "\t";
        EXPECT_NE(out_.find(line), std::string::npos) << out_;
    }
    ASSERT_EQ(Run({"list", "--json"}), 0) << err_;
    EXPECT_NE(out_.find("{\"name\": \"S0000002\", \"size\": " + std::to_string(Source(2).size())),
              std::string::npos)
        << out_;

    ASSERT_EQ(Run(Get({"--all"})), 0) << err_;
    EXPECT_EQ(FilesIn(dest_), (std::vector<std::string>{"S0000001.jpg", "S0000002.jpg", "S0000003.jpg"}));
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(ReadFile(dest_ / ("S000000" + std::to_string(n) + ".jpg")), Source(n));
}

TEST_F(Snapctl, ASecondGetWritesNothingAndForceReplacesWhole)
{
    MakeCard(2);
    PlugIn();
    ASSERT_EQ(Run(Get({"--all"})), 0) << err_;
    // A file of the user's with a picture's name is not touched without --force.
    WriteFile(dest_ / "S0000001.jpg", "the user's own file");
    auto written = fs::last_write_time(dest_ / "S0000002.jpg");
    ASSERT_EQ(Run(Get({"--all", "--json"})), 0) << err_;
    EXPECT_EQ(ReadFile(dest_ / "S0000001.jpg"), "the user's own file");
    EXPECT_EQ(fs::last_write_time(dest_ / "S0000002.jpg"), written);
    EXPECT_NE(out_.find("\"name\": \"S0000001\", \"file\": \"" + (dest_ / "S0000001.jpg").string() +
                        "\", \"size\": " + std::to_string(Source(1).size()) + ", \"status\": \"skipped\""),
              std::string::npos)
        << out_;
    EXPECT_NE(err_.find("S0000001: skipped"), std::string::npos) << err_;

    // Replaced by a rename: a link to the old file keeps the old bytes.
    fs::create_hard_link(dest_ / "S0000001.jpg", root_ / "old-link");
    ASSERT_EQ(Run(Get({"S0000001.jpg", "--force"})), 0) << err_;
    EXPECT_EQ(ReadFile(dest_ / "S0000001.jpg"), Source(1));
    EXPECT_EQ(ReadFile(root_ / "old-link"), "the user's own file");
    EXPECT_EQ(FilesIn(dest_), (std::vector<std::string>{"S0000001.jpg", "S0000002.jpg"}));
}

TEST_F(Snapctl, AnUnplugDuringGetKeepsTheFinishedFilesAndLeavesNoPart)
{
    MakeCard(3);
    // The second file read unplugs the camera.
    PlugIn({"--fault", "send-command:4@2=unplug"});
    EXPECT_EQ(Run(Get({"--all"})), 3);
    EXPECT_EQ(FilesIn(dest_), std::vector<std::string>{"S0000001.jpg"});
    EXPECT_EQ(ReadFile(dest_ / "S0000001.jpg"), Source(1));
    EXPECT_NE(err_.find("S0000002: the transfer from the camera failed"), std::string::npos) << err_;
}

TEST_F(Snapctl, CtrlCDuringGetStopsAtThePictureAndLeavesOnlyWholeFiles)
{
    MakeCard(6);
    // Every file read takes a while, so that Ctrl+C comes in the middle.
    PlugIn({"--fault", "send-command:4=delay:5000"});
    Child get(SNAPCTL_PATH, Get({"--all"}), root_ / "get");
    ASSERT_TRUE(Eventually([&] { return fs::exists(dest_ / "S0000001.jpg"); })) << get.Errors();
    get.Signal(SIGINT);
    EXPECT_EQ(get.Wait(), 3) << get.Errors();
    EXPECT_NE(get.Errors().find("interrupted: S000000"), std::string::npos) << get.Errors();
    std::vector<std::string> files = FilesIn(dest_);
    EXPECT_LT(files.size(), 6u);
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i], "S000000" + std::to_string(i + 1) + ".jpg");
        EXPECT_EQ(ReadFile(dest_ / files[i]), Source(static_cast<int>(i) + 1)) << files[i];
    }
}

TEST_F(Snapctl, BadNamesAndDestinationsAreToldWithTheirStatus)
{
    MakeCard(1);
    PlugIn();
    EXPECT_EQ(Run(Get({"S0000009"})), 3);
    EXPECT_NE(err_.find("S0000009: no such picture on the camera"), std::string::npos) << err_;
    EXPECT_TRUE(FilesIn(dest_).empty());

    WriteFile(root_ / "a-file", "x");
    EXPECT_EQ(Run({"get", "--all", "--dest", (root_ / "a-file").string()}), 1);
    EXPECT_NE(err_.find("not a folder"), std::string::npos) << err_;

    EXPECT_EQ(Run({"get", "--dest", dest_.string()}), 1);
    EXPECT_EQ(Run({"frobnicate"}), 1);
    EXPECT_EQ(Run({"get", "--help"}), 0);
    EXPECT_NE(out_.find("Exit status:"), std::string::npos);

    if (geteuid() != 0) {  // permissions do not stop the superuser
        fs::create_directories(root_ / "read-only");
        chmod((root_ / "read-only").c_str(), 0555);
        EXPECT_EQ(Run({"get", "--all", "--dest", (root_ / "read-only").string()}), 1);
        EXPECT_NE(err_.find("cannot write into it"), std::string::npos) << err_;
        EXPECT_TRUE(FilesIn(root_ / "read-only").empty());
    }
}

TEST_F(Snapctl, DeleteAsksAndRefusesWithoutATerminal)
{
    MakeCard(2);
    PlugIn();
    EXPECT_EQ(Run({"delete", "S0000001"}), 1);
    EXPECT_NE(err_.find("not a terminal"), std::string::npos) << err_;
    ASSERT_EQ(Run({"list"}), 0);
    EXPECT_NE(out_.find("S0000001"), std::string::npos);

    EXPECT_EQ(Run({"delete", "S0000001", "--yes"}), 0) << err_;
    ASSERT_EQ(Run({"list"}), 0);
    EXPECT_EQ(out_.find("S0000001"), std::string::npos) << out_;
    EXPECT_NE(out_.find("S0000002"), std::string::npos) << out_;
}

TEST_F(Snapctl, ThumbnailsAreTheCamerasStreamsAndDecode)
{
    MakeCard(2);
    PlugIn();
    ASSERT_EQ(Run({"thumbnails", "--all", "--dest", dest_.string()}), 0) << err_;
    EXPECT_EQ(FilesIn(dest_), (std::vector<std::string>{"T0000001.jpg", "T0000002.jpg"}));
    std::string thumb = ReadFile(dest_ / "T0000001.jpg");
    ASSERT_GT(thumb.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(thumb[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(thumb[1]), 0xD8);
}

TEST_F(Snapctl, ACameraLockedByAnotherProgramIsBusy)
{
    EXPECT_EQ(Run({"list"}), 2);
    MakeCard(1);
    PlugIn();
    IStillImage* sti = nullptr;
    ASSERT_TRUE(SUCCEEDED(StiCreateInstanceW(GetModuleHandleA(nullptr), STI_VERSION_REAL, &sti, nullptr)));
    IStiDevice* device = nullptr;
    ASSERT_TRUE(SUCCEEDED(sti->CreateDevice(const_cast<LPWSTR>(L"CAMUSB0"), STI_DEVICE_CREATE_DATA, &device, nullptr)));
    ASSERT_EQ(device->LockDevice(0), S_OK);
    EXPECT_EQ(Run({"list"}), 4);
    EXPECT_NE(err_.find("camera busy"), std::string::npos) << err_;
    device->UnLockDevice();
    EXPECT_EQ(Run({"list"}), 0) << err_;
    device->Release();
    sti->Release();
}

TEST_F(Snapctl, WatchDownloadsAfterEachPlugAndEndsOnCtrlC)
{
    MakeCard(2);
    fs::path second = root_ / "second-card";
    MakeCard(3, 1, second);
    Child watch(SNAPCTL_PATH, {"watch", "--dest", dest_.string()}, root_ / "watch");
    PlugIn();
    ASSERT_TRUE(Eventually([&] { return fs::exists(dest_ / "S0000002.jpg"); })) << watch.Errors();
    Unplug();
    // The first two exist already: only the new third picture comes.
    WriteFile(dest_ / "S0000001.jpg", "kept");
    PlugIn({}, second);
    ASSERT_TRUE(Eventually([&] { return fs::exists(dest_ / "S0000003.jpg"); })) << watch.Errors();
    EXPECT_EQ(ReadFile(dest_ / "S0000003.jpg"), ReadFile(second / "p03.jpg"));
    EXPECT_EQ(ReadFile(dest_ / "S0000001.jpg"), "kept");
    watch.Signal(SIGINT);
    EXPECT_EQ(watch.Wait(), 0) << watch.Errors();
    EXPECT_EQ(FilesIn(dest_), (std::vector<std::string>{"S0000001.jpg", "S0000002.jpg", "S0000003.jpg"}));
}

}  // namespace

namespace {

TEST_F(Snapctl, WatchDeletesOnlyWhatItHasSaved)
{
    MakeCard(2);
    fs::create_directories(dest_);
    // A file of that name already there: the picture is not downloaded, so it stays on the camera.
    WriteFile(dest_ / "S0000001.jpg", "older");
    PlugIn();
    Child watch(SNAPCTL_PATH, {"watch", "--dest", dest_.string(), "--delete-after"}, root_ / "watch");
    ASSERT_TRUE(Eventually([&] { return watch.Errors().find("1 deleted") != std::string::npos; })) << watch.Errors();
    EXPECT_EQ(ReadFile(dest_ / "S0000002.jpg"), Source(2));
    watch.Signal(SIGINT);
    EXPECT_EQ(watch.Wait(), 0) << watch.Errors();
    ASSERT_EQ(Run({"list"}), 0) << err_;
    EXPECT_NE(out_.find("S0000001"), std::string::npos) << out_;
    EXPECT_EQ(out_.find("S0000002"), std::string::npos) << out_;
}

// A folder of JPEG files behind libgphoto2's "Directory Browse" camera,
// plugged in by camlink: snapctl lists it, downloads its files byte for
// byte and deletes in the folder.
TEST_F(Snapctl, ACameraBehindLibgphoto2ListsDownloadsAndDeletes)
{
    MakeCard(3);
    camsim_ = std::make_unique<Child>(
        CAMLINK_PATH, std::vector<std::string>{"--model", "Directory Browse", "--port", "disk:" + (root_ / "card").string()},
        root_ / "camlink");
    ASSERT_TRUE(Eventually(AcceptedCameraListed)) << camsim_->Errors();

    ASSERT_EQ(Run({"list"}), 0) << err_;
    std::vector<std::string> names;
    std::istringstream lines(out_);
    for (std::string line; std::getline(lines, line);) names.push_back(line.substr(0, line.find('\t')));
    ASSERT_EQ(names.size(), 3u) << out_;

    ASSERT_EQ(Run(Get({"--all"})), 0) << err_;
    std::multiset<std::string> sources = {Source(1), Source(2), Source(3)}, saved;
    for (const std::string& name : names) saved.insert(ReadFile(dest_ / (name + ".jpg")));
    EXPECT_TRUE(saved == sources) << "each file holds exactly one picture's bytes";

    ASSERT_EQ(Run({"delete", names[0], "--yes"}), 0) << err_;
    EXPECT_EQ(FilesIn(root_ / "card").size(), 2u);
    ASSERT_EQ(Run({"list"}), 0) << err_;
    EXPECT_EQ(out_.find(names[0]), std::string::npos) << out_;
    EXPECT_NE(out_.find(names[1]), std::string::npos) << "the others keep their names: " << out_;
}

}  // namespace
