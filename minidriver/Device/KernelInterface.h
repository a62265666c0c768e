// What crosses to the camera's kernel USB driver: its control codes and the
// fixed little-endian blocks that go with them. Data and the reply of a read
// command come back through overlapped ReadFile on the same handle.
#pragma once

#include <windows.h>

#include <cstddef>

// Device type 0x8000, METHOD_BUFFERED, FILE_ANY_ACCESS.
#define CAMERA_DEVICE_TYPE 0x8000
#define IOCTL_CAMERA_GET_REPLY CTL_CODE(CAMERA_DEVICE_TYPE, 0x803, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_CAMERA_SEND_COMMAND CTL_CODE(CAMERA_DEVICE_TYPE, 0x804, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_CAMERA_GET_CHANNEL_INFO CTL_CODE(CAMERA_DEVICE_TYPE, 0x805, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_CAMERA_RESET CTL_CODE(CAMERA_DEVICE_TYPE, 0x807, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_CAMERA_GET_DESCRIPTOR CTL_CODE(CAMERA_DEVICE_TYPE, 0x808, METHOD_BUFFERED, FILE_ANY_ACCESS)

static_assert(IOCTL_CAMERA_GET_REPLY == 0x8000200C, "GET_REPLY control code");
static_assert(IOCTL_CAMERA_SEND_COMMAND == 0x80002010, "SEND_COMMAND control code");
static_assert(IOCTL_CAMERA_GET_CHANNEL_INFO == 0x80002014, "GET_CHANNEL_INFO control code");
static_assert(IOCTL_CAMERA_RESET == 0x8000201C, "RESET control code");
static_assert(IOCTL_CAMERA_GET_DESCRIPTOR == 0x80002020, "GET_DESCRIPTOR control code");

// The largest ReadFile the kernel driver serves, and so the chunk size of
// every read command.
#define CAMERA_MAX_TRANSFER 65536

// Input of GET_REPLY and SEND_COMMAND. pBuffer is an address in this
// process that the kernel driver reads the command from or writes the reply
// to. On a 32-bit build the block is 16 bytes with a 4-byte pBuffer at 8; on
// a 64-bit build pBuffer is pointer-sized (still at 8) and dwReserved follows
// it, 24 bytes in all. The kernel driver takes exactly sizeof(PIPE_REQUEST).
typedef struct _PIPE_REQUEST {
    DWORD dwRequest;   // camera opcode
    DWORD dwLength;    // 32 for a command block, 16 for a reply buffer
    PVOID pBuffer;     // the CAMERA_COMMAND to send, or the reply buffer
    DWORD dwReserved;  // zero
} PIPE_REQUEST, *PPIPE_REQUEST;

static_assert(offsetof(PIPE_REQUEST, dwRequest) == 0, "dwRequest at 0");
static_assert(offsetof(PIPE_REQUEST, dwLength) == 4, "dwLength at 4");
static_assert(offsetof(PIPE_REQUEST, pBuffer) == 8, "pBuffer at 8");
static_assert(offsetof(PIPE_REQUEST, dwReserved) == 8 + sizeof(PVOID), "dwReserved after pBuffer");
static_assert(sizeof(PIPE_REQUEST) == (sizeof(PVOID) == 4 ? 16 : 24), "PIPE_REQUEST is 16 bytes on 32-bit");

// A command for the camera; the whole block starts zeroed.
typedef struct _CAMERA_COMMAND {
    WORD wType;        // always 1
    WORD wOpcode;      // camera opcode
    DWORD dwReserved;  // zero
    DWORD dwStamp;     // tick count when built; the reply echoes it
    DWORD dwParam;     // per opcode
    DWORD dwLength;    // per opcode
    char szName[12];   // 8.3 file name without the dot, NUL-terminated
} CAMERA_COMMAND, *PCAMERA_COMMAND;

static_assert(sizeof(CAMERA_COMMAND) == 32, "CAMERA_COMMAND is 32 bytes");
static_assert(offsetof(CAMERA_COMMAND, wOpcode) == 2, "wOpcode at 2");
static_assert(offsetof(CAMERA_COMMAND, dwReserved) == 4, "dwReserved at 4");
static_assert(offsetof(CAMERA_COMMAND, dwStamp) == 8, "dwStamp at 8");
static_assert(offsetof(CAMERA_COMMAND, dwParam) == 12, "dwParam at 12");
static_assert(offsetof(CAMERA_COMMAND, dwLength) == 16, "dwLength at 16");
static_assert(offsetof(CAMERA_COMMAND, szName) == 20, "szName at 20");

#define CAMERA_COMMAND_TYPE 1
#define CAMERA_REPLY_DONE 3

// The camera's answer to a command.
typedef struct _CAMERA_REPLY {
    WORD wState;       // 3 when the command is complete
    WORD wError;       // 0 for no error; a delete's status
    DWORD dwStamp;     // the command's stamp
    DWORD dwValue;     // count, version or status code, per opcode
    DWORD dwReserved;  // not interpreted
} CAMERA_REPLY, *PCAMERA_REPLY;

static_assert(sizeof(CAMERA_REPLY) == 16, "CAMERA_REPLY is 16 bytes");
static_assert(offsetof(CAMERA_REPLY, wError) == 2, "wError at 2");
static_assert(offsetof(CAMERA_REPLY, dwStamp) == 4, "dwStamp at 4");
static_assert(offsetof(CAMERA_REPLY, dwValue) == 8, "dwValue at 8");
static_assert(offsetof(CAMERA_REPLY, dwReserved) == 12, "dwReserved at 12");

// Input of GET_DESCRIPTOR: which standard USB descriptor to read.
typedef struct _DESCRIPTOR_REQUEST {
    BYTE bDescriptorType;  // 1 device ... 5 endpoint; 3 string
    BYTE bDescriptorIndex;
    WORD wLanguageId;      // of a string descriptor
} DESCRIPTOR_REQUEST, *PDESCRIPTOR_REQUEST;

static_assert(sizeof(DESCRIPTOR_REQUEST) == 4, "DESCRIPTOR_REQUEST is 4 bytes");
static_assert(offsetof(DESCRIPTOR_REQUEST, bDescriptorIndex) == 1, "bDescriptorIndex at 1");
static_assert(offsetof(DESCRIPTOR_REQUEST, wLanguageId) == 2, "wLanguageId at 2");

#define USB_STRING_DESCRIPTOR_TYPE 3

// Output of GET_CHANNEL_INFO.
typedef struct _CHANNEL_INFO {
    DWORD EventChannelSize;
    DWORD uReadDataAlignment;
    DWORD uWriteDataAlignment;
} CHANNEL_INFO, *PCHANNEL_INFO;

static_assert(sizeof(CHANNEL_INFO) == 12, "CHANNEL_INFO is 12 bytes");
static_assert(offsetof(CHANNEL_INFO, uReadDataAlignment) == 4, "uReadDataAlignment at 4");
static_assert(offsetof(CHANNEL_INFO, uWriteDataAlignment) == 8, "uWriteDataAlignment at 8");
