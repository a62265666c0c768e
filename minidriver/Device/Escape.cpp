// IStiUSD::Escape: the frame of every call and the commands that are one
// command and one reply (directory size, plain command, version, delete).
// The order of the checks in each procedure decides which error a call with
// several faults gets; it is part of the protocol.
#include "Device/DriverStatus.h"
#include "Device/EscapeCall.h"
#include "Device/PipeSteps.h"

namespace {

const TracePoints kDirectorySizeReply = {943, 965};
const TracePoints kCommandSend = {648, 655};
const TracePoints kCommandReply = {680, 688};
const TracePoints kDeleteSend = {770, 777};
const TracePoints kDeleteReply = {802, 810};

}  // namespace

STDMETHODIMP CCameraUsd::Escape(STI_RAW_CONTROL_CODE EscapeFunction, LPVOID lpInData, DWORD cbInDataSize,
                                LPVOID pOutData, DWORD dwOutDataSize, LPDWORD pdwActualData)
{
    EnterCriticalSection(&m_csLock);
    HRESULT hr = E_OUTOFMEMORY;
    {
        CDeviceOperation operation(m_hDevice);
        if (operation.IsReady()) {
            EscapeCall call = {EscapeFunction, lpInData, cbInDataSize, pOutData, dwOutDataSize, pdwActualData,
                               operation, {}, {}};
            hr = RunEscape(call);
        }
    }
    LeaveCriticalSection(&m_csLock);
    return hr;
}

HRESULT CCameraUsd::RunEscape(EscapeCall& call)
{
    switch (call.dwCode) {
        case ESC_GET_DIRECTORY_SIZE:
            return EscGetDirectorySize(call);
        case ESC_READ_DIRECTORY:
            return EscRead(call, CAM_OP_READ_DIRECTORY);
        case ESC_READ_FILE:
            return EscRead(call, CAM_OP_READ_FILE);
        case ESC_PLAIN_COMMAND:
            return EscPlainOrVersion(call, CAM_OP_PLAIN);
        case ESC_GET_VERSION:
            return EscPlainOrVersion(call, CAM_OP_VERSION);
        case ESC_GET_USB_DESCRIPTOR:
            return EscGetUsbDescriptor(call);
        case ESC_RESET:
            return EscReset(call);
        case ESC_DELETE_FILE:
            return EscDeleteFile(call);
        case ESC_SET_TRANSFER_SIZE:
            return EscSetTransferSize(call);
        case ESC_SET_NOTIFY_WINDOW:
            return EscSetNotifyWindow(call);
        default:
            return S_FALSE;
    }
}

HRESULT CCameraUsd::EscGetDirectorySize(EscapeCall& call)
{
    if (!IsOpcodePermitted(CAM_OP_DIRECTORY_SIZE)) return S_FALSE;
    if (!call.pOut || call.cbOut < sizeof(DWORD)) return E_INVALIDARG;
    if (!HasDevice()) return HRESULT_FROM_WIN32(ERROR_NOT_READY);

    // The camera answers the size when asked; no command goes first, so the
    // stamp is not compared.
    StepEnd end = FetchCameraReply(call.operation, CAM_OP_DIRECTORY_SIZE, &call.reply);
    if (end != StepEnd::Completed) {
        bool bCameraClear;
        return FailedStepResult(end, call.operation.Error(), kDirectorySizeReply, &bCameraClear);
    }
    // A reply cut short would hand back a size the camera never sent.
    DWORD cbReply = 0;
    if (!call.operation.GetTransferred(&cbReply) || cbReply < sizeof(call.reply)) return E_FAIL;
    if (!IsReplyWellFormed(call.reply)) return HRESULT_FROM_WIN32(ERROR_SERVICE_SPECIFIC_ERROR);
    call.StoreOutDword(call.reply.dwValue);
    call.SetActual(sizeof(DWORD));
    return S_OK;
}

// Sends call.command and fetches its reply into call.reply. Returns with
// *pbDone false when both steps completed; otherwise the escape's result.
HRESULT CCameraUsd::SendAndFetch(EscapeCall& call, TracePoints sendPoints, TracePoints replyPoints, bool* pbDone)
{
    bool bCameraClear;
    *pbDone = true;
    StepEnd end = SendCameraCommand(call.operation, &call.command);
    if (end != StepEnd::Completed) return FailedStepResult(end, call.operation.Error(), sendPoints, &bCameraClear);
    end = FetchCameraReply(call.operation, call.command.wOpcode, &call.reply);
    if (end != StepEnd::Completed) return FailedStepResult(end, call.operation.Error(), replyPoints, &bCameraClear);
    *pbDone = false;
    return S_OK;
}

HRESULT CCameraUsd::EscPlainOrVersion(EscapeCall& call, WORD wOpcode)
{
    if (!IsOpcodePermitted(wOpcode)) return S_FALSE;
    bool bVersion = wOpcode == CAM_OP_VERSION;
    if (bVersion ? (!call.pOut || call.cbOut < sizeof(DWORD)) : !call.HasExactParams()) return E_INVALIDARG;
    if (!HasDevice()) return E_ACCESSDENIED;

    BuildCameraCommand(&call.command, wOpcode);
    if (bVersion) call.command.dwParam = CAM_LOWEST_VERSION;
    bool bDone;
    HRESULT hr = SendAndFetch(call, kCommandSend, kCommandReply, &bDone);
    if (bDone) return hr;

    hr = DoesReplyMatch(call.reply, call.command) ? S_OK : HRESULT_FROM_WIN32(ERROR_SERVICE_SPECIFIC_ERROR);
    if (bVersion) {
        // The version is handed back even from a reply that does not match.
        call.StoreOutDword(call.reply.dwValue);
        if (call.reply.dwValue < CAM_LOWEST_VERSION) hr = HRESULT_FROM_WIN32(ERROR_BAD_DRIVER_LEVEL);
        call.SetActual(sizeof(DWORD));
    }
    return hr;
}

HRESULT CCameraUsd::EscDeleteFile(EscapeCall& call)
{
    if (!IsOpcodePermitted(CAM_OP_DELETE_FILE)) return S_FALSE;
    if (!call.HasExactParams()) return E_INVALIDARG;
    BuildCameraCommand(&call.command, CAM_OP_DELETE_FILE);
    ESC_PARAMS params = call.Params();
    CopyMemory(call.command.szName, params.szName, sizeof(call.command.szName));
    if (!HasDevice()) return E_ACCESSDENIED;

    bool bDone;
    HRESULT hr = SendAndFetch(call, kDeleteSend, kDeleteReply, &bDone);
    if (bDone) return hr;

    // A delete's status travels in wError.
    bool bOurs = call.reply.wState == CAMERA_REPLY_DONE && call.reply.dwStamp == call.command.dwStamp;
    DWORD dwStatus = bOurs ? call.reply.wError : CAM_ERR_BAD_REPLY;
    call.SetActual(0);
    return StatusToHResult(dwStatus);
}
