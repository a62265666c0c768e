// camusb, the camera's kernel USB driver: serves the ports "\\.\CAMUSB<n>".
//
// A port is reached either through the socket on which camsim serves it
// (found in the runtime folder on the first open in a process) or through a
// socket that a test attached in-process (CamUsbAttachPort). All handles of
// one process on one port share one link, so the link's step counts are
// those of the process.
//
// Requests are checked as Windows drivers check them, and refused at once:
// PIPE_REQUEST input not exactly its size, a command block not 32 bytes, a
// reply not 16 bytes or no pBuffer, a reset without its selector, a
// descriptor request shorter than 4 bytes or without output, or a ReadFile
// above 65,536 bytes: ERROR_INVALID_PARAMETER; an output too small for the
// reply or the channel information: ERROR_INSUFFICIENT_BUFFER; other codes
// and WriteFile: ERROR_INVALID_FUNCTION; any request once the camera is
// gone: ERROR_DEV_NOT_EXIST.
#pragma once

#include "UsbLink.h"

#include <atomic>
#include <map>
#include <string>

namespace camusb {

// Requests that reached a port through its handles, refused ones included,
// so that tests can tell how many reads a driver issued.
struct RequestCounts {
    std::atomic<DWORD> reads{0};
    std::atomic<DWORD> controls{0};
};

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

// A handle's view of the port: checks each request and hands it to the link.
class CamUsbFile : public winplat::DeviceFile {
public:
    CamUsbFile(std::shared_ptr<UsbLink> link, std::shared_ptr<RequestCounts> counts)
        : link_(std::move(link)), counts_(std::move(counts))
    {
    }
    void StartIo(IoRequest* request) override;
    void CancelIo(IoRequest* request) override { link_->Cancel(request); }

private:
    DWORD StartControl(IoRequest* request);
    DWORD StartPipeRequest(IoRequest* request, DWORD code);

    std::shared_ptr<UsbLink> link_;
    std::shared_ptr<RequestCounts> counts_;
};

}  // namespace camusb
