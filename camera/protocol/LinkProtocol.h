// The link between the kernel USB driver (camusb) and the camera: framed
// messages over a Unix-domain stream socket. This is the virtual camera's
// "USB cable".
//
// Every frame is a 12-byte header {payload length, type, flags, id} and a
// payload of at most kMaxPayload bytes, all little-endian. The driver sends
// one request frame per control request and gets one Answer frame with the
// same id. The data of a read command travels unasked, as the camera's bulk
// IN pipe would carry it: pieces tagged with the id of the command, then one
// Data frame flagged kDataReply holding the 16-byte reply.
//
// The camera hands the driver a ring of shared memory with its HelloAck (the
// memory's descriptor rides along as SCM_RIGHTS), and the data pieces are
// written there: a RingData frame only says where. So the bytes are copied
// twice between the card and the reader, as over a plain socket. Without a
// ring the pieces travel inline in Data frames. Either way the camera sends
// at most a window of data bytes ahead; the driver gives them back with
// Credit frames once it has handed them on, oldest first.
//
// The fault plan (FaultPlan.h) belongs to whoever plugs the camera in and
// travels to the driver in HelloAck and PlanAdd frames; the driver, which
// sees every request first, applies it.
#pragma once

#include <windef.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace camera::link {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kProtocolVersion = 1;
constexpr size_t kHeaderSize = 12;
constexpr uint32_t kMaxPayload = 65536 + 256;  // one data chunk and then some
constexpr uint32_t kDataWindow = 2u << 20;     // data bytes the camera may send ahead (also the ring's size)
constexpr uint32_t kCreditBatch = 256u << 10;  // the driver returns credit in pieces this big
constexpr int kSocketBuffer = 2 << 20;         // socket buffers, so the camera can write ahead

enum class FrameType : uint16_t {
    // Driver to camera.
    Hello = 1,             // u32 protocol version, u32 process id
    Command = 2,           // the 32-byte CAMERA_COMMAND
    QueryReply = 3,        // u32 opcode
    QueryDescriptor = 4,   // u8 type, u8 index, u16 language, u32 largest length
    QueryChannelInfo = 5,  // nothing
    Reset = 6,             // u32 selector
    Credit = 7,            // u32 data bytes consumed or dropped
    PlanAck = 8,           // id: the plan change that is now in force
    Unplugged = 9,         // the driver unplugged the camera (a fault of the plan)
    // Camera to driver.
    HelloAck = 0x81,       // u32 protocol version, u32 ring size (0: none), then the fault plan
    Answer = 0x82,         // u32 Win32 error, then the result bytes
    Data = 0x83,           // id: the read command; bytes of its data, or its reply
    PlanAdd = 0x84,        // id: change number; fault rules to add
    PlanClear = 0x85,      // id: change number
    RingData = 0x86,       // id: the read command; u32 offset and u32 length of data in the ring
};

constexpr uint16_t kDataReply = 1;  // Data flag: the command's 16-byte reply

struct FrameHeader {
    uint32_t length = 0;
    uint16_t type = 0;
    uint16_t flags = 0;
    uint32_t id = 0;
};

inline void Put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
// Grown first and written in place: GCC 12 at -O3 misreads a range insert
// into an empty vector as an overflow.
inline void Append32(Bytes* out, uint32_t v)
{
    const size_t at = out->size();
    out->resize(at + 4);
    Put32(out->data() + at, v);
}

void EncodeHeader(const FrameHeader& header, uint8_t out[kHeaderSize]);
// False when the header announces more than kMaxPayload bytes: the stream
// cannot be trusted past such a header.
bool DecodeHeader(const uint8_t in[kHeaderSize], FrameHeader* header);

// A whole frame in one buffer.
Bytes EncodeFrame(FrameType type, uint16_t flags, uint32_t id, const void* payload, size_t size);
inline Bytes EncodeFrame(FrameType type, uint32_t id, const Bytes& payload = {})
{
    return EncodeFrame(type, 0, id, payload.data(), payload.size());
}

// Splits a byte stream into frames (the fuzz target and tests use it; the
// endpoints read their sockets directly).
class FrameSplitter {
public:
    void Feed(const uint8_t* data, size_t size) { buffer_.insert(buffer_.end(), data, data + size); }
    enum class Result { Frame, NeedMore, Broken };
    Result Next(FrameHeader* header, Bytes* payload);

private:
    Bytes buffer_;
    size_t offset_ = 0;
};

// Device names that the kernel driver serves: "CAMUSB" and a number.
bool IsCameraDeviceName(const std::string& name);
std::string CameraDeviceName(int number);
// The folder of the link sockets and device name locks (private to the
// user, made on first use).
std::string LinkFolder();
// The socket on which camsim serves a device; empty when the path would not
// fit a socket address.
std::string LinkSocketPath(const std::string& deviceName);

// True when the process at the other end of a connected Unix socket runs as
// this process's user: the camera and its kernel driver talk to no one else.
bool PeerIsSameUser(int fd);

// Gives a link socket room for a window of data.
void SizeSocketBuffers(int fd);

// Helpers for the endpoints: whole buffers or failure.
// SendParts sends two pieces (a frame's header and payload) without joining
// them, with descriptor passFd (when >= 0) riding on the first byte. On a
// non-blocking socket it waits up to 10 s whenever the socket is full.
bool SendParts(int fd, const void* head, size_t headSize, const void* body, size_t bodySize, int passFd = -1);
bool WriteAll(int fd, const void* data, size_t size);
bool ReadAll(int fd, void* data, size_t size);

}  // namespace camera::link
