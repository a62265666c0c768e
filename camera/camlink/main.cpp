// camlink: plugs the cameras that libgphoto2 reaches in as still-image
// devices, and unplugs them when they go away or camlink ends.
#include "../gphoto/GphotoCamera.h"
#include "CameraWatch.h"
#include "CamlinkOptions.h"

#include <signal.h>

#include <cstdio>
#include <ctime>

namespace {

using namespace camlink;

constexpr long kLookIntervalMs = 1000;  // how often the cameras are looked for

void Say(const std::string& line)
{
    printf("camlink: %s\n", line.c_str());
    fflush(stdout);
}

std::vector<Camera> Look(const CamlinkOptions& options)
{
    bool usb = options.port.rfind("usb:", 0) == 0;
    std::vector<Camera> detected;
    if (options.model.empty() || usb) detected = gphoto::GphotoCamera::Detect();
    if (options.model.empty()) return detected;
    Camera given{options.model, options.port};
    if (CameraWatch::Present(given, detected)) return {given};
    return {};
}

int Run(const CamlinkOptions& options)
{
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    if (!options.model.empty()) {
        std::string error;
        if (!gphoto::GphotoCamera::Known(options.model, options.port, &error)) {
            fprintf(stderr, "camlink: %s\n", error.c_str());
            return 1;
        }
    }
    CameraWatch watch(options.description, Say);
    watch.Update(Look(options));
    if (watch.count() == 0) Say(options.model.empty() ? "no camera found; waiting for one (Ctrl+C ends)"
                                                      : "the camera is not there; waiting for it (Ctrl+C ends)");
    for (;;) {
        timespec interval = {kLookIntervalMs / 1000, (kLookIntervalMs % 1000) * 1000000};
        if (sigtimedwait(&signals, nullptr, &interval) > 0) break;
        watch.Update(Look(options));
    }
    watch.UnplugAll();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    CamlinkOptions options;
    std::string error;
    if (!ParseCamlinkOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
        fprintf(stderr, "camlink: %s\n(camlink --help tells more)\n", error.c_str());
        return 2;
    }
    if (options.version) {
        printf("camlink %s\n", SNAPFETCH_VERSION);
        return 0;
    }
    if (options.help) {
        fputs(CamlinkHelp(), stdout);
        return 0;
    }
    return Run(options);
}
