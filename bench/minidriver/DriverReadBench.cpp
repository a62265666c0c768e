// Bytes per second of a 1 MiB picture read with ESC_READ_FILE through the
// Still Image service, the driver module and the virtual camera's link,
// beside the same read made directly on the kernel driver's port (a read
// command, 65,536-byte ReadFile calls, the 16-byte reply), that raw read
// again with the driver's 10 ms pause before the reply, and the pause alone.
// The platform clock runs at its natural speed, so the pause is a real
// 10 ms. Each case runs three times; the medians are compared.
#include "camera/testing/VirtualCamera.h"
#include "EscapeProtocol.h"

#include <objbase.h>
#include <sti.h>
#include <windows.h>
#include <winplat/host.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

using namespace camera;

constexpr DWORD kFileSize = 1u << 20;
constexpr DWORD kFinalStatusPauseMs = 10;
const char kName[] = "S0000001JPG";

Bytes Picture()
{
    Bytes file(kFileSize);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7 + i / 4096);
    return file;
}

void ReadThroughDriver(benchmark::State& state)
{
    VirtualCamera cam;
    Bytes file = Picture();
    cam.card().PutFile(kName, file);
    if (!cam.PlugIn()) return state.SkipWithError("cannot plug the camera in");
    CoInitialize(nullptr);
    IStillImage* sti = nullptr;
    IStiDevice* device = nullptr;
    std::wstring name(cam.internalName().begin(), cam.internalName().end());
    if (StiCreateInstanceW(GetModuleHandleA(nullptr), STI_VERSION_REAL, &sti, nullptr) != S_OK ||
        sti->CreateDevice(name.data(), STI_DEVICE_CREATE_DATA, &device, nullptr) != S_OK) {
        if (sti) sti->Release();
        CoUninitialize();
        return state.SkipWithError("cannot open the camera through STI");
    }
    std::vector<uint8_t> out(kFileSize);
    ESC_PARAMS params = {};
    params.dwLength = kFileSize;
    memcpy(params.szName, kName, sizeof(kName));
    for (auto _ : state) {
        DWORD actual = 0;
        if (device->Escape(ESC_READ_FILE, &params, sizeof(params), out.data(), kFileSize, &actual) != S_OK ||
            actual != kFileSize) {
            state.SkipWithError("escape failed");
            break;
        }
    }
    if (memcmp(out.data(), file.data(), kFileSize) != 0) state.SkipWithError("data differs");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFileSize);
    device->Release();
    sti->Release();
    CoUninitialize();
}

bool Await(HANDLE device, OVERLAPPED* overlapped, BOOL submitted, DWORD* bytes)
{
    if (!submitted && GetLastError() != ERROR_IO_PENDING) return false;
    return WaitForSingleObject(overlapped->hEvent, 8000) == WAIT_OBJECT_0 &&
           GetOverlappedResult(device, overlapped, bytes, FALSE);
}

// One read command straight on the port; false when a step fails.
bool ReadOnPort(HANDLE device, OVERLAPPED* overlapped, DWORD stamp, uint8_t* out, DWORD pauseMs)
{
    CAMERA_COMMAND command{1, kOpReadFile, 0, stamp, 0, kFileSize, "S0000001JPG"};
    PIPE_REQUEST request{kOpReadFile, sizeof command, &command, 0};
    DWORD bytes = 0;
    BOOL sent = DeviceIoControl(device, kIoctlSendCommand, &request, sizeof request, nullptr, 0, nullptr, overlapped);
    if (!Await(device, overlapped, sent, &bytes)) return false;
    for (DWORD at = 0; at < kFileSize; at += kMaxTransfer) {
        if (!Await(device, overlapped, ReadFile(device, out + at, kMaxTransfer, nullptr, overlapped), &bytes))
            return false;
    }
    if (pauseMs) Sleep(pauseMs);
    CAMERA_REPLY reply{};
    return Await(device, overlapped, ReadFile(device, &reply, sizeof reply, nullptr, overlapped), &bytes) &&
           reply.dwStamp == stamp;
}

void ReadOnRawLink(benchmark::State& state, DWORD pauseMs)
{
    VirtualCamera cam;
    Bytes file = Picture();
    cam.card().PutFile(kName, file);
    if (!cam.PlugIn()) return state.SkipWithError("cannot plug the camera in");
    HANDLE device = CreateFileA(cam.portName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::vector<uint8_t> out(kFileSize);
    DWORD stamp = 0;
    for (auto _ : state) {
        if (!ReadOnPort(device, &overlapped, ++stamp, out.data(), pauseMs)) {
            state.SkipWithError("read failed");
            break;
        }
    }
    if (memcmp(out.data(), file.data(), kFileSize) != 0) state.SkipWithError("data differs");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFileSize);
    CloseHandle(overlapped.hEvent);
    CloseHandle(device);
}

void RawLink(benchmark::State& state) { ReadOnRawLink(state, 0); }
void RawLinkWithPause(benchmark::State& state) { ReadOnRawLink(state, kFinalStatusPauseMs); }

// The driver's pause before the final status, as the platform clock gives it.
void FinalStatusPause(benchmark::State& state)
{
    for (auto _ : state) Sleep(kFinalStatusPauseMs);
}

BENCHMARK(ReadThroughDriver)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime()->Repetitions(3);
BENCHMARK(RawLink)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime()->Repetitions(3);
BENCHMARK(RawLinkWithPause)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime()->Repetitions(3);
BENCHMARK(FinalStatusPause)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime()->Repetitions(3);

// Console output, then the ratios of the medians and the pause's share.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                seconds_[run.run_name.function_name] = run.GetAdjustedRealTime() / 1e3;  // reported in ms
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const char* name : {"ReadThroughDriver", "RawLink", "RawLinkWithPause", "FinalStatusPause"})
            if (!seconds_.count(name) || seconds_[name] <= 0) return;
        double driver = seconds_["ReadThroughDriver"];
        double raw = seconds_["RawLink"];
        double rawPaused = seconds_["RawLinkWithPause"];
        double pause = seconds_["FinalStatusPause"];
        const double mb = kFileSize / 1e6;
        printf("Driver / raw link:             %.2f (%.0f MB/s against %.0f MB/s)\n", raw / driver, mb / driver,
               mb / raw);
        printf("Driver / raw link with pause:  %.2f (%.0f MB/s against %.0f MB/s)\n", rawPaused / driver,
               mb / driver, mb / rawPaused);
        printf("The driver's 10 ms pause:      %.2f ms, %.0f%% of its %.2f ms per 1 MiB read\n", pause * 1e3,
               100.0 * pause / driver, driver * 1e3);
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv)
{
    winplat::SetTimeScale(1);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
