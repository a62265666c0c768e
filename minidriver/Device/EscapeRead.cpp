// ESC_READ_DIRECTORY and ESC_READ_FILE: one command, the data in chunks of
// at most 65,536 bytes through one bounce buffer, then the command's reply.
#include "Device/DriverStatus.h"
#include "Device/EscapeCall.h"
#include "Device/PipeSteps.h"

namespace {

const DWORD kHighestReadOffset = ESC_HIGHEST_READ_OFFSET;
// The camera is given this long after the data before its reply is read.
const DWORD kFinalStatusDelayMs = 10;
const TracePoints kReadSend = {1071, 1079};
const TracePoints kReadChunk = {1107, 1116};
const TracePoints kReadFinalStatus = {1159, 1168};
static_assert(CAMERA_MAX_TRANSFER <= CDeviceOperation::kLargestOutput, "a chunk fits the step area");

DWORD ChunkCount(DWORD dwLength)
{
    return dwLength / CAMERA_MAX_TRANSFER + (dwLength % CAMERA_MAX_TRANSFER != 0 ? 1 : 0);
}

}  // namespace

HRESULT CCameraUsd::EscRead(EscapeCall& call, WORD wOpcode)
{
    call.SetActual(0);
    if (!IsOpcodePermitted(wOpcode)) return S_FALSE;
    if (!HasDevice()) return HRESULT_FROM_WIN32(ERROR_NOT_READY);
    if (!call.HasParams() || !call.pOut) return E_INVALIDARG;
    ESC_PARAMS params = call.Params();
    if (params.dwParam > kHighestReadOffset || params.dwLength > call.cbOut) return E_INVALIDARG;

    BuildCameraCommand(&call.command, wOpcode);
    call.command.dwParam = params.dwParam;
    call.command.dwLength = params.dwLength;
    if (wOpcode == CAM_OP_READ_FILE) CopyMemory(call.command.szName, params.szName, sizeof(call.command.szName));
    return RunRead(call, params);
}

HRESULT CCameraUsd::RunRead(EscapeCall& call, const ESC_PARAMS& params)
{
    bool bCameraClear;
    StepEnd end = SendCameraCommand(call.operation, &call.command);
    if (end != StepEnd::Completed) return FailedStepResult(end, call.operation.Error(), kReadSend, &bCameraClear);
    bool bEnded;
    HRESULT hr = ReadDataPhase(call, params.dwLength, &bEnded);
    if (bEnded) return hr;
    return ReadFinalStatus(call);
}

// Reads the data into the out buffer; each chunk passes through the
// operation's step area, the one bounce buffer of the read. *pbEnded tells
// that the command ends here with the result returned; otherwise the final
// status follows.
HRESULT CCameraUsd::ReadDataPhase(EscapeCall& call, DWORD dwLength, bool* pbEnded)
{
    *pbEnded = true;
    DWORD dwChunks = ChunkCount(dwLength);
    DWORD dwActual = 0;
    for (DWORD i = 0; i < dwChunks; i++) {
        DWORD dwOffset = i * CAMERA_MAX_TRANSFER;
        DWORD cbChunk = dwLength - dwOffset < CAMERA_MAX_TRANSFER ? dwLength - dwOffset : CAMERA_MAX_TRANSFER;
        BYTE* pChunk = static_cast<BYTE*>(call.pOut) + dwOffset;
        StepEnd end = call.operation.Read(pChunk, cbChunk, kTransferWaitMs);
        if (end != StepEnd::Completed) {
            bool bCameraClear;
            HRESULT hr = FailedStepResult(end, call.operation.Error(), kReadChunk, &bCameraClear);
            // A refused read while the camera reports no error ends the data
            // early; the reply is still read.
            if (end == StepEnd::SubmissionFailed && bCameraClear) break;
            return hr;
        }
        DWORD cbRead = 0;
        if (!call.operation.GetTransferred(&cbRead)) return E_FAIL;
        if (cbRead > cbChunk) cbRead = cbChunk;
        // The count tells how far the data phase got, and never counts
        // bytes that did not arrive: a chunk cut short fails the transfer.
        dwActual += cbRead;
        call.SetActual(dwActual);
        if (cbRead < cbChunk) return E_FAIL;
    }
    *pbEnded = false;
    return S_OK;
}

HRESULT CCameraUsd::ReadFinalStatus(EscapeCall& call)
{
    Sleep(kFinalStatusDelayMs);
    StepEnd end = call.operation.Read(&call.reply, sizeof(call.reply), kTransferWaitMs);
    if (end != StepEnd::Completed) {
        bool bCameraClear;
        return FailedStepResult(end, call.operation.Error(), kReadFinalStatus, &bCameraClear);
    }
    DWORD cbRead = 0;
    if (!call.operation.GetTransferred(&cbRead) || cbRead < sizeof(call.reply)) return E_FAIL;
    if (!DoesReplyMatch(call.reply, call.command)) return HRESULT_FROM_WIN32(ERROR_SERVICE_SPECIFIC_ERROR);
    return StatusToHResult(call.reply.dwValue);
}
