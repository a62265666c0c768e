// The camera's escape command set: the one data format that the driver and
// the transfer program share. A program passes these codes and this record
// to IStiDevice::Escape; the Still Image service hands them unchanged to the
// driver's IStiUSD::Escape.
#pragma once

#include <windows.h>

#include <cstddef>

// Escape codes.
#define ESC_GET_DIRECTORY_SIZE 4098   // 0x1002: size in bytes of the picture directory
#define ESC_READ_DIRECTORY 4099       // 0x1003: a byte range of the picture directory
#define ESC_READ_FILE 4100            // 0x1004: a byte range of a named file
#define ESC_PLAIN_COMMAND 4102        // 0x1006: the parameterless command 6
#define ESC_GET_VERSION 4103          // 0x1007: the camera's version
#define ESC_GET_USB_DESCRIPTOR 4104   // 0x1008: a standard USB descriptor
#define ESC_RESET 4105                // 0x1009: a reset selector for the kernel driver
#define ESC_DELETE_FILE 4112          // 0x1010: delete a named file
#define ESC_SET_TRANSFER_SIZE 4129    // 0x1021: confirm the 65,536-byte transfer size
#define ESC_SET_NOTIFY_WINDOW 4130    // 0x1022: name a notification window

// The escape parameter record: 24 bytes, little-endian.
typedef struct _ESC_PARAMS {
    DWORD dwValue;   // ESC_SET_NOTIFY_WINDOW: a value to go with the window
    DWORD dwParam;   // read offset, descriptor type and index, transfer size or window handle
    DWORD dwLength;  // bytes to read
    char szName[12]; // 8.3 camera file name without the dot, NUL-terminated
} ESC_PARAMS, *PESC_PARAMS;

// ESC_READ_DIRECTORY and ESC_READ_FILE read from offsets up to this one.
#define ESC_HIGHEST_READ_OFFSET 0x100000

static_assert(sizeof(ESC_PARAMS) == 24, "ESC_PARAMS is 24 bytes");
static_assert(offsetof(ESC_PARAMS, dwValue) == 0, "dwValue at 0");
static_assert(offsetof(ESC_PARAMS, dwParam) == 4, "dwParam at 4");
static_assert(offsetof(ESC_PARAMS, dwLength) == 8, "dwLength at 8");
static_assert(offsetof(ESC_PARAMS, szName) == 12, "szName at 12");
