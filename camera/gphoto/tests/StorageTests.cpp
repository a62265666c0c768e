// A folder behind libgphoto2's "Directory Browse" driver, through the whole
// driver path: the Still Image service, the driver module, gphotousb and
// libgphoto2 itself.
#include "../../imaging/Thumbnails.h"
#include "FolderCamera.h"
#include "JpegDecoder.h"

#include <objbase.h>
#include <winplat/host.h>

#include <turbojpeg.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace gphoto_tests {
namespace {

namespace fs = std::filesystem;

constexpr HRESULT kCameraError = static_cast<HRESULT>(0x8007042A);

class FolderThroughDriver : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Ten times faster than real: still room for libgphoto2's own work
        // within the driver's waits on a busy machine.
        winplat::SetTimeScale(0.1);
        const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
        folder_ = (fs::path(scratch ? scratch : "/tmp") / "cards" /
                   ::testing::UnitTest::GetInstance()->current_test_info()->name())
                      .string();
        fs::remove_all(folder_);
        CoInitialize(nullptr);
        cam_ = std::make_unique<FolderCamera>(folder_);
    }
    void TearDown() override
    {
        cam_.reset();
        CoUninitialize();
    }

    void Put(const std::string& relative, const Bytes& bytes) { WriteHostFile(cam_->Path(relative), bytes); }

    // The directory of a fresh load, as name -> size.
    std::map<std::string, DWORD> Load(StiCamera& sti)
    {
        std::vector<DirectoryEntry> entries;
        EXPECT_EQ(sti.Directory(&entries), S_OK);
        std::map<std::string, DWORD> byName;
        for (const DirectoryEntry& e : entries) byName[e.name] = e.size;
        EXPECT_EQ(byName.size(), entries.size()) << "names are unique";
        return byName;
    }

    std::string folder_;
    std::unique_ptr<FolderCamera> cam_;
};

TEST_F(FolderThroughDriver, DirectoryListsEveryJpegInFolderOrderWithItsSize)
{
    Bytes a = Jpeg(64, 48, TJSAMP_422, false, 1), b = Jpeg(80, 60, TJSAMP_420, false, 2);
    Bytes c = Jpeg(96, 64, TJSAMP_444, false, 3), d = Jpeg(50, 50, TJSAMP_422, true, 4);
    Put("DCIM/100TEST/IMG_0002.JPG", b);
    Put("DCIM/100TEST/IMG_0001.JPG", a);
    Put("DCIM/100TEST/IMG_0003.CR2", Bytes(5000, 7));  // RAW: left out
    Put("DCIM/100TEST/MVI_0004.MOV", Bytes(9000, 9));  // video: left out
    Put("DCIM/101TEST/DSC_0005.jpeg", c);
    Put("holiday.jpg", d);
    ASSERT_TRUE(cam_->PlugIn());
    StiCamera sti(cam_->internalName());
    ASSERT_TRUE(sti.opened());
    std::vector<DirectoryEntry> entries;
    ASSERT_EQ(sti.Directory(&entries), S_OK);
    ASSERT_EQ(entries.size(), 4u);
    // Folder, then name: "/" comes before "/DCIM/...".
    EXPECT_EQ(entries[0].name.substr(0, 2), "S0");  // not a DCF name: the hashed range
    EXPECT_EQ(entries[0].size, d.size());
    EXPECT_EQ(entries[1].name, "S1000001");
    EXPECT_EQ(entries[1].size, a.size());
    EXPECT_EQ(entries[2].name, "S1000002");
    EXPECT_EQ(entries[2].size, b.size());
    EXPECT_EQ(entries[3].name, "S1010005");
    EXPECT_EQ(entries[3].size, c.size());
}

TEST_F(FolderThroughDriver, PicturesKeepTheirNamesWhileOthersComeAndGo)
{
    for (int i = 1; i <= 6; ++i) Put("DCIM/100TEST/IMG_000" + std::to_string(i) + ".JPG", Jpeg(32, 32, TJSAMP_422, false, i));
    Put("Camera/IMG_20240101_120000.jpg", Jpeg(32, 32, TJSAMP_422, false, 7));
    Put("Camera/IMG_20240102_120000.jpg", Jpeg(32, 32, TJSAMP_422, false, 8));
    ASSERT_TRUE(cam_->PlugIn());
    std::map<std::string, DWORD> before;
    {
        StiCamera sti(cam_->internalName());
        before = Load(sti);
    }
    ASSERT_EQ(before.size(), 8u);
    // Every other picture goes, and new ones come, between two loads.
    fs::remove(cam_->Path("DCIM/100TEST/IMG_0002.JPG"));
    fs::remove(cam_->Path("DCIM/100TEST/IMG_0004.JPG"));
    fs::remove(cam_->Path("Camera/IMG_20240101_120000.jpg"));
    Put("DCIM/100TEST/IMG_0000.JPG", Jpeg(40, 32, TJSAMP_422, false, 9));
    Put("Camera/IMG_20231231_235959.jpg", Jpeg(40, 32, TJSAMP_422, false, 10));
    StiCamera sti(cam_->internalName());
    std::map<std::string, DWORD> after = Load(sti);
    ASSERT_EQ(after.size(), 7u);
    for (const char* kept : {"S1000001", "S1000003", "S1000005", "S1000006"}) EXPECT_EQ(after.count(kept), 1u) << kept;
    EXPECT_EQ(after.count("S1000000"), 1u);
    EXPECT_EQ(after.count("S1000002"), 0u);
    // The phone-style picture that stayed kept its hashed name.
    size_t keptHashed = 0;
    for (const auto& entry : before) keptHashed += entry.first[1] == '0' && after.count(entry.first);
    EXPECT_EQ(keptHashed, 1u);
    // A second load in the same session gives the same names.
    EXPECT_EQ(Load(sti), after);
}

TEST_F(FolderThroughDriver, TwoPicturesOfOneNumberGetDistinctLastingNames)
{
    Put("DCIM/100AAAAA/IMG_0001.JPG", Jpeg(32, 32, TJSAMP_422, false, 1));
    Put("DCIM/100BBBBB/DSC_0001.JPG", Jpeg(48, 32, TJSAMP_422, false, 2));
    ASSERT_TRUE(cam_->PlugIn());
    std::map<std::string, DWORD> first;
    {
        StiCamera sti(cam_->internalName());
        first = Load(sti);
    }
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first.count("S1000001"), 1u);  // the first in folder order keeps the number
    // Another session (the camera plugged in afresh) gives the same names.
    cam_->Unplug();
    ASSERT_TRUE(cam_->PlugIn());
    StiCamera sti(cam_->internalName());
    EXPECT_EQ(Load(sti), first);
}

TEST_F(FolderThroughDriver, ReadsDeliverThePictureBytesAndDeleteRemovesTheFile)
{
    Bytes picture = PaddedTo(Jpeg(64, 48, TJSAMP_422, false, 1), 200001, 5);  // several chunks
    Put("DCIM/100TEST/IMG_0001.JPG", picture);
    Put("DCIM/100TEST/IMG_0002.JPG", Jpeg(64, 48, TJSAMP_422, false, 2));
    ASSERT_TRUE(cam_->PlugIn());
    StiCamera sti(cam_->internalName());
    std::map<std::string, DWORD> entries = Load(sti);
    ASSERT_EQ(entries["S1000001"], picture.size());
    Bytes read;
    ASSERT_EQ(sti.ReadFile("S1000001", static_cast<DWORD>(picture.size()), &read), S_OK);
    EXPECT_TRUE(read == picture);
    EXPECT_EQ(sti.ReadFile("S1000009", 100, &read), kCameraError);  // no such picture

    EXPECT_EQ(sti.Delete("S1000001"), S_OK);
    EXPECT_FALSE(HostFileExists(cam_->Path("DCIM/100TEST/IMG_0001.JPG")));
    EXPECT_TRUE(HostFileExists(cam_->Path("DCIM/100TEST/IMG_0002.JPG")));
    EXPECT_EQ(sti.Delete("S1000001"), kCameraError);  // the camera's "no such file"
    entries = Load(sti);
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.count("S1000002"), 1u);
}

// Thumbnail files: the camera's preview made into a baseline 4:2:2 stream 160
// pixels wide behind the 948-byte lead-in, which the program's own decoder
// reads; a preview in that form already is passed on as it is.
TEST_F(FolderThroughDriver, EveryThumbnailDecodesWithTheProgramsDecoder)
{
    Bytes inForm;
    camera::RgbImage image(160, 120);
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(i * 3);
    ASSERT_TRUE(camera::EncodeBaseline422(image, 80, &inForm));
    Bytes subsampled420 = Jpeg(160, 120, TJSAMP_420, false, 3);
    Bytes progressive = Jpeg(160, 120, TJSAMP_422, true, 4);
    Bytes wide = Jpeg(320, 240, TJSAMP_422, false, 5);
    struct Case {
        const char* file;
        Bytes preview;  // empty: none, the picture itself is used
    } cases[] = {{"IMG_0001.JPG", inForm}, {"IMG_0002.JPG", subsampled420}, {"IMG_0003.JPG", progressive},
                 {"IMG_0004.JPG", wide},   {"IMG_0005.JPG", {}}};
    for (const Case& c : cases) {
        Bytes picture = PaddedTo(Jpeg(640, 480, TJSAMP_420, false, 6), 30001, 1);
        Put(std::string("DCIM/100TEST/") + c.file, c.preview.empty() ? picture : WithExifThumbnail(picture, c.preview));
    }
    ASSERT_TRUE(cam_->PlugIn());
    StiCamera sti(cam_->internalName());
    std::map<std::string, DWORD> entries = Load(sti);
    ASSERT_EQ(entries.size(), 5u);
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "T100000" + std::to_string(++n);
        // The picture's name, built without "S" + a temporary (a false -O3
        // warning of GCC 12).
        std::string pictureName = name;
        pictureName[0] = 'S';
        SCOPED_TRACE(c.file);
        // What the transfer program asks for: the picture's size, at most 20480, made odd.
        DWORD length = std::min<DWORD>(entries[pictureName], 20480) | 1;
        Bytes file;
        ASSERT_EQ(sti.ReadFile(name, length, &file), S_OK);
        Bytes stream(file.begin() + camera::kThumbnailLeadIn, file.end());
        int height = 0;
        EXPECT_TRUE(camera::HasThumbnailForm(stream, &height));
        EXPECT_EQ(std::string(file.begin(), file.begin() + 8), pictureName);
        CJpegDecoder decoder;
        ASSERT_NE(decoder.DecodeMemory(stream.data(), static_cast<DWORD>(stream.size())), nullptr);
        EXPECT_EQ(decoder.GetBitmapHeader()->biWidth, 160);
        decoder.FreeBuffers();
        // In form already: unchanged; any other preview: converted.
        bool same = std::search(file.begin(), file.end(), c.preview.begin(), c.preview.end()) == file.begin() + camera::kThumbnailLeadIn;
        EXPECT_EQ(same, &c == &cases[0]);
    }
}

TEST_F(FolderThroughDriver, AFolderThatVanishesIsACameraGone)
{
    Put("DCIM/100TEST/IMG_0001.JPG", Jpeg(64, 48, TJSAMP_422, false, 1));
    ASSERT_TRUE(cam_->PlugIn());
    StiCamera sti(cam_->internalName());
    ASSERT_EQ(Load(sti).size(), 1u);
    fs::remove_all(folder_);
    std::vector<DirectoryEntry> entries;
    EXPECT_EQ(sti.Directory(&entries), S_FALSE);  // the device is gone
    Bytes read;
    EXPECT_EQ(sti.ReadFile("S1000001", 101, &read), S_FALSE);
}

TEST_F(FolderThroughDriver, UnpluggedCameraIsGoneForItsOpenDevice)
{
    Put("DCIM/100TEST/IMG_0001.JPG", Jpeg(64, 48, TJSAMP_422, false, 1));
    ASSERT_TRUE(cam_->PlugIn());
    StiCamera sti(cam_->internalName());
    ASSERT_EQ(Load(sti).size(), 1u);
    std::string name = cam_->internalName();
    cam_->Unplug();
    std::vector<DirectoryEntry> entries;
    EXPECT_EQ(sti.Directory(&entries), S_FALSE);
    StiCamera again(name);
    EXPECT_FALSE(again.opened());
}

}  // namespace
}  // namespace gphoto_tests
