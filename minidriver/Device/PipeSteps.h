// The two pipe requests that carry camera commands and replies, and how a
// reply is judged.
#pragma once

#include "Device/DeviceOperation.h"
#include "Device/KernelInterface.h"

// Every escape step may take this long.
const DWORD kTransferWaitMs = 8000;

// SEND_COMMAND with the 32-byte command block; no output.
StepEnd SendCameraCommand(CDeviceOperation& operation, PCAMERA_COMMAND pCommand);
// GET_REPLY for an opcode: the reply goes to pReply (as the pipe request's
// buffer and as the output buffer).
StepEnd FetchCameraReply(CDeviceOperation& operation, DWORD dwOpcode, PCAMERA_REPLY pReply);

// A fresh command: zeroed, type 1, the opcode and the current tick count.
void BuildCameraCommand(PCAMERA_COMMAND pCommand, WORD wOpcode);

// wState 3 and wError 0.
bool IsReplyWellFormed(const CAMERA_REPLY& reply);
// Well formed and carrying the command's stamp.
bool DoesReplyMatch(const CAMERA_REPLY& reply, const CAMERA_COMMAND& command);
