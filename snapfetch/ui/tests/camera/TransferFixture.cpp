#include "TransferFixture.h"

#include "camera/imaging/JpegCodec.h"
#include "camera/imaging/SamplePictures.h"
#include "camera/imaging/Thumbnails.h"

#include <objbase.h>
#include <winplat/display.h>
#include <winplat/host.h>
#include <winplat/objects.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace transfer_tests {

namespace fs = std::filesystem;

camera::Bytes SmallPicture(int seed)
{
    camera::Bytes jpeg = camera::MakeSmallPicture(seed);
    EXPECT_FALSE(jpeg.empty());
    return jpeg;
}

camera::Bytes ThumbnailFile(int seed, size_t limit)
{
    camera::Bytes file = camera::MakeThumbnailFile(SmallPicture(seed), "S0000000", limit);
    EXPECT_FALSE(file.empty());
    EXPECT_LE(file.size(), limit);
    return file;
}

camera::Bytes Pattern(size_t size, unsigned seed)
{
    camera::Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 131 + seed + i / 251) & 0xFF);
    return bytes;
}

std::string HostFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return "";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// ---- ProgressTextRecorder ---------------------------------------------------------

namespace {

ProgressTextRecorder* g_recorder = nullptr;
HHOOK g_hook = nullptr;
WNDPROC g_staticProc = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT && g_recorder && lParam)
        g_recorder->texts.push_back(reinterpret_cast<const char*>(lParam));
    return CallWindowProcA(g_staticProc, hwnd, message, wParam, lParam);
}

// The progress window's text line is control 1008; it is watched from its
// creation on.
LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        auto* cbt = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
        if ((cbt->lpcs->style & WS_CHILD) && cbt->lpcs->hMenu == reinterpret_cast<HMENU>(IDC_PROGRESS_TEXT)) {
            HWND hwnd = reinterpret_cast<HWND>(wParam);
            g_staticProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

}  // namespace

ProgressTextRecorder::ProgressTextRecorder()
{
    g_recorder = this;
    g_hook = SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
}

ProgressTextRecorder::~ProgressTextRecorder()
{
    UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    g_recorder = nullptr;
}

// ---- TransferTest -------------------------------------------------------------------

void TransferTest::SetUp()
{
    winplat::SelectPresenter("headless");
    wa::Reset();
    winplat::SetTimeScale(kTimeScale);
    const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
    drive_ = (fs::path(scratch ? scratch : fs::temp_directory_path().string()) / "drive" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name())
                 .string();
    fs::remove_all(drive_);
    fs::create_directories(drive_);
    if (sampleFolderExists_) fs::create_directories(fs::path(drive_) / "WINDOWS/TWAIN_32/Marovane/SAMPLE");
    winplat::SetDriveCFolder(drive_);
    CoInitialize(nullptr);
    events_ = winplat::CountObjects(winplat::ObjectKind::Event);
    devices_ = winplat::CountObjects(winplat::ObjectKind::Device);
    globals_ = winplat::CountObjects(winplat::ObjectKind::GlobalMemory);
}

void TransferTest::TearDown()
{
    dlg_.reset();
    app_.m_pMainWnd = nullptr;
    EXPECT_TRUE(wa::UnexpectedModals().empty()) << "a window nobody answered: "
                                                << (wa::UnexpectedModals().empty() ? "" : wa::UnexpectedModals()[0].text);
    EXPECT_EQ(wa::PendingModalActions(), 0u) << "an expected window did not appear";
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Event), events_) << "events left behind";
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Device), devices_) << "device handles left behind";
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::GlobalMemory), globals_) << "global memory left behind";
    for (auto& cam : cams_) cam->device().SetObserver(nullptr);
    cams_.clear();
    wa::Reset();
    CoUninitialize();
    CWnd::DeleteTempMap();
    CGdiObject::DeleteTempMap();
}

camera::VirtualCamera& TransferTest::Plug(int pictures, const std::string& description)
{
    camera::VirtualCameraOptions options;
    options.settings.description = description;
    cams_.push_back(std::make_unique<camera::VirtualCamera>(options));
    camera::VirtualCamera& cam = *cams_.back();
    for (int i = 0; i < pictures; ++i) EXPECT_FALSE(cam.card().AddPicture(SmallPicture(i)).empty());
    EXPECT_TRUE(cam.PlugIn());
    return cam;
}

void TransferTest::Run(const std::function<void()>& inside)
{
    if (!dlg_) dlg_ = std::make_unique<CCameraDlg>();
    app_.m_pMainWnd = dlg_.get();
    wa::WhenModal([this, inside](HWND window) {
        window_ = window;
        if (inside) inside();
        SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
    dlg_->DoModal();
}

void TransferTest::ClickCell(int cell, UINT keys)
{
    const RECT& box = CameraDlgProbe::CellBox(*dlg_, cell);
    wa::Click(window_, POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2}, keys);
}

void TransferTest::Select(const std::vector<int>& places)
{
    CPictureList& list = Pictures();
    list.ClearSelection();
    int position = list.m_nPosition;
    list.Rewind();
    for (int place : places) list.ToggleSelectedAt(place);
    list.Rewind();
    list.MoveForward(position - 1);
}

std::vector<std::string> TransferTest::BoxTexts() const
{
    std::vector<std::string> texts;
    for (const wa::ModalRecord& box : wa::MessageBoxes()) texts.push_back(box.text);
    return texts;
}

std::vector<std::string> TransferTest::PictureNames()
{
    std::vector<std::string> names;
    for (PictureNode* node = Pictures().m_pHead; node; node = node->pNext) names.push_back(node->szName);
    return names;
}

std::vector<camera::CAMERA_COMMAND> Commands(camera::VirtualCamera& cam, DWORD opcode)
{
    std::vector<camera::CAMERA_COMMAND> found;
    for (const camera::CAMERA_COMMAND& command : cam.commands())
        if (command.wOpcode == opcode) found.push_back(command);
    return found;
}

std::string TransferTest::HostPath(const std::string& dosPath) const
{
    std::string host;
    EXPECT_EQ(winplat::DosToHostPath(dosPath.c_str(), &host), 0u) << dosPath;
    return host;
}

}  // namespace transfer_tests

// Sanitizer builds: also catch writes into stack frames that have returned.
extern "C" const char* __asan_default_options() { return "detect_stack_use_after_return=1"; }
