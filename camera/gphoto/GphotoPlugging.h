// Plugging a libgphoto2 camera in as a still-image device.
//
// Each camera gets a device name "GPHOTO<n>" (the lowest number free, held by
// a lock in the runtime folder's "gphoto" folder while it is plugged in), the
// port "\\.\GPHOTO<n>" that the kernel driver gphotousb serves, and a still-
// image registry entry naming the camera's user-mode driver. Beside the lock
// lies the camera's record, "GPHOTO<n>.camera", from which the kernel driver
// learns which camera the port is: four lines, the libgphoto2 model, the
// port, the description and a mark of this plugging-in (so that a camera
// plugged in later under the same name is told apart). The record goes when the camera is unplugged, and
// the kernel driver then reports the device gone.
#pragma once

#include "../core/Plugging.h"

#include <string>

namespace gphoto {

constexpr const char* kDevicePrefix = "GPHOTO";

struct CameraRecord {
    std::string model;        // "Directory Browse"
    std::string port;         // "disk:/home/me/Pictures"
    std::string description;  // the still-image device description
    std::string mark;         // set when plugged in
};

std::string RecordFolder();
bool IsGphotoDeviceName(const std::string& name);  // "GPHOTO" and a number
bool ReadRecord(const std::string& deviceName, CameraRecord* record);
// The record of that name is there and has that mark.
bool RecordPresent(const std::string& deviceName, const std::string& mark);

class PluggedCamera {
public:
    PluggedCamera() = default;
    ~PluggedCamera() { Unplug(); }
    PluggedCamera(const PluggedCamera&) = delete;
    PluggedCamera& operator=(const PluggedCamera&) = delete;

    // False, with a reason, when no name is free or the entries cannot be written.
    bool PlugIn(const CameraRecord& record, std::string* error);
    void Unplug();
    bool pluggedIn() const { return !claim_.deviceName().empty(); }

    const CameraRecord& record() const { return record_; }
    const std::string& deviceName() const { return claim_.deviceName(); }  // "GPHOTO0"
    std::string portName() const { return camera::PortName(deviceName()); }  // "\\.\GPHOTO0"

private:
    camera::DeviceNameClaim claim_;
    CameraRecord record_;
};

}  // namespace gphoto
