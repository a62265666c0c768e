// A handle on a camera port as the kernel driver serves it: each request is
// checked, then handed to the port's link (UsbLink.h). Shared by the kernel
// drivers whose ports speak the camera's link: camusb and gphotousb.
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

namespace camusb {

// Requests that reached a port through its handles, refused ones included,
// so that tests can tell how many reads a driver issued.
struct RequestCounts {
    std::atomic<DWORD> reads{0};
    std::atomic<DWORD> controls{0};
};

// A handle's view of the port: checks each request and hands it to the link.
class CamUsbFile : public winplat::DeviceFile {
public:
    // `counts` may be null: the port then counts nothing.
    explicit CamUsbFile(std::shared_ptr<UsbLink> link, std::shared_ptr<RequestCounts> counts = nullptr)
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
