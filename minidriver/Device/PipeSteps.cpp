#include "Device/PipeSteps.h"

// The blocks that a PIPE_REQUEST names by address are handed over in the
// operation's step area, which outlives the request.
StepEnd SendCameraCommand(CDeviceOperation& operation, PCAMERA_COMMAND pCommand)
{
    PIPE_REQUEST request = {pCommand->wOpcode, sizeof(CAMERA_COMMAND),
                            operation.NameBlock(pCommand, sizeof(CAMERA_COMMAND)), 0};
    return operation.Control(IOCTL_CAMERA_SEND_COMMAND, &request, sizeof(request), NULL, 0, kTransferWaitMs);
}

StepEnd FetchCameraReply(CDeviceOperation& operation, DWORD dwOpcode, PCAMERA_REPLY pReply)
{
    PIPE_REQUEST request = {dwOpcode, sizeof(CAMERA_REPLY), operation.NameBlock(pReply, sizeof(CAMERA_REPLY)), 0};
    return operation.Control(IOCTL_CAMERA_GET_REPLY, &request, sizeof(request), pReply, sizeof(CAMERA_REPLY),
                             kTransferWaitMs);
}

void BuildCameraCommand(PCAMERA_COMMAND pCommand, WORD wOpcode)
{
    ZeroMemory(pCommand, sizeof(CAMERA_COMMAND));
    pCommand->wType = CAMERA_COMMAND_TYPE;
    pCommand->wOpcode = wOpcode;
    pCommand->dwStamp = GetTickCount();
}

bool IsReplyWellFormed(const CAMERA_REPLY& reply) { return reply.wState == CAMERA_REPLY_DONE && reply.wError == 0; }

bool DoesReplyMatch(const CAMERA_REPLY& reply, const CAMERA_COMMAND& command)
{
    return IsReplyWellFormed(reply) && reply.dwStamp == command.dwStamp;
}
