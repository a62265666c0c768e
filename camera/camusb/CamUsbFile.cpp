#include "CamUsbFile.h"

#include <winerror.h>

#include <algorithm>
#include <cstring>

namespace camusb {

void CamUsbFile::StartIo(IoRequest* request)
{
    const winplat::IoRequestInfo& info = winplat::IoGetInfo(request);
    if (counts_ && info.kind == winplat::IoKind::Read) ++counts_->reads;
    if (counts_ && info.kind == winplat::IoKind::DeviceControl) ++counts_->controls;
    DWORD error = 0;
    if (!link_->Alive()) {
        error = ERROR_DEV_NOT_EXIST;
    } else if (info.kind == winplat::IoKind::Read) {
        if (info.outputSize > camera::kMaxTransfer) {
            error = ERROR_INVALID_PARAMETER;
        } else {
            link_->Read(request, info.outputSize);
        }
    } else if (info.kind == winplat::IoKind::DeviceControl) {
        error = StartControl(request);
    } else {
        error = ERROR_INVALID_FUNCTION;  // the camera takes commands through control requests only
    }
    if (error) winplat::IoComplete(request, error, nullptr, 0);
}

// Returns a Win32 error for a request refused at once, 0 when the link took it.
DWORD CamUsbFile::StartControl(IoRequest* request)
{
    const winplat::IoRequestInfo& info = winplat::IoGetInfo(request);
    switch (info.controlCode) {
        case camera::kIoctlSendCommand:
        case camera::kIoctlGetReply:
            return StartPipeRequest(request, info.controlCode);
        case camera::kIoctlGetChannelInfo:
            if (info.outputSize < sizeof(camera::CHANNEL_INFO)) return ERROR_INSUFFICIENT_BUFFER;
            link_->GetChannelInfo(request);
            return 0;
        case camera::kIoctlReset: {
            DWORD selector = 0;
            if (info.inputSize < sizeof selector) return ERROR_INVALID_PARAMETER;
            memcpy(&selector, info.input, sizeof selector);
            link_->Reset(request, selector);
            return 0;
        }
        case camera::kIoctlGetDescriptor: {
            camera::DESCRIPTOR_REQUEST descriptor;
            if (info.inputSize < sizeof descriptor || info.outputSize == 0) return ERROR_INVALID_PARAMETER;
            memcpy(&descriptor, info.input, sizeof descriptor);
            // A USB control transfer carries at most 65,535 bytes.
            link_->GetDescriptor(request, descriptor, std::min<DWORD>(info.outputSize, 0xFFFF));
            return 0;
        }
        default:
            return ERROR_INVALID_FUNCTION;
    }
}

DWORD CamUsbFile::StartPipeRequest(IoRequest* request, DWORD code)
{
    const winplat::IoRequestInfo& info = winplat::IoGetInfo(request);
    camera::PIPE_REQUEST pipe;
    if (info.inputSize != sizeof pipe) return ERROR_INVALID_PARAMETER;
    memcpy(&pipe, info.input, sizeof pipe);
    if (code == camera::kIoctlSendCommand) {
        camera::CAMERA_COMMAND command;
        if (pipe.dwLength != sizeof command) return ERROR_INVALID_PARAMETER;
        // pBuffer lies in the caller's memory: read it while the caller waits.
        if (!winplat::IoCopyFromCaller(request, pipe.pBuffer, &command, sizeof command)) return ERROR_INVALID_PARAMETER;
        link_->SendCommand(request, command);
        return 0;
    }
    if (pipe.dwLength != sizeof(camera::CAMERA_REPLY) || !pipe.pBuffer) return ERROR_INVALID_PARAMETER;
    if (info.outputSize < sizeof(camera::CAMERA_REPLY)) return ERROR_INSUFFICIENT_BUFFER;
    link_->GetReply(request, pipe.dwRequest, pipe.pBuffer);
    return 0;
}

}  // namespace camusb
