// The blocks that cross between a user-mode driver and the camera's kernel
// USB driver (camusb): control codes, the pipe request, the command and reply
// blocks, descriptor requests and channel information. All little-endian with
// fixed offsets.
//
// The driver module of the deliverables keeps its own definitions of the
// same blocks; the end-to-end tests keep the two in agreement.
#pragma once

#include <windef.h>
#include <winioctl.h>

#include <cstddef>

namespace camera {

// Control codes: device type 0x8000, METHOD_BUFFERED, FILE_ANY_ACCESS.
constexpr DWORD kIoctlGetReply = CTL_CODE(0x8000, 0x803, METHOD_BUFFERED, FILE_ANY_ACCESS);        // 0x8000200C
constexpr DWORD kIoctlSendCommand = CTL_CODE(0x8000, 0x804, METHOD_BUFFERED, FILE_ANY_ACCESS);     // 0x80002010
constexpr DWORD kIoctlGetChannelInfo = CTL_CODE(0x8000, 0x805, METHOD_BUFFERED, FILE_ANY_ACCESS);  // 0x80002014
constexpr DWORD kIoctlReset = CTL_CODE(0x8000, 0x807, METHOD_BUFFERED, FILE_ANY_ACCESS);           // 0x8000201C
constexpr DWORD kIoctlGetDescriptor = CTL_CODE(0x8000, 0x808, METHOD_BUFFERED, FILE_ANY_ACCESS);   // 0x80002020
static_assert(kIoctlGetReply == 0x8000200C && kIoctlSendCommand == 0x80002010);
static_assert(kIoctlGetChannelInfo == 0x80002014 && kIoctlReset == 0x8000201C && kIoctlGetDescriptor == 0x80002020);

// Camera opcodes.
constexpr WORD kOpStatus = 1;
constexpr WORD kOpDirectorySize = 2;
constexpr WORD kOpReadDirectory = 3;
constexpr WORD kOpReadFile = 4;
constexpr WORD kOpPlain = 6;
constexpr WORD kOpVersion = 7;
constexpr WORD kOpDeleteFile = 16;

inline bool IsReadOpcode(DWORD opcode) { return opcode == kOpReadDirectory || opcode == kOpReadFile; }

// The camera's own error codes (the status dwValue, and wError of a delete).
constexpr DWORD kCameraOk = 0;
constexpr DWORD kCameraBadCommand = 2;    // unknown opcode, wType not 1, or no such reply
constexpr DWORD kCameraFileNotFound = 9;  // no file of that name on the card
constexpr DWORD kCameraStorageError = 10;  // the card (or a real camera's storage) failed the request

constexpr DWORD kCameraVersion = 0x01000000;  // default version; also the lowest the driver accepts
constexpr WORD kReplyDone = 3;                // wState of a completed command
constexpr DWORD kMaxTransfer = 65536;         // largest ReadFile the kernel driver takes

// Input of GET_REPLY and SEND_COMMAND. On 32-bit Windows this is 16 bytes
// with a 4-byte pBuffer at offset 8. pBuffer is an address in the caller's
// process, so on a 64-bit build it is pointer-sized: {dwRequest @0,
// dwLength @4, pBuffer @8 (8 bytes), dwReserved @16}, 24 bytes. The kernel
// driver takes exactly sizeof(PIPE_REQUEST).
struct PIPE_REQUEST {
    DWORD dwRequest;   // camera opcode
    DWORD dwLength;    // 32 for a command block, 16 for a reply buffer
    void* pBuffer;     // the command to send, or where the reply also goes
    DWORD dwReserved;  // zero
};
static_assert(offsetof(PIPE_REQUEST, dwLength) == 4 && offsetof(PIPE_REQUEST, pBuffer) == 8);
static_assert(sizeof(void*) == 4 ? sizeof(PIPE_REQUEST) == 16 : sizeof(PIPE_REQUEST) == 24);

struct CAMERA_COMMAND {
    WORD wType;        // always 1
    WORD wOpcode;
    DWORD dwReserved;
    DWORD dwStamp;     // echoed by the reply
    DWORD dwParam;     // read offset, or the version the driver accepts
    DWORD dwLength;    // bytes to read
    char szName[12];   // 8.3 name without the dot, NUL-terminated
};
static_assert(sizeof(CAMERA_COMMAND) == 32 && offsetof(CAMERA_COMMAND, dwStamp) == 8);
static_assert(offsetof(CAMERA_COMMAND, dwParam) == 12 && offsetof(CAMERA_COMMAND, szName) == 20);

struct CAMERA_REPLY {
    WORD wState;       // 3 when the command is complete
    WORD wError;       // 0, or a delete's status
    DWORD dwStamp;     // the command's stamp
    DWORD dwValue;     // status, directory size or version
    DWORD dwReserved;
};
static_assert(sizeof(CAMERA_REPLY) == 16 && offsetof(CAMERA_REPLY, dwValue) == 8);
constexpr DWORD kReplySize = sizeof(CAMERA_REPLY);

struct DESCRIPTOR_REQUEST {
    BYTE bDescriptorType;   // 1 device ... 5 endpoint; 3 string
    BYTE bDescriptorIndex;
    WORD wLanguageId;
};
static_assert(sizeof(DESCRIPTOR_REQUEST) == 4);

struct CHANNEL_INFO {
    DWORD EventChannelSize;
    DWORD uReadDataAlignment;
    DWORD uWriteDataAlignment;
};
static_assert(sizeof(CHANNEL_INFO) == 12);

}  // namespace camera
