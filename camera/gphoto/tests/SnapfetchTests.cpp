// The transfer program's main window, headless, on a folder behind
// libgphoto2: thumbnails load, downloads are byte for byte the folder's
// files, DELETE deletes them in the folder, and a folder that vanishes in
// the middle of a download is a clear failure that leaves no partial file.
#include "FolderCamera.h"
#include "TransferFixture.h"

#include <winplat/host.h>

#include <turbojpeg.h>

#include <filesystem>

namespace gphoto_tests {
namespace {

namespace fs = std::filesystem;
using transfer_tests::TransferTest;

const char kDownloadErrorText[] = "download data error!!\nPlease Reset and plug it again.";
const char kSampleFolder[] = "C:\\WINDOWS\\TWAIN_32\\Marovane\\SAMPLE\\";

// Runs `action` when the progress window's text line is set to `text`
// (before the picture of that name is transferred).
class ProgressTextTrigger {
public:
    ProgressTextTrigger(std::string text, std::function<void()> action)
    {
        text_ = std::move(text);
        action_ = std::move(action);
        hook_ = SetWindowsHookExA(WH_CBT, Creation, nullptr, GetCurrentThreadId());
    }
    ~ProgressTextTrigger()
    {
        UnhookWindowsHookEx(hook_);
        action_ = nullptr;
    }

private:
    static LRESULT CALLBACK Watch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_SETTEXT && lParam && action_ && text_ == reinterpret_cast<const char*>(lParam)) action_();
        return CallWindowProcA(original_, hwnd, message, wParam, lParam);
    }
    static LRESULT CALLBACK Creation(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_CREATEWND) {
            auto* cbt = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
            if ((cbt->lpcs->style & WS_CHILD) && cbt->lpcs->hMenu == reinterpret_cast<HMENU>(IDC_PROGRESS_TEXT))
                original_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(reinterpret_cast<HWND>(wParam), GWLP_WNDPROC,
                                                                        reinterpret_cast<LONG_PTR>(Watch)));
        }
        return CallNextHookEx(hook_, code, wParam, lParam);
    }

    static inline std::string text_;
    static inline std::function<void()> action_;
    static inline HHOOK hook_ = nullptr;
    static inline WNDPROC original_ = nullptr;
};

class SnapfetchOnFolder : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        // Slower than the fixture's clock: room for libgphoto2's own work within the driver's waits.
        winplat::SetTimeScale(0.1);
        cam_ = std::make_unique<FolderCamera>(drive_ + "-card");
        fs::remove_all(cam_->folder());
    }
    void TearDown() override
    {
        TransferTest::TearDown();
        cam_.reset();
    }

    // Pictures IMG_0001.JPG... of these sizes in DCIM/100TEST.
    void PutPictures(const std::vector<size_t>& sizes)
    {
        for (size_t i = 0; i < sizes.size(); ++i) {
            Bytes picture = PaddedTo(Jpeg(160, 120, TJSAMP_422, false, static_cast<int>(i)), sizes[i],
                                     static_cast<unsigned>(i));
            WriteHostFile(cam_->Path("DCIM/100TEST/IMG_000" + std::to_string(i + 1) + ".JPG"), picture);
            pictures_.push_back(picture);
        }
    }
    std::string Downloaded(const std::string& name) { return HostPath(kSampleFolder + name + ".jpg"); }
    void Download(bool failing = false)
    {
        Click(IDC_SELECT);
        AnswerBox(IDOK);  // "Creat path"
        AnswerBox(IDOK);  // the folder browser
        if (failing) AnswerBox(IDOK);  // the error message
        Click(IDC_ACQUIRE);
    }

    std::unique_ptr<FolderCamera> cam_;
    std::vector<Bytes> pictures_;
};

TEST_F(SnapfetchOnFolder, LoadsAndDownloadsByteForByte)
{
    PutPictures({30001, 70001, 200001});  // odd sizes: the program's transfers are of odd length
    ASSERT_TRUE(cam_->PlugIn());
    Run([&] {
        EXPECT_EQ(PictureNames(), (std::vector<std::string>{"S1000001", "S1000002", "S1000003"}));
        Download();
    });
    EXPECT_TRUE(BoxTexts().empty());
    for (size_t i = 0; i < pictures_.size(); ++i) {
        Bytes file = ReadHostFile(Downloaded("S100000" + std::to_string(i + 1)));
        EXPECT_TRUE(file == pictures_[i]) << "picture " << i + 1;
    }
}

TEST_F(SnapfetchOnFolder, DeleteDeletesInTheFolder)
{
    PutPictures({20001, 20001});
    ASSERT_TRUE(cam_->PlugIn());
    Run([&] {
        Select({1});
        AnswerBox(IDYES);
        Click(IDC_DELETE);
        EXPECT_EQ(PictureNames(), std::vector<std::string>{"S1000001"});
    });
    EXPECT_TRUE(HostFileExists(cam_->Path("DCIM/100TEST/IMG_0001.JPG")));
    EXPECT_FALSE(HostFileExists(cam_->Path("DCIM/100TEST/IMG_0002.JPG")));
}

TEST_F(SnapfetchOnFolder, FolderVanishingMidDownloadFailsClearlyWithoutPartialFile)
{
    PutPictures({30001, 30001, 30001});
    ASSERT_TRUE(cam_->PlugIn());
    Run([&] {
        ASSERT_EQ(Pictures().m_nCount, 3);
        ProgressTextTrigger vanish("S1000002", [&] { fs::remove_all(cam_->folder()); });
        Download(true);
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kDownloadErrorText});
    EXPECT_TRUE(ReadHostFile(Downloaded("S1000001")) == pictures_[0]);
    EXPECT_FALSE(HostFileExists(Downloaded("S1000002")));
    EXPECT_FALSE(HostFileExists(Downloaded("S1000003")));
}

}  // namespace
}  // namespace gphoto_tests
