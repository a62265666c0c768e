// Feeds arbitrary bytes from "the camera" to the kernel driver's end of a
// link while requests are outstanding on the port: the driver must drop or
// refuse whatever makes no sense, and never crash or hang. The first byte
// picks whether the camera greets with a shared ring.
#include "camera/protocol/LinkProtocol.h"
#include "camera/protocol/UsbBlocks.h"
#include "camera/testing/VirtualCamera.h"

#include <windows.h>
#include <winplat/host.h>

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

using namespace camera;

// The camera's greeting, with the ring's memory riding along when there is one.
bool Greet(int fd, bool withRing)
{
    link::Bytes payload;
    link::Append32(&payload, link::kProtocolVersion);
    link::Append32(&payload, withRing ? link::kDataWindow : 0);
    link::Bytes frame = link::EncodeFrame(link::FrameType::HelloAck, 0, payload);
    if (!withRing) return link::WriteAll(fd, frame.data(), frame.size());
    int ring = memfd_create("fuzz-ring", MFD_CLOEXEC);
    if (ring < 0 || ftruncate(ring, link::kDataWindow) != 0) return false;
    bool sent = link::SendParts(fd, frame.data(), frame.size(), nullptr, 0, ring);
    close(ring);
    return sent;
}

struct Request {
    OVERLAPPED overlapped{};
    Request() { overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr); }
    ~Request() { CloseHandle(overlapped.hEvent); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool scaled = [] {
        winplat::SetTimeScale(0.001);
        return true;
    }();
    (void)scaled;
    if (size == 0) return 0;
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) return 0;
    if (!Greet(sockets[0], data[0] & 1) || AttachPort("CAMUSB99", sockets[1]) != 0) {
        close(sockets[0]);
        return 0;
    }
    HANDLE port = CreateFileA("\\\\.\\CAMUSB99", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    // Requests 1 to 3 are outstanding while the bytes arrive.
    Request command, reply, read;
    CAMERA_COMMAND block{1, kOpReadFile, 0, 1, 0, 100000, "S0000001JPG"};
    PIPE_REQUEST sendRequest{kOpReadFile, sizeof block, &block, 0};
    CAMERA_REPLY answer{}, scratch{};
    PIPE_REQUEST replyRequest{kOpStatus, sizeof answer, &scratch, 0};
    static uint8_t buffer[kMaxTransfer];
    DWORD bytes = 0;
    DeviceIoControl(port, kIoctlSendCommand, &sendRequest, sizeof sendRequest, nullptr, 0, &bytes, &command.overlapped);
    DeviceIoControl(port, kIoctlGetReply, &replyRequest, sizeof replyRequest, &answer, sizeof answer, &bytes,
                    &reply.overlapped);
    ReadFile(port, buffer, sizeof buffer, nullptr, &read.overlapped);
    for (size_t at = 1; at < size;) {
        ssize_t n = send(sockets[0], data + at, size - at, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0) break;
        at += static_cast<size_t>(n);
    }
    WaitForSingleObject(read.overlapped.hEvent, 2);
    ReadFile(port, buffer, 16, nullptr, &read.overlapped);
    WaitForSingleObject(read.overlapped.hEvent, 2);
    CancelIo(port);
    CloseHandle(port);
    DetachPort("CAMUSB99");
    close(sockets[0]);
    return 0;
}
