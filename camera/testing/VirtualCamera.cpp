#include "VirtualCamera.h"

#include <windows.h>
#include <winplat/host.h>

#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

namespace camera {
namespace {

struct CamUsbModule {
    DWORD (*attach)(const char*, int) = nullptr;
    DWORD (*detach)(const char*) = nullptr;
    DWORD (*count)(const char*, DWORD*, DWORD*) = nullptr;
};

// The driver module of the build tree, through its registry entry, loaded
// once for the process like kernel32 loads it.
const CamUsbModule& Module()
{
    static CamUsbModule module = [] {
        CamUsbModule m;
        std::string path;
        if (!winplat::RegistryValue("Drivers", "camusb", &path)) return m;
        HMODULE handle = LoadLibraryA(path.c_str());
        if (!handle) return m;
        auto entry = reinterpret_cast<DWORD (*)()>(GetProcAddress(handle, "DriverEntry"));
        if (entry) entry();
        m.attach = reinterpret_cast<DWORD (*)(const char*, int)>(GetProcAddress(handle, "CamUsbAttachPort"));
        m.detach = reinterpret_cast<DWORD (*)(const char*)>(GetProcAddress(handle, "CamUsbDetachPort"));
        m.count = reinterpret_cast<DWORD (*)(const char*, DWORD*, DWORD*)>(GetProcAddress(handle, "CamUsbCountRequests"));
        return m;
    }();
    return module;
}

}  // namespace

DWORD AttachPort(const std::string& deviceName, int socketFd)
{
    return Module().attach ? Module().attach(deviceName.c_str(), socketFd) : ERROR_MOD_NOT_FOUND;
}

DWORD DetachPort(const std::string& deviceName)
{
    return Module().detach ? Module().detach(deviceName.c_str()) : ERROR_MOD_NOT_FOUND;
}

KernelRequests VirtualCamera::kernelRequests() const
{
    KernelRequests counts;
    if (Module().count) Module().count(deviceName().c_str(), &counts.reads, &counts.controls);
    return counts;
}

bool FaultScript::Add(const FaultRule& rule) { return Add(std::vector<FaultRule>{rule}); }

bool FaultScript::Add(const std::vector<FaultRule>& rules)
{
    rules_.insert(rules_.end(), rules.begin(), rules.end());
    return !camera_.connection_ || camera_.connection_->ChangeFaults(false, rules);
}

bool FaultScript::Clear()
{
    rules_.clear();
    return !camera_.connection_ || camera_.connection_->ChangeFaults(true, {});
}

VirtualCamera::VirtualCamera(VirtualCameraOptions options)
    : options_(options), device_(options.settings), faults_(*this)
{
    if (options_.samplePictures > 0) device_.card().AddSamplePictures(options_.samplePictures);
}

VirtualCamera::~VirtualCamera() { Unplug(); }

bool VirtualCamera::PlugIn()
{
    if (connection_) return true;
    const CamUsbModule& module = Module();
    int sockets[2];
    if (!module.attach || !claim_.Claim()) return false;
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        claim_.Release();
        return false;
    }
    unpluggedByFault_ = false;
    connection_ = std::make_unique<CameraConnection>(sockets[0], device_, faults_.rules_,
                                                     [this] { OnUnpluggedByFault(); });
    connection_->Start();
    bool ok = module.attach(claim_.deviceName().c_str(), sockets[1]) == 0;
    if (ok && options_.enterRegistry) ok = EnterRegistry(claim_.deviceName(), device_.settings().description);
    if (!ok) Unplug();
    return ok;
}

void VirtualCamera::Unplug()
{
    if (!connection_) return;
    LeaveRegistry(claim_.deviceName());
    if (Module().detach) Module().detach(claim_.deviceName().c_str());
    connection_->Stop();
    connection_.reset();
    claim_.Release();
}

void VirtualCamera::OnUnpluggedByFault()
{
    // Runs on the link's thread: the driver has already let go of the port.
    LeaveRegistry(claim_.deviceName());
    std::lock_guard<std::mutex> guard(unplugLock_);
    unpluggedByFault_ = true;
    unplugSeen_.notify_all();
}

bool VirtualCamera::WaitUnpluggedByFault(std::chrono::milliseconds bound)
{
    std::unique_lock<std::mutex> guard(unplugLock_);
    return unplugSeen_.wait_for(guard, bound, [this] { return unpluggedByFault_.load(); });
}

}  // namespace camera
