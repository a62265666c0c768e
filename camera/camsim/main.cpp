// camsim: plugs a virtual camera in for as long as it runs.
#include "../core/CameraServer.h"
#include "../core/Plugging.h"
#include "../protocol/LinkProtocol.h"
#include "CamsimOptions.h"

#include <winplat/stidevices.h>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

using namespace camera;

void PrintRequest(const ReceivedRequest& r)
{
    switch (r.kind) {
        case Step::SendCommand:
            printf("camsim: command %u (type %u) stamp %u param %u length %u name \"%.11s\"\n", r.command.wOpcode,
                   r.command.wType, r.command.dwStamp, r.command.dwParam, r.command.dwLength,
                   NameFromCommand(r.command.szName).c_str());
            break;
        case Step::GetReply: printf("camsim: reply of opcode %u asked\n", r.value); break;
        case Step::GetDescriptor:
            printf("camsim: descriptor type %u index %u language 0x%04x, %u bytes\n", r.descriptor.bDescriptorType,
                   r.descriptor.bDescriptorIndex, r.descriptor.wLanguageId, r.value);
            break;
        case Step::GetChannelInfo: printf("camsim: channel information asked\n"); break;
        case Step::Reset: printf("camsim: reset, selector %u\n", r.value); break;
        default: break;
    }
    fflush(stdout);
}

bool FillCard(const CamsimOptions& options, CameraCard& card)
{
    if (options.folder.empty()) {
        card.AddSamplePictures(options.pictures);
    } else {
        std::vector<std::string> refused;
        card.AddPicturesFromFolder(options.folder, &refused);
        for (const std::string& path : refused) fprintf(stderr, "camsim: not a readable JPEG, left out: %s\n", path.c_str());
    }
    for (const auto& entry : options.entryCounts) card.SetBlockEntryCount(entry.first, entry.second);
    for (const auto& c : options.corruptions) {
        if (!card.CorruptFile(c.name, c.offset, c.length)) {
            fprintf(stderr, "camsim: --corrupt: no file %s on the card\n", c.name.c_str());
            return false;
        }
    }
    return true;
}

int Run(const CamsimOptions& options)
{
    // Signals are taken by sigwait below; every thread started later inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    pid_t parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // the end of the parent unplugs the camera
    if (getppid() != parent) return 0;

    CameraDevice device(options.settings);
    if (!FillCard(options, device.card())) return 1;
    if (options.log) device.SetObserver(PrintRequest);

    DeviceNameClaim claim;
    if (!claim.Claim()) {
        fprintf(stderr, "camsim: no free camera name\n");
        return 1;
    }
    pid_t self = getpid();
    CameraServer server(device, options.faults, [self] { kill(self, SIGUSR1); });
    std::string error;
    if (!server.Listen(link::LinkSocketPath(claim.deviceName()), &error)) {
        fprintf(stderr, "camsim: cannot serve the camera: %s\n", error.c_str());
        return 1;
    }
    if (!EnterRegistry(claim.deviceName(), options.settings.description)) {
        fprintf(stderr, "camsim: cannot enter the camera in the still-image registry\n");
        return 1;
    }
    printf("camsim: \"%s\" plugged in on %s (internal name %s)\n", options.settings.description.c_str(),
           PortName(claim.deviceName()).c_str(), claim.deviceName().c_str());
    size_t pictures = device.card().PictureCount();
    printf("camsim: %zu picture%s on the card; Ctrl+C unplugs it\n", pictures, pictures == 1 ? "" : "s");
    fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    LeaveRegistry(claim.deviceName());
    server.Stop();
    printf("camsim: unplugged%s\n", received == SIGUSR1 ? " by a fault" : "");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // Alone, --version is the program's; with a value, the camera's.
    if (argc == 2 && std::string(argv[1]) == "--version") {
        printf("camsim %s\n", SNAPFETCH_VERSION);
        return 0;
    }
    CamsimOptions options;
    std::string error;
    if (!ParseCamsimOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
        fprintf(stderr, "camsim: %s\n(camsim --help tells more)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        fputs(CamsimHelp(), stdout);
        return 0;
    }
    if (options.list) {
        for (const auto& d : winplat::ListStillImageDevices())
            printf("%s\t%s\t%s\n", d.internalName.c_str(), d.description.c_str(), d.portName.c_str());
        return 0;
    }
    return Run(options);
}
