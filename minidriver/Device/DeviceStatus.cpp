// Status, last error, diagnostics and reset. Each asks the camera afresh;
// nothing of the device's state is kept between calls.
#include "Device/CameraUsd.h"
#include "Device/DriverStatus.h"
#include "Device/PipeSteps.h"

#include <stddef.h>
#include <stdio.h>

namespace {

const char kDumpFile[] = "c:\\stilldrv.log";
const DWORD kDumpSize = 512;
const BYTE kProductStringIndex = 2;
const WORD kLanguageEnglishUs = 0x0409;
const DWORD kFullResetSelector = 3;

// The part of an STI_ERROR_INFO that GetLastErrorInfo writes.
const SIZE_T kErrorInfoWritten = offsetof(STI_ERROR_INFO, szExtendedErrorText) + sizeof(WCHAR);

}  // namespace

STDMETHODIMP CCameraUsd::GetStatus(PSTI_DEVICE_STATUS pDevStatus)
{
    if (!pDevStatus) return E_INVALIDARG;
    EnterCriticalSection(&m_csLock);
    HRESULT hr = S_OK;
    pDevStatus->dwOnlineState = 0;
    if (pDevStatus->StatusMask & STI_DEVSTATUS_ONLINE_STATE) {
        if (!HasDevice()) {
            hr = E_ACCESSDENIED;
        } else {
            CAMERA_REPLY reply;
            DWORD dwStatus = QueryDeviceStatus(&reply, sizeof(reply));
            if (dwStatus == CAM_ERR_NONE) {
                pDevStatus->dwOnlineState = STI_ONLINESTATE_OPERATIONAL;
                pDevStatus->dwHardwareStatusCode = reply.dwValue;
            } else {
                pDevStatus->dwOnlineState =
                    dwStatus == CAM_ERR_DEVICE_LOST ? STI_ONLINESTATE_OFFLINE : STI_ONLINESTATE_ERROR;
                pDevStatus->dwHardwareStatusCode = dwStatus;
            }
        }
    }
    pDevStatus->dwEventHandlingState &= ~static_cast<DWORD>(STI_EVENTHANDLING_PENDING);
    if ((pDevStatus->StatusMask & STI_DEVSTATUS_EVENTS_STATE) && m_pEventPool && m_pEventPool->PendingCount() > 0)
        pDevStatus->dwEventHandlingState |= STI_EVENTHANDLING_PENDING;
    LeaveCriticalSection(&m_csLock);
    return hr;
}

STDMETHODIMP CCameraUsd::GetLastError(LPDWORD pdwLastDeviceError)
{
    EnterCriticalSection(&m_csLock);
    HRESULT hr = E_INVALIDARG;
    if (!IsBadWritePtr(pdwLastDeviceError, sizeof(DWORD))) {
        CAMERA_REPLY reply;
        DWORD dwStatus = QueryDeviceStatus(&reply, sizeof(reply));
        hr = StatusToHResult(dwStatus);
        if (dwStatus == CAM_ERR_NONE) *pdwLastDeviceError = reply.dwValue;
    }
    LeaveCriticalSection(&m_csLock);
    return hr;
}

STDMETHODIMP CCameraUsd::GetLastErrorInfo(STI_ERROR_INFO* pLastErrorInfo)
{
    EnterCriticalSection(&m_csLock);
    HRESULT hr = E_INVALIDARG;
    if (!IsBadWritePtr(pLastErrorInfo, kErrorInfoWritten)) {
        CAMERA_REPLY reply;
        DWORD dwStatus = QueryDeviceStatus(&reply, sizeof(reply));
        if (dwStatus == CAM_ERR_NONE) pLastErrorInfo->dwVendorError = reply.dwValue;
        pLastErrorInfo->dwGenericError = static_cast<DWORD>(StatusToHResult(dwStatus));
        pLastErrorInfo->szExtendedErrorText[0] = L'\0';
        hr = S_OK;
    }
    LeaveCriticalSection(&m_csLock);
    return hr;
}

STDMETHODIMP CCameraUsd::Diagnostic(LPSTI_DIAG pBuffer)
{
    if (!pBuffer) return E_INVALIDARG;
    EnterCriticalSection(&m_csLock);
    pBuffer->dwStatusMask = 0;
    ZeroMemory(&pBuffer->sErrorInfo, sizeof(pBuffer->sErrorInfo));
    LeaveCriticalSection(&m_csLock);
    return S_OK;
}

// ---- Reset ---------------------------------------------------------------------------

STDMETHODIMP CCameraUsd::DeviceReset()
{
    EnterCriticalSection(&m_csLock);
    HRESULT hr = E_OUTOFMEMORY;
    {
        CDeviceOperation operation(m_hDevice);
        if (operation.IsReady()) {
            // Neither of the first two steps changes the reset's result.
            DumpProductString(operation);
            TraceChannelInfo(operation);
            hr = HasDevice() ? ResetDevice(operation) : HRESULT_FROM_WIN32(ERROR_NOT_READY);
        }
    }
    LeaveCriticalSection(&m_csLock);
    return hr;
}

// Writes the camera's product string (string descriptor 2) to the dump file,
// zero-filled to 512 bytes.
void CCameraUsd::DumpProductString(CDeviceOperation& operation)
{
    BYTE abDescriptor[kDumpSize] = {};
    DESCRIPTOR_REQUEST request = {USB_STRING_DESCRIPTOR_TYPE, kProductStringIndex, kLanguageEnglishUs};
    StepEnd end = operation.Control(IOCTL_CAMERA_GET_DESCRIPTOR, &request, sizeof(request), abDescriptor,
                                    sizeof(abDescriptor), kTransferWaitMs);
    if (end == StepEnd::TimedOut) {
        Trace("Get descriptor failed due to time out\n");
        return;
    }
    DWORD cbDescriptor = 0;
    // A request the kernel driver completed with an error read nothing: the
    // last good dump stays.
    if (end == StepEnd::SubmissionFailed || !operation.GetTransferred(&cbDescriptor)) {
        DWORD dwError = end == StepEnd::SubmissionFailed ? operation.Error() : ::GetLastError();
        Trace("Get descriptor failed, win32 error: 0x%x\n", static_cast<unsigned>(dwError));
        return;
    }
    Trace("Get descriptor succeeded\n");
    FILE* pFile = fopen(kDumpFile, "wb");
    if (!pFile) return;
    fwrite(abDescriptor, 1, sizeof(abDescriptor), pFile);
    fclose(pFile);
}

void CCameraUsd::TraceChannelInfo(CDeviceOperation& operation)
{
    CHANNEL_INFO info = {};
    StepEnd end =
        operation.Control(IOCTL_CAMERA_GET_CHANNEL_INFO, NULL, 0, &info, sizeof(info), kTransferWaitMs);
    if (end != StepEnd::Completed) return;
    Trace("EventChannelSize=%d, uReadDataAlignment=%d, uWriteDataAlignment=%d",
          static_cast<int>(info.EventChannelSize), static_cast<int>(info.uReadDataAlignment),
          static_cast<int>(info.uWriteDataAlignment));
}

HRESULT CCameraUsd::ResetDevice(CDeviceOperation& operation)
{
    DWORD dwSelector = kFullResetSelector;
    StepEnd end = operation.Control(IOCTL_CAMERA_RESET, &dwSelector, sizeof(dwSelector), NULL, 0, kTransferWaitMs);
    if (end == StepEnd::SubmissionFailed) {
        DWORD dwError = operation.Error();
        return SubmissionErrorResult(dwError);
    }
    if (end == StepEnd::TimedOut) return TimedOutWithoutTrace();
    return S_OK;
}
