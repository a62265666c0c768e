#include "Device/DeviceOperation.h"

namespace {
// A cancelled request completes at once; this only bounds the wait for it
// in case the kernel driver is slow to let go.
const DWORD kCancelWaitMs = 8000;
}

struct CDeviceOperation::StepArea {
    OVERLAPPED overlapped;
    BYTE abNamed[kLargestNamedBlock];
    BYTE abOutput[kLargestOutput];
};

CDeviceOperation::StepArea* CDeviceOperation::NewArea()
{
    auto* pArea = static_cast<StepArea*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(StepArea)));
    if (!pArea) return NULL;
    pArea->overlapped.hEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (!pArea->overlapped.hEvent) {
        HeapFree(GetProcessHeap(), 0, pArea);
        return NULL;
    }
    return pArea;
}

CDeviceOperation::CDeviceOperation(HANDLE hDevice) : m_hDevice(hDevice), m_pArea(NewArea()), m_dwError(0) {}

CDeviceOperation::~CDeviceOperation()
{
    if (!m_pArea) return;
    CloseHandle(m_pArea->overlapped.hEvent);
    HeapFree(GetProcessHeap(), 0, m_pArea);
}

LPVOID CDeviceOperation::NameBlock(const void* pBlock, DWORD cbBlock)
{
    if (!m_pArea || cbBlock > sizeof(m_pArea->abNamed)) return NULL;
    CopyMemory(m_pArea->abNamed, pBlock, cbBlock);
    return m_pArea->abNamed;
}

bool CDeviceOperation::HasArea()
{
    if (m_pArea) return true;
    m_dwError = ERROR_NOT_ENOUGH_MEMORY;
    return false;
}

StepEnd CDeviceOperation::Control(DWORD dwCode, LPVOID pIn, DWORD cbIn, LPVOID pOut, DWORD cbOut, DWORD dwWaitMs)
{
    if (!HasArea()) return StepEnd::SubmissionFailed;
    if (cbOut > kLargestOutput) cbOut = kLargestOutput;
    LPVOID pStaged = pOut ? m_pArea->abOutput : NULL;
    BOOL bSubmitted = DeviceIoControl(m_hDevice, dwCode, pIn, cbIn, pStaged, pOut ? cbOut : 0, NULL,
                                      &m_pArea->overlapped);
    return Await(bSubmitted, dwWaitMs, pOut, cbOut);
}

StepEnd CDeviceOperation::Read(LPVOID pBuffer, DWORD cbRead, DWORD dwWaitMs)
{
    if (!HasArea()) return StepEnd::SubmissionFailed;
    if (cbRead > kLargestOutput) {
        m_dwError = ERROR_INVALID_PARAMETER;
        return StepEnd::SubmissionFailed;
    }
    BOOL bSubmitted = ReadFile(m_hDevice, m_pArea->abOutput, cbRead, NULL, &m_pArea->overlapped);
    return Await(bSubmitted, dwWaitMs, pBuffer, cbRead);
}

BOOL CDeviceOperation::ControlNoWait(DWORD dwCode, LPVOID pIn, DWORD cbIn)
{
    if (!HasArea()) {
        SetLastError(m_dwError);
        return FALSE;
    }
    if (DeviceIoControl(m_hDevice, dwCode, pIn, cbIn, NULL, 0, NULL, &m_pArea->overlapped)) return TRUE;
    m_dwError = GetLastError();
    if (m_dwError == ERROR_IO_PENDING) CancelOutstanding();
    SetLastError(m_dwError);
    return FALSE;
}

StepEnd CDeviceOperation::Await(BOOL bSubmitted, DWORD dwWaitMs, LPVOID pOut, DWORD cbOut)
{
    if (!bSubmitted) {
        m_dwError = GetLastError();
        if (m_dwError != ERROR_IO_PENDING) return StepEnd::SubmissionFailed;
    }
    StepArea* pArea = m_pArea;
    if (WaitForSingleObject(pArea->overlapped.hEvent, dwWaitMs) == WAIT_OBJECT_0) {
        DeliverOutput(pArea, pOut, cbOut);
        return StepEnd::Completed;
    }
    // The error is taken before the cancellation can change it.
    m_dwError = GetLastError();
    CancelOutstanding();
    if (m_pArea == pArea) DeliverOutput(pArea, pOut, cbOut);
    return StepEnd::TimedOut;
}

void CDeviceOperation::CancelOutstanding()
{
    CancelIo(m_hDevice);
    // The event fires once more: for the cancellation, or for a completion
    // that came in after the wait ran out. Taking that signal leaves the
    // event clear for the next step.
    WaitForSingleObject(m_pArea->overlapped.hEvent, kCancelWaitMs);
    if (HasOverlappedIoCompleted(&m_pArea->overlapped)) return;
    // The kernel driver still holds the request, and with it the step area
    // and its event: they stay as they are for good. The next step gets a
    // fresh area; without one, the operation cannot go on.
    m_pArea = NewArea();
}

// Output reaches the caller only from a request that completed well,
// whenever that was.
void CDeviceOperation::DeliverOutput(StepArea* pArea, LPVOID pOut, DWORD cbOut)
{
    DWORD cbDone = 0;
    if (!pOut || !HasOverlappedIoCompleted(&pArea->overlapped)) return;
    DWORD dwError = GetLastError();
    if (GetOverlappedResult(m_hDevice, &pArea->overlapped, &cbDone, FALSE))
        CopyMemory(pOut, pArea->abOutput, cbDone < cbOut ? cbDone : cbOut);
    SetLastError(dwError);
}

BOOL CDeviceOperation::GetTransferred(LPDWORD pcbTransferred)
{
    if (!HasArea()) {
        SetLastError(m_dwError);
        return FALSE;
    }
    return GetOverlappedResult(m_hDevice, &m_pArea->overlapped, pcbTransferred, FALSE);
}
