// Megapixels per second decoding a 1792 x 1200 4:2:2 picture and a 160 x 120
// thumbnail, ours beside libjpeg-turbo (accurate integer IDCT, simple
// upsampling, BGR out) with and without SIMD, and the time of the list's
// reduction to 89 x 60.
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

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>  // needs FILE and size_t first

extern char** environ;

namespace {

constexpr int kQuality = 85;

struct PictureSize {
    int width, height;
};
constexpr PictureSize kLarge = {1792, 1200};
constexpr PictureSize kThumbnail = {160, 120};

// A camera-like picture: smooth areas, edges, texture and a little noise,
// laid out in proportion to its size.
std::vector<uint8_t> PictureRgb(PictureSize size)
{
    int width = size.width, height = size.height;
    int sunX = width * 1200 / 1792, sunY = height / 4, sunRadius = height / 8;
    int tile = std::max(4, height / 30);
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            int grain = static_cast<int>(noise >> 28) - 8;
            bool sun = (x - sunX) * (x - sunX) + (y - sunY) * (y - sunY) < sunRadius * sunRadius;
            bool roof = y > height * 7 / 12 && (x / tile + y / tile) % 2 == 0;
            int r = sun ? 250 : roof ? 150 + (x % tile) : 90 + y * 120 / height;
            int g = sun ? 230 : roof ? 70 : 140 + (x * y) % 37;
            int b = sun ? 120 : roof ? 40 : 220 - y * 150 / height;
            uint8_t* pixel = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                int value = (c == 0 ? r : c == 1 ? g : b) + grain;
                pixel[c] = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
            }
        }
    }
    return rgb;
}

const std::vector<uint8_t>& Picture(PictureSize size)
{
    static const std::vector<uint8_t> large =
        jpegtest::EncodeWithLibjpeg(PictureRgb(kLarge), kLarge.width, kLarge.height, kQuality, false);
    static const std::vector<uint8_t> thumbnail =
        jpegtest::EncodeWithLibjpeg(PictureRgb(kThumbnail), kThumbnail.width, kThumbnail.height, kQuality, false);
    return size.width == kLarge.width ? large : thumbnail;
}

void CountMegapixels(benchmark::State& state, PictureSize size)
{
    state.counters["MP/s"] = benchmark::Counter(
        static_cast<double>(size.width) * size.height * 1e-6 * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    state.counters["bytes"] = static_cast<double>(Picture(size).size());
}

void OurDecoder(benchmark::State& state, PictureSize size)
{
    const std::vector<uint8_t>& stream = Picture(size);
    for (auto _ : state) {
        CJpegDecoder decoder;
        BYTE* pixels = decoder.DecodeMemory(stream.data(), static_cast<DWORD>(stream.size()));
        if (!pixels) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(pixels);
        decoder.FreeBuffers();
    }
    CountMegapixels(state, size);
}

void LibjpegTurbo(benchmark::State& state, PictureSize size)
{
    const std::vector<uint8_t>& stream = Picture(size);
    std::vector<uint8_t> pixels(static_cast<size_t>(size.width) * size.height * 3);
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
            JSAMPROW row = &pixels[static_cast<size_t>(info.output_scanline) * size.width * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    }
    CountMegapixels(state, size);
}

// The decoded picture as the program hands it to the list: a packed DIB.
HGLOBAL DecodedDib()
{
    CJpegDecoder decoder;
    const std::vector<uint8_t>& stream = Picture(kLarge);
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
    const char* simd = simdOff ? "simd:off" : "simd:on";
    for (PictureSize size : {kLarge, kThumbnail}) {
        std::string picture = std::to_string(size.width) + "x" + std::to_string(size.height);
        if (!simdOff) {
            benchmark::RegisterBenchmark(("OurDecoder/" + picture).c_str(), OurDecoder, size)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("LibjpegTurbo/" + picture + "/" + simd).c_str(), LibjpegTurbo, size)
            ->Unit(benchmark::kMillisecond);
    }
    if (!simdOff) {
        benchmark::RegisterBenchmark("ThumbnailReduction/1792x1200_to_89x60", ThumbnailReduction)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return simdOff ? 0 : RunWithoutSimd(arguments);
}
