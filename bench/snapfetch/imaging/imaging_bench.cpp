// Megapixels per second decoding a 1792 x 1200 4:2:2 picture, ours beside
// libjpeg-turbo (accurate integer IDCT, simple upsampling, BGR out) with and
// without SIMD, and the time of the list's reduction to 89 x 60.
//
// libjpeg-turbo reads JSIMD_FORCENONE once per process, so the program runs
// itself again with JSIMD_FORCENONE=1 for the SIMD-less case; both tables
// come out of one run of bench_snapfetch_imaging.
#include <JpegDecoder.h>
#include <LibjpegPeer.h>
#include <PictureList.h>

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>  // needs FILE and size_t first

extern char** environ;

namespace {

constexpr int kWidth = 1792;
constexpr int kHeight = 1200;
constexpr int kQuality = 85;

// A camera-like picture: smooth areas, edges, texture and a little noise.
std::vector<uint8_t> PictureRgb()
{
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            int grain = static_cast<int>(noise >> 28) - 8;
            bool sun = (x - 1200) * (x - 1200) + (y - 300) * (y - 300) < 150 * 150;
            bool roof = y > 700 && (x / 40 + y / 40) % 2 == 0;
            int r = sun ? 250 : roof ? 150 + (x % 40) : 90 + y / 10;
            int g = sun ? 230 : roof ? 70 : 140 + (x * y) % 37;
            int b = sun ? 120 : roof ? 40 : 220 - y / 8;
            uint8_t* pixel = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
            for (int c = 0; c < 3; ++c) {
                int value = (c == 0 ? r : c == 1 ? g : b) + grain;
                pixel[c] = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
            }
        }
    }
    return rgb;
}

const std::vector<uint8_t>& Picture()
{
    static const std::vector<uint8_t> stream = jpegtest::EncodeWithLibjpeg(PictureRgb(), kWidth, kHeight, kQuality, false);
    return stream;
}

void CountMegapixels(benchmark::State& state)
{
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(kWidth) * kHeight * 1e-6 * state.iterations(),
                                                benchmark::Counter::kIsRate);
    state.counters["bytes"] = static_cast<double>(Picture().size());
}

void OurDecoder(benchmark::State& state)
{
    const std::vector<uint8_t>& stream = Picture();
    for (auto _ : state) {
        CJpegDecoder decoder;
        BYTE* pixels = decoder.DecodeMemory(stream.data(), static_cast<DWORD>(stream.size()));
        if (!pixels) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(pixels);
        decoder.FreeBuffers();
    }
    CountMegapixels(state);
}

void LibjpegTurbo(benchmark::State& state)
{
    const std::vector<uint8_t>& stream = Picture();
    std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, stream.data(), static_cast<unsigned long>(stream.size()));
        jpeg_read_header(&info, TRUE);
        info.dct_method = JDCT_ISLOW;
        info.do_fancy_upsampling = FALSE;
        info.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &pixels[static_cast<size_t>(info.output_scanline) * kWidth * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    }
    CountMegapixels(state);
}

// The decoded picture as the program hands it to the list: a packed DIB.
HGLOBAL DecodedDib()
{
    CJpegDecoder decoder;
    const std::vector<uint8_t>& stream = Picture();
    BYTE* pixels = decoder.DecodeMemory(stream.data(), static_cast<DWORD>(stream.size()));
    const BITMAPINFOHEADER* header = decoder.GetBitmapHeader();
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + header->biSizeImage);
    auto* bytes = static_cast<BYTE*>(GlobalLock(dib));
    memcpy(bytes, header, sizeof(BITMAPINFOHEADER));
    if (pixels) memcpy(bytes + sizeof(BITMAPINFOHEADER), pixels, header->biSizeImage);
    GlobalUnlock(dib);
    decoder.FreeBuffers();
    return dib;
}

void ThumbnailReduction(benchmark::State& state)
{
    HGLOBAL dib = DecodedDib();
    CPictureList list;
    for (auto _ : state) {
        list.Add("S0000001", 1, 1, dib);
        benchmark::DoNotOptimize(list.GetThumbnail());
        list.RemoveCurrent();
    }
    GlobalFree(dib);
}

bool SimdForcedOff() { return std::getenv("JSIMD_FORCENONE") != nullptr; }

// Runs this program again with SIMD off, for the libjpeg-turbo case only.
int RunWithoutSimd(std::vector<std::string> arguments)
{
    arguments[0] = "/proc/self/exe";
    arguments.push_back("--benchmark_filter=LibjpegTurbo");
    std::vector<char*> childArgv;
    for (std::string& argument : arguments) childArgv.push_back(argument.data());
    childArgv.push_back(nullptr);
    std::vector<std::string> environment = {"JSIMD_FORCENONE=1"};
    for (char** variable = environ; *variable; ++variable) environment.push_back(*variable);
    std::vector<char*> childEnvironment;
    for (std::string& variable : environment) childEnvironment.push_back(variable.data());
    childEnvironment.push_back(nullptr);
    std::fflush(stdout);
    pid_t child = 0;
    if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, childArgv.data(), childEnvironment.data()) != 0)
        return 1;
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    bool simdOff = SimdForcedOff();
    std::vector<std::string> arguments(argv, argv + argc);
    if (!simdOff) {
        benchmark::RegisterBenchmark("OurDecoder/1792x1200", OurDecoder)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("ThumbnailReduction/1792x1200_to_89x60", ThumbnailReduction)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark(simdOff ? "LibjpegTurbo/1792x1200/simd:off" : "LibjpegTurbo/1792x1200/simd:on",
                                 LibjpegTurbo)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return simdOff ? 0 : RunWithoutSimd(arguments);
}
