// The escapes that talk to the kernel driver itself rather than to the
// camera's command set (USB descriptor, reset), and the two settings.
#include "Device/DriverStatus.h"
#include "Device/EscapeCall.h"
#include "Device/PipeSteps.h"

namespace {

const TracePoints kDescriptorPoints = {1227, kNoTracePoint};
const DWORD kLowestDescriptorType = 1;   // device
const DWORD kHighestDescriptorType = 5;  // endpoint
const DWORD kTransferSize = CAMERA_MAX_TRANSFER;

}  // namespace

HRESULT CCameraUsd::EscGetUsbDescriptor(EscapeCall& call)
{
    if (!HasDevice()) return HRESULT_FROM_WIN32(ERROR_NOT_READY);
    if (!call.HasParams() || !call.pOut || call.cbOut == 0) return E_INVALIDARG;
    ESC_PARAMS params = call.Params();
    DWORD dwType = params.dwParam >> 16;
    if (dwType < kLowestDescriptorType || dwType > kHighestDescriptorType) return E_INVALIDARG;

    DESCRIPTOR_REQUEST request = {static_cast<BYTE>(dwType), static_cast<BYTE>(params.dwParam & 0xFF), 0};
    StepEnd end = call.operation.Control(IOCTL_CAMERA_GET_DESCRIPTOR, &request, sizeof(request), call.pOut,
                                         call.cbOut, kTransferWaitMs);
    if (end == StepEnd::SubmissionFailed) {
        bool bCameraClear;
        return FailedStepResult(end, call.operation.Error(), kDescriptorPoints, &bCameraClear);
    }
    if (end == StepEnd::TimedOut) return TimedOutWithoutTrace();
    DWORD cbDescriptor = 0;
    if (!call.operation.GetTransferred(&cbDescriptor)) return E_FAIL;
    call.SetActual(cbDescriptor);
    return S_OK;
}

// The reset selector goes to the kernel driver, which is not waited for: a
// request it leaves pending is reported as such (and cancelled, so that it
// does not outlive this call).
HRESULT CCameraUsd::EscReset(EscapeCall& call)
{
    if (!HasDevice()) return HRESULT_FROM_WIN32(ERROR_NOT_READY);
    if (!call.pIn || call.cbIn < sizeof(DWORD)) return E_INVALIDARG;
    DWORD dwSelector;
    CopyMemory(&dwSelector, call.pIn, sizeof(dwSelector));
    if (call.operation.ControlNoWait(IOCTL_CAMERA_RESET, &dwSelector, sizeof(dwSelector))) return S_OK;
    DWORD dwError = call.operation.Error();
    return SubmissionErrorResult(dwError);
}

// The chunk size of the reads is fixed; the only size accepted is it.
HRESULT CCameraUsd::EscSetTransferSize(const EscapeCall& call)
{
    if (!call.HasExactParams() || call.Params().dwParam != kTransferSize) return E_INVALIDARG;
    return S_OK;
}

// The window is checked, then forgotten: the driver sends it nothing.
HRESULT CCameraUsd::EscSetNotifyWindow(const EscapeCall& call)
{
    if (!call.HasExactParams()) return E_INVALIDARG;
    HWND hWnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(call.Params().dwParam));
    if (!IsWindow(hWnd)) return E_INVALIDARG;
    return S_OK;
}
