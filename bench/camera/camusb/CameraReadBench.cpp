// Bytes per second of a 4 MiB file read as the camera's user-mode driver
// reads it (a read command, ReadFile in 65,536-byte pieces on an overlapped
// device handle, the final 16-byte reply), against a plain copy of 4 MiB
// over a Unix-domain socket between two threads. Prints the ratio.
#include "camera/testing/VirtualCamera.h"

#include <windows.h>

#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

using namespace camera;

constexpr size_t kFileSize = 4u << 20;

bool Await(HANDLE device, OVERLAPPED* overlapped, BOOL submitted, DWORD* bytes)
{
    if (!submitted && GetLastError() != ERROR_IO_PENDING) return false;
    return WaitForSingleObject(overlapped->hEvent, 8000) == WAIT_OBJECT_0 &&
           GetOverlappedResult(device, overlapped, bytes, FALSE);
}

void ReadThroughDriver(benchmark::State& state)
{
    VirtualCamera cam;
    Bytes file(kFileSize);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7 + i / 4096);
    cam.card().PutFile("S0000001JPG", file);
    if (!cam.PlugIn()) return state.SkipWithError("cannot plug the camera in");
    HANDLE device = CreateFileA(cam.portName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::vector<uint8_t> out(kFileSize);
    DWORD stamp = 0;
    for (auto _ : state) {
        CAMERA_COMMAND command{1, kOpReadFile, 0, ++stamp, 0, static_cast<DWORD>(kFileSize), "S0000001JPG"};
        PIPE_REQUEST request{kOpReadFile, sizeof command, &command, 0};
        DWORD bytes = 0;
        if (!Await(device, &overlapped,
                   DeviceIoControl(device, kIoctlSendCommand, &request, sizeof request, nullptr, 0, &bytes, &overlapped),
                   &bytes)) {
            return state.SkipWithError("command failed");
        }
        for (size_t at = 0; at < kFileSize; at += kMaxTransfer) {
            if (!Await(device, &overlapped, ReadFile(device, out.data() + at, kMaxTransfer, nullptr, &overlapped), &bytes))
                return state.SkipWithError("read failed");
        }
        CAMERA_REPLY reply{};
        if (!Await(device, &overlapped, ReadFile(device, &reply, sizeof reply, nullptr, &overlapped), &bytes) ||
            reply.dwStamp != stamp) {
            return state.SkipWithError("no reply");
        }
    }
    if (memcmp(out.data(), file.data(), kFileSize) != 0) state.SkipWithError("data differs");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
    CloseHandle(overlapped.hEvent);
    CloseHandle(device);
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size) {
        ssize_t n = write(fd, data, size);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void PlainSocketCopy(benchmark::State& state)
{
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) != 0) return state.SkipWithError("no socket pair");
    std::vector<uint8_t> file(kFileSize, 0x5A), out(kFileSize);
    // The peer sends 4 MiB in 64 KiB writes each time it is asked.
    std::thread peer([&] {
        uint8_t ask;
        while (read(sockets[0], &ask, 1) == 1) {
            for (size_t at = 0; at < kFileSize; at += kMaxTransfer) {
                if (!WriteAll(sockets[0], file.data() + at, kMaxTransfer)) return;
            }
        }
    });
    for (auto _ : state) {
        uint8_t ask = 1;
        if (write(sockets[1], &ask, 1) != 1) break;
        for (size_t at = 0; at < kFileSize;) {
            ssize_t n = read(sockets[1], out.data() + at, std::min<size_t>(kMaxTransfer, kFileSize - at));
            if (n <= 0) break;
            at += static_cast<size_t>(n);
        }
    }
    shutdown(sockets[1], SHUT_RDWR);
    peer.join();
    close(sockets[0]);
    close(sockets[1]);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}

// Console output, and the ratio of the two rates: per round, and the median.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            auto rate = run.counters.find("bytes_per_second");
            if (rate == run.counters.end() || run.run_type != Run::RT_Iteration) continue;
            bool driver = run.run_name.function_name.rfind("ReadThroughDriver", 0) == 0;
            (driver ? driver_ : plain_).push_back(rate->second);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::vector<double> ratios;
        for (size_t i = 0; i < driver_.size() && i < plain_.size(); ++i) {
            if (plain_[i] > 0) ratios.push_back(driver_[i] / plain_[i]);
        }
        if (ratios.empty()) return;
        printf("Driver read / plain socket copy, per round:");
        for (double r : ratios) printf(" %.2f", r);
        std::sort(ratios.begin(), ratios.end());
        printf("\nMedian ratio: %.2f\n", ratios[ratios.size() / 2]);
    }

private:
    std::vector<double> driver_, plain_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // Rounds of the two side by side, so that both meet the same load.
    for (int round = 1; round <= 5; ++round) {
        std::string suffix = "/round:" + std::to_string(round);
        benchmark::RegisterBenchmark(("ReadThroughDriver" + suffix).c_str(), ReadThroughDriver)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.5)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("PlainSocketCopy" + suffix).c_str(), PlainSocketCopy)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.5)
            ->UseRealTime();
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
