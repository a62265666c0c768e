// An in-process virtual camera for tests: the real camera and the real
// kernel driver module (camusb, loaded as kernel32 would load it), joined by
// a socket pair instead of camsim's listening socket.
//
//   using namespace camera;
//   VirtualCamera cam;                        // VirtualCameraOptions: description, version, speed...
//   cam.card().AddSamplePictures(3);          // or AddPicture, PutFile, CorruptFile...
//   cam.faults().Add(FaultRule::On(Step::GetReply, kOpStatus).Nth(2).NoAnswer());
//   ASSERT_TRUE(cam.PlugIn());                // registry entry, port served
//   HANDLE h = CreateFileA(cam.portName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
//                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
//   ... DeviceIoControl / ReadFile as a user-mode driver does ...
//   cam.commands();                           // the CAMERA_COMMAND blocks received, byte for byte
//   cam.requests();                           // every request the camera received
//   cam.Unplug();                             // outstanding requests fail with ERROR_DEV_NOT_EXIST
//
// Faults (FaultPlan.h) count the steps of the link since PlugIn; Add waits
// until the driver has the rule in force, so the very next request obeys it.
// Time-outs follow the platform clock: use winplat::SetTimeScale(0.01).
//
// What the kernel driver does with the requests (camusb/CamUsbDriver.h):
// sizes are checked first (ERROR_INVALID_PARAMETER, ERROR_INSUFFICIENT_BUFFER,
// ERROR_INVALID_FUNCTION at once); SEND_COMMAND, GET_REPLY, GET_DESCRIPTOR and
// GET_CHANNEL_INFO go pending and complete later, also when the camera fails
// them; RESET completes before DeviceIoControl returns unless a fault delays
// or holds it; a ReadFile completes at once when its data is there already.
// Once the camera is gone every request fails with ERROR_DEV_NOT_EXIST.
// Each camera gets the lowest free port "\\.\CAMUSB<n>" (internal name
// "CAMUSB<n>", description from the options, default "Marovane").
#pragma once

#include "../core/CameraConnection.h"
#include "../core/CameraDevice.h"
#include "../core/Plugging.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace camera {

struct VirtualCameraOptions {
    CameraSettings settings;
    int samplePictures = 0;     // generated pictures put on the card at once
    bool enterRegistry = true;  // false: the port is served but STI does not list it
};

class VirtualCamera;

// Requests that reached the kernel driver's port (refused ones included).
struct KernelRequests {
    DWORD reads = 0;     // ReadFile
    DWORD controls = 0;  // DeviceIoControl
};

class FaultScript {
public:
    // True once the rule is in force (at once when the camera is not plugged in).
    bool Add(const FaultRule& rule);
    bool Add(const std::vector<FaultRule>& rules);
    bool Clear();

private:
    friend class VirtualCamera;

// Requests that reached the kernel driver's port (refused ones included).
struct KernelRequests {
    DWORD reads = 0;     // ReadFile
    DWORD controls = 0;  // DeviceIoControl
};
    explicit FaultScript(VirtualCamera& camera) : camera_(camera) {}
    VirtualCamera& camera_;
    std::vector<FaultRule> rules_;
};

class VirtualCamera {
public:
    explicit VirtualCamera(VirtualCameraOptions options = {});
    ~VirtualCamera();
    VirtualCamera(const VirtualCamera&) = delete;
    VirtualCamera& operator=(const VirtualCamera&) = delete;

    bool PlugIn();
    void Unplug();
    // True when a fault of the plan unplugged the camera (it has left the registry).
    bool unpluggedByFault() const { return unpluggedByFault_; }
    // The driver learns of such an unplug before the camera's own side does:
    // waits, at most `bound`, for the camera to have seen it too.
    bool WaitUnpluggedByFault(std::chrono::milliseconds bound = std::chrono::seconds(10));

    CameraCard& card() { return device_.card(); }
    CameraDevice& device() { return device_; }
    FaultScript& faults() { return faults_; }

    // Valid while plugged in.
    const std::string& deviceName() const { return claim_.deviceName(); }  // "CAMUSB0"
    std::string portName() const { return PortName(deviceName()); }         // "\\.\CAMUSB0"
    std::string internalName() const { return deviceName(); }

    std::vector<CAMERA_COMMAND> commands() const { return device_.Commands(); }
    std::vector<ReceivedRequest> requests() const { return device_.Requests(); }
    void ClearLog() { device_.ClearLog(); }
    // Counted by the kernel driver since the camera was plugged in; valid while plugged in.
    KernelRequests kernelRequests() const;

private:
    friend class FaultScript;
    void OnUnpluggedByFault();

    VirtualCameraOptions options_;
    CameraDevice device_;
    FaultScript faults_;
    DeviceNameClaim claim_;
    std::unique_ptr<CameraConnection> connection_;
    std::atomic<bool> unpluggedByFault_{false};
    std::mutex unplugLock_;
    std::condition_variable unplugSeen_;
};

// The driver module's own calls, for tests that play the camera themselves:
// serve "\\.\<deviceName>" over one end of a connected socket (taken), or
// stop serving it. Return 0 or a Win32 error.
DWORD AttachPort(const std::string& deviceName, int socketFd);
DWORD DetachPort(const std::string& deviceName);

}  // namespace camera
