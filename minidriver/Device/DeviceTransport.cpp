// The transport's judgement: device-lost errors, the status-code table, the
// open-mode check, the status query with its single retry, the follow-up
// after a failed step, and the trace line.
#include "Device/CameraUsd.h"
#include "Device/DriverStatus.h"
#include "Device/PipeSteps.h"

#include <stdarg.h>

namespace {

const DWORD kStatusWaitMs = 1000;
const DWORD kStatusRetryDelayMs = 500;
const char kTraceSource[] = "minidriver/Device";

}  // namespace

bool CCameraUsd::HasDevice() const { return m_hDevice != NULL && m_hDevice != INVALID_HANDLE_VALUE; }

bool CCameraUsd::IsDeviceLostError(DWORD dwError)
{
    return dwError == ERROR_INVALID_HANDLE || dwError == ERROR_GEN_FAILURE || dwError == ERROR_SHARING_VIOLATION ||
           dwError == ERROR_DEV_NOT_EXIST;
}

// A submission that failed outright: a lost device is no error of the
// caller's, anything else is passed on as it came.
HRESULT CCameraUsd::SubmissionErrorResult(DWORD dwError)
{
    return IsDeviceLostError(dwError) ? S_FALSE : HRESULT_FROM_WIN32(dwError);
}

HRESULT CCameraUsd::StatusToHResult(DWORD dwStatus)
{
    switch (dwStatus) {
        case CAM_ERR_NONE:
            return S_OK;
        case CAM_ERR_NOT_PERMITTED:
        case CAM_STATUS_NOT_DONE_7:
        case CAM_STATUS_NOT_DONE_12:
        case CAM_ERR_DEVICE_LOST:
            return S_FALSE;
        case CAM_STATUS_FAILED_5:
        case CAM_STATUS_FAILED_6:
        case CAM_ERR_BAD_REPLY:
        case CAM_STATUS_FAILED_9:
        case CAM_STATUS_FAILED_10:
        case CAM_STATUS_FAILED_11:
        case CAM_STATUS_FAILED_226:
        case CAM_STATUS_FAILED_227:
            return HRESULT_FROM_WIN32(ERROR_SERVICE_SPECIFIC_ERROR);
        case CAM_ERR_BAD_PARAMETER:
            return E_INVALIDARG;
        default:
            return E_FAIL;
    }
}

bool CCameraUsd::IsOpcodePermitted(DWORD dwOpcode)
{
    DWORD dwMode = 0;
    if (!m_pDcb || m_pDcb->GetMyDeviceOpenMode(&dwMode) != S_OK) return false;
    switch (dwOpcode) {
        case CAM_OP_STATUS:
        case CAM_OP_PLAIN:
            return true;
        case CAM_OP_DIRECTORY_SIZE:
        case CAM_OP_READ_DIRECTORY:
        case CAM_OP_READ_FILE:
        case CAM_OP_VERSION:
        case CAM_OP_DELETE_FILE:
            return (dwMode & STI_DEVICE_CREATE_DATA) != 0;
        default:
            return false;
    }
}

// The camera's current state through GET_REPLY for opcode 1, into pReply.
// Its own operation and event: it runs in the middle of other operations.
DWORD CCameraUsd::QueryDeviceStatus(PCAMERA_REPLY pReply, DWORD cbReply)
{
    if (!HasDevice()) return CAM_ERR_DEVICE_LOST;
    if (!pReply || cbReply < sizeof(CAMERA_REPLY)) return CAM_ERR_BAD_PARAMETER;
    ZeroMemory(pReply, sizeof(CAMERA_REPLY));
    CAMERA_REPLY scratch = {};
    CDeviceOperation operation(m_hDevice);
    if (!operation.IsReady()) return CAM_ERR_NO_ANSWER;

    auto askStatus = [&] {
        PIPE_REQUEST request = {CAM_OP_STATUS, sizeof(CAMERA_REPLY), operation.NameBlock(&scratch, sizeof(scratch)),
                                0};
        return operation.Control(IOCTL_CAMERA_GET_REPLY, &request, sizeof(request), pReply, sizeof(CAMERA_REPLY),
                                 kStatusWaitMs);
    };
    StepEnd end = askStatus();
    if (end == StepEnd::SubmissionFailed) {
        if (IsDeviceLostError(operation.Error())) return CAM_ERR_DEVICE_LOST;
        Sleep(kStatusRetryDelayMs);
        end = askStatus();
        if (end == StepEnd::SubmissionFailed)
            return IsDeviceLostError(operation.Error()) ? CAM_ERR_DEVICE_LOST : CAM_ERR_NO_ANSWER;
    }
    // Whether or not the wait ran out: a reply still outstanding has left
    // the buffer zeroed, which is not well formed.
    return IsReplyWellFormed(*pReply) ? CAM_ERR_NONE : CAM_ERR_BAD_REPLY;
}

DWORD CCameraUsd::QueryDeviceError(HRESULT hrStep)
{
    if (hrStep == E_INVALIDARG) return CAM_ERR_BAD_PARAMETER;
    if (!HasDevice()) return CAM_ERR_DEVICE_LOST;
    CAMERA_REPLY reply;
    DWORD dwStatus = QueryDeviceStatus(&reply, sizeof(reply));
    if (dwStatus != CAM_ERR_NONE) return dwStatus;
    return reply.dwValue;
}

// The rules for an escape step that did not complete. *pbCameraClear is
// set when the submission failed but the camera reports no error: the
// escape then ends with S_OK and no output (a read's data phase goes on to
// its final status instead).
HRESULT CCameraUsd::FailedStepResult(StepEnd end, DWORD dwError, TracePoints points, bool* pbCameraClear)
{
    *pbCameraClear = false;
    if (IsDeviceLostError(dwError)) return S_FALSE;
    bool bTimedOut = end == StepEnd::TimedOut;
    TraceStepFailure(bTimedOut ? points.nTimeout : points.nSubmission, dwError);
    DWORD dwStatus = QueryDeviceError(HRESULT_FROM_WIN32(dwError));
    if (dwStatus != CAM_ERR_NONE) return StatusToHResult(dwStatus);
    if (bTimedOut) return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
    *pbCameraClear = true;
    return S_OK;
}

// A step's time-out judged by the camera's state alone (the descriptor
// escape and the reset).
HRESULT CCameraUsd::TimedOutWithoutTrace()
{
    DWORD dwStatus = QueryDeviceError(S_OK);
    return dwStatus != CAM_ERR_NONE ? StatusToHResult(dwStatus) : HRESULT_FROM_WIN32(ERROR_TIMEOUT);
}

// The driver's trace line. It is formatted, as a debugging aid would have
// it, and then dropped: the driver logs nowhere. Every format used is far
// shorter than the buffer.
void CCameraUsd::Trace(LPCSTR pszFormat, ...)
{
    char szLine[256];
    va_list args;
    va_start(args, pszFormat);
    int cch = wvsprintfA(szLine, pszFormat, args);
    va_end(args);
    if (cch < 0) cch = 0;
    if (cch > static_cast<int>(sizeof(szLine)) - 3) cch = static_cast<int>(sizeof(szLine)) - 3;
    lstrcpyA(szLine + cch, "\r\n");
}

void CCameraUsd::TraceStepFailure(int nTracePoint, DWORD dwError)
{
    Trace("%s, %d: WIN32 error %d, HRESULT 0x%08x", kTraceSource, nTracePoint, static_cast<int>(dwError),
          static_cast<unsigned>(HRESULT_FROM_WIN32(dwError)));
}
