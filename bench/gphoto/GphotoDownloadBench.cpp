// Time per picture of downloading 20 pictures of 5 MB from a folder that
// libgphoto2's "Directory Browse" driver shows as a camera:
//   - Bridge: ESC_READ_FILE of each picture through the Still Image service,
//     the driver module and the kernel driver gphotousb (which opens the
//     camera, fetches the picture and lets the camera go for each read);
//   - Direct: the libgphoto2 calls the bridge makes for each picture, made
//     here directly on the same folder: gp_camera_new, set_abilities,
//     set_port_info, gp_camera_init, gp_file_new, gp_camera_file_get,
//     gp_file_get_data_and_size, gp_file_unref, gp_camera_exit,
//     gp_camera_unref (the model and port lists loaded once, as the bridge
//     loads them once);
//   - VirtualCamera: the same reads of the same pictures from the virtual
//     camera (its card in memory), through the same driver path: what the
//     driver path costs without libgphoto2;
//   - FinalStatusPause: the driver's designed 10 ms pause before the reply
//     of every read, as the platform clock gives it.
// The platform clock runs at its natural speed. At the end: the bridge's
// time beyond its designed pause against libgphoto2 alone (medians).
// libgphoto2 first: the platform's headers make "interface" a keyword.
#include <gphoto2/gphoto2.h>

#include "camera/gphoto/GphotoPlugging.h"
#include "camera/testing/VirtualCamera.h"
#include "common/EscapeProtocol.h"

#include <objbase.h>
#include <sti.h>
#include <windows.h>
#include <winplat/host.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kPictures = 20;
constexpr size_t kPictureSize = 5000001;  // odd: the transfer length of a download is the size made odd
constexpr DWORD kFinalStatusPauseMs = 10;

std::string g_folder;

std::string PictureFile(int i)
{
    char name[32];
    snprintf(name, sizeof name, "IMG_%04d.JPG", i + 1);
    return name;
}

// A JPEG start and end around pattern bytes: the bridge passes files through as they are.
void MakeFolder()
{
    g_folder = (fs::temp_directory_path() / ("gphoto_bench_" + std::to_string(GetCurrentProcessId()))).string();
    fs::create_directories(g_folder + "/DCIM/100BENCH");
    std::vector<char> bytes(kPictureSize);
    for (int i = 0; i < kPictures; ++i) {
        for (size_t b = 0; b < bytes.size(); ++b) bytes[b] = static_cast<char>(b * 7 + i + b / 4096);
        bytes[0] = '\xFF', bytes[1] = '\xD8', bytes[kPictureSize - 2] = '\xFF', bytes[kPictureSize - 1] = '\xD9';
        std::ofstream(g_folder + "/DCIM/100BENCH/" + PictureFile(i), std::ios::binary).write(bytes.data(), bytes.size());
    }
}

void Direct(benchmark::State& state)
{
    GPContext* context = gp_context_new();
    CameraAbilitiesList* models = nullptr;
    GPPortInfoList* ports = nullptr;
    gp_abilities_list_new(&models);
    gp_abilities_list_load(models, context);
    gp_port_info_list_new(&ports);
    gp_port_info_list_load(ports);
    std::string port = "disk:" + g_folder;
    CameraAbilities abilities;
    GPPortInfo info;
    if (gp_abilities_list_get_abilities(models, gp_abilities_list_lookup_model(models, "Directory Browse"), &abilities) < 0 ||
        gp_port_info_list_get_info(ports, gp_port_info_list_lookup_path(ports, port.c_str()), &info) < 0)
        state.SkipWithError("libgphoto2 has no Directory Browse camera");
    for (auto _ : state) {
        for (int i = 0; i < kPictures; ++i) {
            Camera* camera = nullptr;
            CameraFile* file = nullptr;
            const char* data = nullptr;
            unsigned long size = 0;
            gp_camera_new(&camera);
            gp_camera_set_abilities(camera, abilities);
            gp_camera_set_port_info(camera, info);
            bool ok = gp_camera_init(camera, context) >= 0 && gp_file_new(&file) >= 0 &&
                      gp_camera_file_get(camera, "/DCIM/100BENCH", PictureFile(i).c_str(), GP_FILE_TYPE_NORMAL, file,
                                         context) >= 0 &&
                      gp_file_get_data_and_size(file, &data, &size) >= 0 && size == kPictureSize;
            benchmark::DoNotOptimize(data);
            if (file) gp_file_unref(file);
            gp_camera_exit(camera, context);
            gp_camera_unref(camera);
            if (!ok) state.SkipWithError("libgphoto2 could not fetch a picture");
        }
    }
    gp_port_info_list_free(ports);
    gp_abilities_list_free(models);
    gp_context_unref(context);
}

// Reads every picture ("S1000001" ...) through the Still Image service.
void ReadThroughSti(benchmark::State& state, const std::string& internalName)
{
    CoInitialize(nullptr);
    IStillImage* sti = nullptr;
    IStiDevice* device = nullptr;
    std::wstring name(internalName.begin(), internalName.end());
    if (StiCreateInstanceW(GetModuleHandleA(nullptr), STI_VERSION_REAL, &sti, nullptr) != S_OK ||
        sti->CreateDevice(name.data(), STI_DEVICE_CREATE_DATA, &device, nullptr) != S_OK) {
        if (sti) sti->Release();
        CoUninitialize();
        return state.SkipWithError("cannot open the camera through STI");
    }
    // A load first, as the program makes one before any download.
    DWORD directorySize = 0, actual = 0;
    device->Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &directorySize, sizeof directorySize, &actual);
    const DWORD length = static_cast<DWORD>(kPictureSize | 1);
    std::vector<BYTE> out(length);
    for (auto _ : state) {
        for (int i = 0; i < kPictures; ++i) {
            ESC_PARAMS params = {};
            params.dwLength = length;
            snprintf(params.szName, sizeof params.szName, "S100%04dJPG", i + 1);
            if (device->Escape(ESC_READ_FILE, &params, sizeof params, out.data(), length, &actual) != S_OK ||
                actual != length) {
                state.SkipWithError("a read failed");
                break;
            }
        }
    }
    device->Release();
    sti->Release();
    CoUninitialize();
}

void Bridge(benchmark::State& state)
{
    gphoto::PluggedCamera plug;
    std::string error;
    if (!plug.PlugIn({"Directory Browse", "disk:" + g_folder, "Marovane", ""}, &error))
        return state.SkipWithError(error.c_str());
    ReadThroughSti(state, plug.deviceName());
}

void VirtualCamera(benchmark::State& state)
{
    camera::VirtualCamera cam;
    for (int i = 0; i < kPictures; ++i) {
        std::ifstream in(g_folder + "/DCIM/100BENCH/" + PictureFile(i), std::ios::binary);
        camera::Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        char name[16];
        snprintf(name, sizeof name, "S100%04dJPG", i + 1);
        cam.card().PutFile(name, std::move(bytes));
    }
    if (!cam.PlugIn()) return state.SkipWithError("cannot plug the virtual camera in");
    ReadThroughSti(state, cam.internalName());
}

void FinalStatusPause(benchmark::State& state)
{
    for (auto _ : state)
        for (int i = 0; i < kPictures; ++i) Sleep(kFinalStatusPauseMs);
}

BENCHMARK(Direct)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->Repetitions(3);
BENCHMARK(Bridge)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->Repetitions(3);
BENCHMARK(VirtualCamera)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->Repetitions(3);
BENCHMARK(FinalStatusPause)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->Repetitions(3);

// Console output, then the bridge's time beyond its designed pause against
// libgphoto2 alone, from the medians.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                ms_[run.run_name.function_name] = run.GetAdjustedRealTime() / kPictures;  // per picture
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const char* name : {"Direct", "Bridge", "FinalStatusPause"})
            if (!ms_.count(name) || ms_[name] <= 0) return;
        double beyond = ms_["Bridge"] - ms_["FinalStatusPause"];
        printf("Per 5 MB picture: bridge %.2f ms, of which the designed pause %.2f ms; libgphoto2 alone %.2f ms\n",
               ms_["Bridge"], ms_["FinalStatusPause"], ms_["Direct"]);
        printf("Bridge beyond its designed pause / libgphoto2 alone: %.2f\n", beyond / ms_["Direct"]);
        if (ms_.count("VirtualCamera") && ms_["VirtualCamera"] > 0)
            printf("The same reads from the virtual camera: %.2f ms; bridge - virtual camera = %.2f ms "
                   "(libgphoto2 alone: %.2f ms)\n",
                   ms_["VirtualCamera"], ms_["Bridge"] - ms_["VirtualCamera"], ms_["Direct"]);
    }

private:
    std::map<std::string, double> ms_;
};

}  // namespace

int main(int argc, char** argv)
{
    winplat::SetTimeScale(1);
    benchmark::Initialize(&argc, argv);
    MakeFolder();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    fs::remove_all(g_folder);
    return 0;
}
