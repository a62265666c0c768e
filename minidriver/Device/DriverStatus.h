// Camera opcodes and the driver's status codes. A status code is what the
// driver's internal steps return: 0 for success, the driver's own values
// below, or any other value as the camera reported it.
#pragma once

#include <windows.h>

// Camera opcodes: the wOpcode of a command and the dwRequest of a pipe request.
#define CAM_OP_STATUS 1
#define CAM_OP_DIRECTORY_SIZE 2
#define CAM_OP_READ_DIRECTORY 3
#define CAM_OP_READ_FILE 4
#define CAM_OP_PLAIN 6
#define CAM_OP_VERSION 7
#define CAM_OP_DELETE_FILE 16

// The driver's own status codes.
#define CAM_ERR_NONE 0
#define CAM_ERR_NOT_PERMITTED 2    // opcode not permitted in the open mode, or code not supported
#define CAM_ERR_BAD_REPLY 8        // reply not well formed or not matching its command
#define CAM_ERR_NO_ANSWER 13       // the status query could not be submitted, twice
#define CAM_ERR_DEVICE_LOST 14     // no device handle, or the device is gone
#define CAM_ERR_BAD_PARAMETER 225  // escape buffers or parameters invalid

// Codes the camera itself reports (in a reply's dwValue) that the status table
// sorts; they are known only by these two kinds. Any other code of the
// camera's is a plain failure (E_FAIL).
// The camera did not carry the command out, as with CAM_ERR_NOT_PERMITTED (S_FALSE).
#define CAM_STATUS_NOT_DONE_7 7
#define CAM_STATUS_NOT_DONE_12 12
// A camera-side failure, reported like CAM_ERR_BAD_REPLY (ERROR_SERVICE_SPECIFIC_ERROR).
#define CAM_STATUS_FAILED_5 5
#define CAM_STATUS_FAILED_6 6
#define CAM_STATUS_FAILED_9 9
#define CAM_STATUS_FAILED_10 10
#define CAM_STATUS_FAILED_11 11
#define CAM_STATUS_FAILED_226 226
#define CAM_STATUS_FAILED_227 227

// The lowest camera version the driver works with; also sent with opcode 7.
#define CAM_LOWEST_VERSION 0x01000000
