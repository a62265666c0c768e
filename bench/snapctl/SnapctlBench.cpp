// snapctl's own time per picture beyond the waits it makes by design, and
// its peak memory:
//   - get --all of 100 pictures of about 1 MB on an unlimited link: the
//     driver pauses 10 ms before the reply of every read (one per picture,
//     one per directory block); everything else, the program's start, the
//     service, the transfer and the file, is overhead;
//   - the peak resident memory of get --all with 1000 pictures on the card.
// Beside it, the window program's download of 10 such pictures in the same
// run (headless, its 300 ms before and after each transfer are its designed
// waits, with the driver's 10 ms).
// The programs run as the user runs them: camsim plugs the camera in and
// snapctl is started for each iteration. The platform clock runs at its
// natural speed, so the waits are real.
#include "CameraDlg.h"
#include "camera/imaging/JpegCodec.h"
#include "camera/testing/VirtualCamera.h"

#include <objbase.h>
#include <winplat/automation.h>
#include <winplat/display.h>
#include <winplat/host.h>
#include <winplat/stidevices.h>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kDriverPauseMs = 10;
constexpr double kWindowTransferPauseMs = 600;
constexpr int kWindowPictures = 10;

CWinApp theApp("snapctl bench");

pid_t Spawn(const std::string& program, std::vector<std::string> args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool CameraListed()
{
    for (int i = 0; i < 2000; ++i) {
        if (!winplat::ListStillImageDevices().empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// A camera plugged in by camsim for the benchmark's life.
class Camsim {
public:
    explicit Camsim(const std::vector<std::string>& args) : pid_(Spawn(CAMSIM_PATH, args)) {}
    ~Camsim()
    {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    pid_t pid_;
};

camera::Bytes NoisePicture(int width, int height)
{
    camera::RgbImage image(width, height);
    uint32_t seed = 12345;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1103515245 + 12345;
                image.At(x, y)[c] = static_cast<uint8_t>(seed >> 24);
            }
    camera::Bytes jpeg;
    camera::EncodeBaseline422(image, 90, &jpeg);
    return jpeg;
}

// A folder of `count` copies of one picture of noise, about 1 MB at
// 1024 x 768.
fs::path NoiseCard(const fs::path& root, int count, int width, int height)
{
    fs::path card = root / "card";
    fs::create_directories(card);
    camera::Bytes jpeg = NoisePicture(width, height);
    for (int i = 0; i < count; ++i) {
        char name[32];
        snprintf(name, sizeof name, "p%04d.jpg", i);
        std::ofstream(card / name, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()),
                                                           static_cast<std::streamsize>(jpeg.size()));
    }
    return card;
}

// The high-water mark of a running process's resident memory in KiB, 0
// when it cannot be read. (The child's rusage would count the parent's
// memory too, which the child shares until its exec.)
long HighWaterKib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

// Runs snapctl get --all into a fresh folder: its exit status, and its peak
// resident memory in KiB, read while it runs.
int GetAll(const fs::path& dest, long* peakKib)
{
    fs::remove_all(dest);
    pid_t pid = Spawn(SNAPCTL_PATH, {"get", "--all", "--dest", dest.string()});
    int status = 0;
    *peakKib = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        *peakKib = std::max(*peakKib, HighWaterKib(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path Scratch(const char* name)
{
    return fs::temp_directory_path() / (std::string(name) + "_" + std::to_string(getpid()));
}

void SnapctlGetAll(benchmark::State& state)
{
    const int pictures = static_cast<int>(state.range(0));
    fs::path root = Scratch("snapctl_bench");
    fs::path card = NoiseCard(root, pictures, 1024, 768);
    Camsim camsim({"--folder", card.string()});
    if (!CameraListed()) return state.SkipWithError("no camera");
    double elapsedMs = 0;
    long peak = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        if (GetAll(root / "dest", &peak) != 0) return state.SkipWithError("get --all failed");
        elapsedMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    double perPicture = elapsedMs / (static_cast<double>(state.iterations()) * pictures);
    double designed = kDriverPauseMs * (pictures + (pictures + 24) / 25) / pictures;
    state.counters["ms_per_picture"] = perPicture;
    state.counters["designed_wait_ms"] = designed;
    state.counters["overhead_ms"] = perPicture - designed;
    state.counters["peak_rss_mib"] = peak / 1024.0;
    fs::remove_all(root);
}

void SnapctlPeakMemory(benchmark::State& state)
{
    fs::path root = Scratch("snapctl_bench_memory");
    Camsim camsim({"--folder", NoiseCard(root, 1000, 160, 120).string()});
    if (!CameraListed()) return state.SkipWithError("no camera");
    long peak = 0;
    for (auto _ : state)
        if (GetAll(root / "dest", &peak) != 0) return state.SkipWithError("get --all failed");
    state.counters["pictures"] = 1000;
    state.counters["peak_rss_mib"] = peak / 1024.0;
    fs::remove_all(root);
}

// The window program's ACQUIRE of every picture, in its main window.
void WindowDownload(benchmark::State& state)
{
    namespace wa = winplat::automation;
    fs::path drive = Scratch("snapctl_bench_window");
    fs::create_directories(drive / "WINDOWS/TWAIN_32/Marovane/SAMPLE");
    winplat::SetDriveCFolder(drive.string());
    camera::VirtualCamera cam;
    camera::Bytes picture = NoisePicture(1024, 768);
    for (int i = 0; i < kWindowPictures; ++i) cam.card().AddPicture(picture);
    if (!cam.PlugIn()) return state.SkipWithError("cannot plug the camera in");
    double elapsedMs = 0;
    {
        CCameraDlg dlg;
        theApp.m_pMainWnd = &dlg;
        wa::WhenModal([&](HWND window) {
            wa::ClickButton(window, IDC_SELECT);
            for (auto _ : state) {
                wa::WhenModalClick(IDOK);  // "Creat path"
                wa::WhenModalClick(IDOK);  // the folder browser
                Clock::time_point start = Clock::now();
                wa::ClickButton(window, IDC_ACQUIRE);
                elapsedMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            }
            SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
        });
        dlg.DoModal();
        theApp.m_pMainWnd = nullptr;
    }
    double perPicture = elapsedMs / (static_cast<double>(state.iterations()) * kWindowPictures);
    double designed = kWindowTransferPauseMs + kDriverPauseMs;
    state.counters["ms_per_picture"] = perPicture;
    state.counters["designed_wait_ms"] = designed;
    state.counters["overhead_ms"] = perPicture - designed;
    fs::remove_all(drive);
}

}  // namespace

BENCHMARK(WindowDownload)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SnapctlGetAll)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SnapctlPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

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
