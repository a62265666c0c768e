// The commands that look: detect, info and list.
#include "CameraLink.h"
#include "Commands.h"

#include <stdio.h>

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char ch : text) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += static_cast<char>(ch);
        } else if (ch < 0x20) {
            char sz[8];
            snprintf(sz, sizeof(sz), "\\u%04x", ch);
            out += sz;
        } else {
            out += static_cast<char>(ch);
        }
    }
    return out + "\"";
}

ExitCode RunDetect(const Options&, CConsoleReport& report)
{
    std::vector<DeviceListing> devices = ListDevices();
    for (const DeviceListing& device : devices)
        printf("%s\t%s\t%s\n", device.description.c_str(), device.portName.c_str(),
               device.accepted ? "accepted" : "not accepted");
    if (devices.empty()) report.Note("no still-image device is plugged in");
    for (const DeviceListing& device : devices)
        if (device.accepted) return kExitDone;
    return kExitNoCamera;
}

ExitCode RunInfo(const Options&, CConsoleReport& report)
{
    CCameraLink link(report);
    ExitCode code = link.Open();
    if (code != kExitDone) return code;
    IStiDevice* pDevice = link.Camera().Device();
    STI_DEV_CAPS caps = {};
    HRESULT hrCaps = pDevice->GetCapabilities(&caps);
    STI_DEVICE_STATUS status = {};
    status.dwSize = sizeof(status);
    status.StatusMask = STI_DEVSTATUS_ONLINE_STATE;
    HRESULT hrStatus = pDevice->GetStatus(&status);
    DWORD dwVersion = 0, dwActual = 0;
    HRESULT hrVersion = pDevice->Escape(ESC_GET_VERSION, NULL, 0, &dwVersion, sizeof(dwVersion), &dwActual);
    std::vector<CameraPicture> pictures = link.ReadPictures();

    printf("Camera:        %s\n", link.Description().c_str());
    printf("Port:          %s (%s)\n", link.PortName().c_str(), link.InternalName().c_str());
    if (SUCCEEDED(hrCaps))
        printf("Driver:        capabilities 0x%08lx\n", static_cast<unsigned long>(caps.dwGeneric));
    else
        printf("Driver:        capabilities unknown\n");
    if (hrVersion == S_OK)
        printf("Camera version: 0x%08lx\n", static_cast<unsigned long>(dwVersion));
    else
        printf("Camera version: unknown\n");
    if (SUCCEEDED(hrStatus))
        printf("Status:        %s (online state 0x%lx, hardware status 0x%lx)\n",
               (status.dwOnlineState & STI_ONLINESTATE_OPERATIONAL) ? "ready" : "not ready",
               static_cast<unsigned long>(status.dwOnlineState),
               static_cast<unsigned long>(status.dwHardwareStatusCode));
    else
        printf("Status:        not answering\n");
    printf("Pictures:      %u\n", static_cast<unsigned>(pictures.size()));
    return kExitDone;
}

ExitCode RunList(const Options& options, CConsoleReport& report)
{
    CCameraLink link(report);
    ExitCode code = link.Open();
    if (code != kExitDone) return code;
    std::vector<CameraPicture> pictures = link.ReadPictures();
    if (options.json) printf("[");
    bool bFirst = true;
    for (const CameraPicture& picture : pictures) {
        if (!picture.plainName) {
            report.Error("a directory entry has a name that cannot be a file name; left out");
            continue;
        }
        if (options.json)
            printf("%s\n  {\"name\": %s, \"size\": %lu, \"thumbnail\": %lu}", bFirst ? "" : ",",
                   JsonString(picture.name).c_str(), static_cast<unsigned long>(picture.dwFileSize),
                   static_cast<unsigned long>(picture.dwThumbSize));
        else
            printf("%s\t%lu\t%lu\n", picture.name.c_str(), static_cast<unsigned long>(picture.dwFileSize),
                   static_cast<unsigned long>(picture.dwThumbSize));
        bFirst = false;
    }
    if (options.json) printf("%s]\n", bFirst ? "" : "\n");
    return kExitDone;
}
