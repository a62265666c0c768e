// camusb, the camera's kernel USB driver: serves the ports "\\.\CAMUSB<n>".
//
// A port is reached either through the socket on which camsim serves it
// (found in the runtime folder on the first open in a process) or through a
// socket that a test attached in-process (CamUsbAttachPort). All handles of
// one process on one port share one link, so the link's step counts are
// those of the process. Requests are checked as CamUsbFile.h says.
#pragma once

#include "CamUsbFile.h"

#include <atomic>
#include <map>
#include <string>

namespace camusb {

class CamUsbDriver : public winplat::DeviceDriver {
public:
    static CamUsbDriver& Instance();

    DWORD Open(const char* name, DWORD desiredAccess, std::shared_ptr<winplat::DeviceFile>* file) override;
    DWORD Attach(const std::string& deviceName, int fd);
    DWORD Detach(const std::string& deviceName);
    // ERROR_FILE_NOT_FOUND when the name is not served.
    DWORD CountRequests(const std::string& deviceName, DWORD* reads, DWORD* controls);

private:
    struct Port {
        std::shared_ptr<UsbLink> link;
        bool attached = false;
        std::shared_ptr<RequestCounts> counts = std::make_shared<RequestCounts>();
    };
    std::shared_ptr<UsbLink> ConnectToServer(const std::string& deviceName, DWORD* error);

    std::mutex lock_;
    std::map<std::string, Port> ports_;
};

}  // namespace camusb
