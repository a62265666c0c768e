#include "GphotoUsbDriver.h"

#include "../camusb/CamUsbFile.h"
#include "../core/CameraConnection.h"
#include "GphotoPlugging.h"
#include "GphotoStorage.h"

#include <winerror.h>
#include <winplat/stidevices.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <functional>

namespace gphoto {
namespace {

std::string Upper(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    return name;
}

// Plugged in by a program that is still running.
bool LiveEntry(const std::string& deviceName)
{
    for (const auto& device : winplat::ListStillImageDevices()) {
        if (device.internalName == deviceName) return true;
    }
    return false;
}

// The link, for the storage to unplug when the camera turns out gone.
struct LinkCell {
    std::mutex lock;
    std::weak_ptr<camusb::UsbLink> link;
};

// A handle on the port: before each control request (the reads only take
// data the camera has sent already), a look whether the camera is still
// there, so that a camera gone fails the request at once
// (ERROR_DEV_NOT_EXIST, the device-lost error), as a port whose device has
// left does.
class GphotoFile : public camusb::CamUsbFile {
public:
    GphotoFile(std::shared_ptr<camusb::UsbLink> link, std::function<bool()> present)
        : CamUsbFile(link), link_(std::move(link)), present_(std::move(present))
    {
    }
    void StartIo(winplat::IoRequest* request) override
    {
        if (winplat::IoGetInfo(request).kind == winplat::IoKind::DeviceControl && link_->Alive() && !present_())
            link_->Unplug();
        CamUsbFile::StartIo(request);
    }

private:
    std::shared_ptr<camusb::UsbLink> link_;
    std::function<bool()> present_;
};

}  // namespace

struct GphotoUsbDriver::Port {
    std::string mark;  // of the record it was made for
    std::function<bool()> present;
    std::shared_ptr<camera::CameraDevice> device;
    std::unique_ptr<camera::CameraConnection> connection;
    std::shared_ptr<camusb::UsbLink> link;

    ~Port()
    {
        if (link) link->Unplug();
        if (connection) connection->Stop();
    }
};

GphotoUsbDriver& GphotoUsbDriver::Instance()
{
    // Never destroyed: kernel32 keeps a pointer to it until the process ends.
    static GphotoUsbDriver* driver = new GphotoUsbDriver;
    return *driver;
}

DWORD GphotoUsbDriver::Connect(const std::string& deviceName, std::shared_ptr<Port>* port)
{
    CameraRecord record;
    if (!ReadRecord(deviceName, &record) || !LiveEntry(deviceName)) return ERROR_FILE_NOT_FOUND;
    // Also loads libgphoto2's lists of models and ports here, where no
    // request waits: that takes a good part of a second.
    std::string unknown;
    if (!GphotoCamera::Known(record.model, record.port, &unknown)) return ERROR_FILE_NOT_FOUND;
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) return ERROR_GEN_FAILURE;

    auto cell = std::make_shared<LinkCell>();
    // Still plugged in (camlink has not taken it out) and, for a folder, the folder still there.
    auto present = [deviceName, record] {
        return RecordPresent(deviceName, record.mark) && GphotoCamera::PortPresent(record.port);
    };
    auto storage = std::make_shared<GphotoStorage>(
        std::make_shared<GphotoCamera>(record.model, record.port), present,
        [cell] {
            std::shared_ptr<camusb::UsbLink> link;
            {
                std::lock_guard<std::mutex> guard(cell->lock);
                link = cell->link.lock();
            }
            if (link) link->Unplug();
        });
    camera::CameraSettings settings;
    settings.description = record.description;
    settings.product = record.model;
    settings.manufacturer = "libgphoto2";
    settings.serial = record.port;
    auto made = std::make_shared<Port>();
    made->mark = record.mark;
    made->present = present;
    made->device = std::make_shared<camera::CameraDevice>(settings, storage);
    made->connection = std::make_unique<camera::CameraConnection>(sockets[0], *made->device,
                                                                   std::vector<camera::FaultRule>{}, nullptr);
    made->connection->Start();
    DWORD error = 0;
    made->link = camusb::UsbLink::Open(sockets[1], &error);
    if (!made->link) return error ? error : ERROR_GEN_FAILURE;
    {
        std::lock_guard<std::mutex> guard(cell->lock);
        cell->link = made->link;
    }
    *port = made;
    return 0;
}

DWORD GphotoUsbDriver::Open(const char* name, DWORD, std::shared_ptr<winplat::DeviceFile>* file)
{
    std::string deviceName = Upper(name ? name : "");
    if (!IsGphotoDeviceName(deviceName)) return ERROR_FILE_NOT_FOUND;
    std::shared_ptr<Port> stale;
    std::lock_guard<std::mutex> guard(lock_);
    auto it = ports_.find(deviceName);
    CameraRecord record;
    bool current = ReadRecord(deviceName, &record);
    if (it != ports_.end() && (!it->second->link->Alive() || !current || record.mark != it->second->mark)) {
        // The camera was found gone, or another one has the name now: a new link if one is there.
        stale = it->second;
        ports_.erase(it);
        it = ports_.end();
    }
    if (it == ports_.end()) {
        std::shared_ptr<Port> port;
        DWORD error = Connect(deviceName, &port);
        if (error) return error;
        it = ports_.emplace(deviceName, port).first;
    }
    *file = std::make_shared<GphotoFile>(it->second->link, it->second->present);
    return 0;
}

}  // namespace gphoto
