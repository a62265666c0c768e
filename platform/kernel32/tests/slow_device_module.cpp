// A kernel-driver module for the registry test: serves "\\.\MODDEV" and
// completes every request at once.
#include <windows.h>
#include <winplat/devices.h>

#include <cstring>

namespace {

class ModuleDevice : public winplat::DeviceDriver, public winplat::DeviceFile {
public:
    DWORD Open(const char* name, DWORD, std::shared_ptr<winplat::DeviceFile>* file) override
    {
        if (strcmp(name, "MODDEV") != 0) return ERROR_FILE_NOT_FOUND;
        *file = std::shared_ptr<winplat::DeviceFile>(std::shared_ptr<void>(), this);
        return 0;
    }
    void StartIo(winplat::IoRequest* request) override { winplat::IoComplete(request, 0, "module", 7); }
};

ModuleDevice device;

}  // namespace

extern "C" __attribute__((visibility("default"))) DWORD DriverEntry(void)
{
    winplat::RegisterDeviceDriver(&device);
    return 0;
}
