#include "Device/DeviceOperation.h"

namespace {
// A cancelled request completes at once; this only bounds the wait for it
// in case the kernel driver is slow to let go.
const DWORD kCancelWaitMs = 8000;
}

CDeviceOperation::CDeviceOperation(HANDLE hDevice) : m_hDevice(hDevice), m_overlapped(), m_dwError(0)
{
    m_overlapped.hEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
}

CDeviceOperation::~CDeviceOperation()
{
    if (m_overlapped.hEvent) CloseHandle(m_overlapped.hEvent);
}

StepEnd CDeviceOperation::Control(DWORD dwCode, LPVOID pIn, DWORD cbIn, LPVOID pOut, DWORD cbOut, DWORD dwWaitMs)
{
    BOOL bSubmitted = DeviceIoControl(m_hDevice, dwCode, pIn, cbIn, pOut, cbOut, NULL, &m_overlapped);
    return Await(bSubmitted, dwWaitMs);
}

StepEnd CDeviceOperation::Read(LPVOID pBuffer, DWORD cbRead, DWORD dwWaitMs)
{
    BOOL bSubmitted = ReadFile(m_hDevice, pBuffer, cbRead, NULL, &m_overlapped);
    return Await(bSubmitted, dwWaitMs);
}

BOOL CDeviceOperation::ControlNoWait(DWORD dwCode, LPVOID pIn, DWORD cbIn)
{
    if (DeviceIoControl(m_hDevice, dwCode, pIn, cbIn, NULL, 0, NULL, &m_overlapped)) return TRUE;
    m_dwError = GetLastError();
    if (m_dwError == ERROR_IO_PENDING) CancelOutstanding();
    SetLastError(m_dwError);
    return FALSE;
}

StepEnd CDeviceOperation::Await(BOOL bSubmitted, DWORD dwWaitMs)
{
    if (!bSubmitted) {
        m_dwError = GetLastError();
        if (m_dwError != ERROR_IO_PENDING) return StepEnd::SubmissionFailed;
    }
    if (WaitForSingleObject(m_overlapped.hEvent, dwWaitMs) == WAIT_OBJECT_0) return StepEnd::Completed;
    // The error is taken before the cancellation can change it.
    m_dwError = GetLastError();
    CancelOutstanding();
    return StepEnd::TimedOut;
}

void CDeviceOperation::CancelOutstanding()
{
    CancelIo(m_hDevice);
    // The event fires once more: for the cancellation, or for a completion
    // that came in after the wait ran out. Taking that signal leaves the
    // event clear for the next step.
    WaitForSingleObject(m_overlapped.hEvent, kCancelWaitMs);
}

BOOL CDeviceOperation::GetTransferred(LPDWORD pcbTransferred)
{
    return GetOverlappedResult(m_hDevice, &m_overlapped, pcbTransferred, FALSE);
}
