// The program's own time per picture, beyond the waits it makes by design:
//   - loading 100 thumbnails (FROMDSC): the driver pauses 10 ms before the
//     reply of every read, one read per thumbnail and one per directory
//     block;
//   - downloading 10 pictures of 1 MB (ACQUIRE): 300 ms before and after
//     each transfer, and the driver's 10 ms.
// Each runs in the real main window, headless, on a virtual camera with an
// unlimited link, beside a peer that moves the same bytes through the Still
// Image service with the same waits and nothing else (no decoding, no list,
// no windows, for the download a plain host file write).
//
// The platform clock runs at its natural speed, so the waits are real; the
// counters report the time per picture, the designed waits per picture, and
// the difference: the overhead.
#include "CameraDlg.h"
#include "EscapeProtocol.h"
#include "camera/imaging/SamplePictures.h"
#include "camera/imaging/Thumbnails.h"
#include "camera/testing/VirtualCamera.h"

#include <objbase.h>
#include <sti.h>
#include <winplat/automation.h>
#include <winplat/display.h>
#include <winplat/host.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace wa = winplat::automation;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kThumbnailPictures = 100;
constexpr int kDownloadPictures = 10;
constexpr size_t kDownloadSize = 1u << 20;
constexpr double kDriverPauseMs = 10;    // before the reply of every read
constexpr double kTransferPauseMs = 600;  // around each downloaded picture
constexpr int kDirectoryBlocks = (kThumbnailPictures + 24) / 25;

CWinApp theApp("snapfetch bench");

// Ten distinct sample pictures, each put on the card ten times.
void AddSamplePictures(camera::CameraCard& card, int count)
{
    std::vector<camera::Bytes> pictures, thumbnails;
    for (int i = 1; i <= 10; ++i) {
        pictures.push_back(camera::MakeSamplePicture(i));
        thumbnails.push_back(camera::MakeThumbnailFile(pictures.back(), "S0000000"));
    }
    for (int i = 0; i < count; ++i) card.AddPicture(pictures[i % 10], thumbnails[i % 10]);
}

void AddLargePictures(camera::CameraCard& card, int count)
{
    camera::Bytes thumbnail = camera::MakeThumbnailFile(camera::MakeSamplePicture(1), "S0000000");
    for (int i = 0; i < count; ++i) {
        camera::Bytes picture(kDownloadSize);
        for (size_t b = 0; b < picture.size(); ++b) picture[b] = static_cast<uint8_t>(b * 7 + i + b / 4096);
        card.AddPicture(picture, thumbnail);
    }
}

std::string ScratchDrive()
{
    fs::path drive = fs::temp_directory_path() / ("transfer_bench_" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(drive / "WINDOWS/TWAIN_32/Marovane/SAMPLE");
    return drive.string();
}

// Runs the main window (which loads the camera's pictures as it starts),
// does `body` in it, and ends it.
void RunWindow(const std::function<void(HWND)>& body)
{
    CCameraDlg dlg;
    theApp.m_pMainWnd = &dlg;
    wa::WhenModal([&](HWND window) {
        body(window);
        SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
    dlg.DoModal();
    theApp.m_pMainWnd = nullptr;
    // The main window's end asks the application to quit; the next window
    // of this process must not take that for its own end.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void Report(benchmark::State& state, double elapsedMs, int pictures, double designedMsPerPicture)
{
    double perPicture = elapsedMs / (static_cast<double>(state.iterations()) * pictures);
    state.counters["ms_per_picture"] = perPicture;
    state.counters["designed_wait_ms"] = designedMsPerPicture;
    state.counters["overhead_ms"] = perPicture - designedMsPerPicture;
}

// ---- The program ------------------------------------------------------------------

void ProgramThumbnailLoad(benchmark::State& state)
{
    camera::VirtualCamera cam;
    AddSamplePictures(cam.card(), kThumbnailPictures);
    if (!cam.PlugIn()) return state.SkipWithError("cannot plug the camera in");
    double elapsedMs = 0;
    RunWindow([&](HWND window) {
        for (auto _ : state) {
            Clock::time_point start = Clock::now();
            wa::ClickButton(window, IDC_FROMDSC);
            elapsedMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
    });
    Report(state, elapsedMs, kThumbnailPictures,
           kDriverPauseMs * (kThumbnailPictures + kDirectoryBlocks) / kThumbnailPictures);
}

void ProgramDownload(benchmark::State& state)
{
    std::string drive = ScratchDrive();
    winplat::SetDriveCFolder(drive);
    camera::VirtualCamera cam;
    AddLargePictures(cam.card(), kDownloadPictures);
    if (!cam.PlugIn()) return state.SkipWithError("cannot plug the camera in");
    double elapsedMs = 0;
    RunWindow([&](HWND window) {
        wa::ClickButton(window, IDC_SELECT);
        for (auto _ : state) {
            wa::WhenModalClick(IDOK);  // "Creat path"
            wa::WhenModalClick(IDOK);  // the folder browser
            Clock::time_point start = Clock::now();
            wa::ClickButton(window, IDC_ACQUIRE);
            elapsedMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
    });
    fs::remove_all(drive);
    Report(state, elapsedMs, kDownloadPictures, kTransferPauseMs + kDriverPauseMs);
}

// ---- The peers: the same traffic through the Still Image service ---------------------

class BareCamera {
public:
    explicit BareCamera(camera::VirtualCamera& cam)
    {
        std::wstring name(cam.internalName().begin(), cam.internalName().end());
        if (StiCreateInstanceW(GetModuleHandleA(nullptr), STI_VERSION_REAL, &sti_, nullptr) == S_OK)
            sti_->CreateDevice(name.data(), STI_DEVICE_CREATE_DATA, &device_, nullptr);
    }
    ~BareCamera()
    {
        if (device_) device_->Release();
        if (sti_) sti_->Release();
    }
    bool Open() const { return device_ != nullptr; }

    // Lock, reset, status; with a subscription as the thumbnail load makes.
    bool Begin(bool subscribe)
    {
        if (FAILED(device_->LockDevice(2000))) return false;
        if (subscribe) {
            event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            STISUBSCRIBE request = {};
            request.dwSize = sizeof(request);
            request.dwFlags = STI_SUBSCRIBE_FLAG_EVENT;
            request.hEvent = event_;
            device_->Subscribe(&request);
        }
        device_->DeviceReset();
        STI_DEVICE_STATUS status = {};
        status.dwSize = sizeof(status);
        status.StatusMask = STI_DEVSTATUS_ONLINE_STATE;
        return SUCCEEDED(device_->GetStatus(&status));
    }
    void End()
    {
        device_->UnSubscribe();
        device_->UnLockDevice();
        if (event_) CloseHandle(event_);
        event_ = nullptr;
    }
    bool Read(DWORD code, DWORD offset, DWORD length, const char* name, BYTE* out)
    {
        ESC_PARAMS params = {};
        params.dwParam = offset;
        params.dwLength = length;
        memcpy(params.szName, name, strlen(name) + 1);
        DWORD actual = 0;
        return device_->Escape(code, &params, sizeof(params), out, length, &actual) == S_OK && actual == length;
    }

private:
    IStillImage* sti_ = nullptr;
    IStiDevice* device_ = nullptr;
    HANDLE event_ = nullptr;
};

void BareThumbnailLoad(benchmark::State& state)
{
    camera::VirtualCamera cam;
    AddSamplePictures(cam.card(), kThumbnailPictures);
    if (!cam.PlugIn()) return state.SkipWithError("cannot plug the camera in");
    BareCamera bare(cam);
    if (!bare.Open()) return state.SkipWithError("cannot open the camera");
    std::vector<BYTE> buffer(20481);
    double elapsedMs = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        bare.Begin(true);
        for (int b = 0; b < kDirectoryBlocks; ++b) bare.Read(ESC_READ_DIRECTORY, b * 512, 512, "", buffer.data());
        bare.End();
        for (int i = 1; i <= kThumbnailPictures; ++i) {
            char name[16];
            snprintf(name, sizeof(name), "T%07dJPG", i);
            bare.Begin(true);
            bare.Read(ESC_READ_FILE, 0, 20481, name, buffer.data());
            bare.End();
        }
        elapsedMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    Report(state, elapsedMs, kThumbnailPictures,
           kDriverPauseMs * (kThumbnailPictures + kDirectoryBlocks) / kThumbnailPictures);
}

void BareDownload(benchmark::State& state)
{
    std::string drive = ScratchDrive();
    camera::VirtualCamera cam;
    AddLargePictures(cam.card(), kDownloadPictures);
    if (!cam.PlugIn()) return state.SkipWithError("cannot plug the camera in");
    BareCamera bare(cam);
    if (!bare.Open()) return state.SkipWithError("cannot open the camera");
    std::vector<BYTE> buffer(kDownloadSize + 1);
    double elapsedMs = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        bare.Begin(false);
        for (int i = 1; i <= kDownloadPictures; ++i) {
            char name[16];
            snprintf(name, sizeof(name), "S%07dJPG", i);
            Sleep(300);
            bare.Read(ESC_READ_FILE, 0, static_cast<DWORD>(buffer.size()), name, buffer.data());
            Sleep(300);
            std::string path = drive + "/" + std::string(name, 8) + ".jpg";
            if (FILE* file = fopen(path.c_str(), "wb")) {
                fwrite(buffer.data(), 1, buffer.size(), file);
                fclose(file);
            }
        }
        bare.End();
        elapsedMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    fs::remove_all(drive);
    Report(state, elapsedMs, kDownloadPictures, kTransferPauseMs + kDriverPauseMs);
}

BENCHMARK(ProgramThumbnailLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BareThumbnailLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(ProgramDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BareDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv)
{
    winplat::SelectPresenter("headless");
    winplat::SetTimeScale(1);
    CoInitialize(nullptr);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CoUninitialize();
    return 0;
}
