// One operation on the camera's device handle: its OVERLAPPED and its own
// auto-reset event, used by each of the operation's steps in turn. A step
// is one control request or one read, submitted and then waited for within
// a bound.
//
// A step that does not complete within its bound is cancelled, and the
// cancellation is waited for, before the step returns: the kernel driver
// writes through the OVERLAPPED and into the step's buffers until its
// request has completed, so no request may outlive them.
#pragma once

#include <windows.h>

enum class StepEnd {
    Completed,         // the event fired within the bound
    SubmissionFailed,  // refused at once; Error() tells why
    TimedOut,          // not complete within the bound; cancelled since
};

class CDeviceOperation {
public:
    explicit CDeviceOperation(HANDLE hDevice);
    ~CDeviceOperation();
    CDeviceOperation(const CDeviceOperation&) = delete;
    CDeviceOperation& operator=(const CDeviceOperation&) = delete;

    // False when the operation's event could not be made.
    bool IsReady() const { return m_overlapped.hEvent != NULL; }

    StepEnd Control(DWORD dwCode, LPVOID pIn, DWORD cbIn, LPVOID pOut, DWORD cbOut, DWORD dwWaitMs);
    StepEnd Read(LPVOID pBuffer, DWORD cbRead, DWORD dwWaitMs);
    // Submits a control request without waiting for it: TRUE when it
    // completed at once; a request left pending is cancelled before this
    // returns FALSE with ERROR_IO_PENDING as the last error.
    BOOL ControlNoWait(DWORD dwCode, LPVOID pIn, DWORD cbIn);

    // The Win32 error of a step that did not complete: the submission's
    // error, or the last error when its wait ran out.
    DWORD Error() const { return m_dwError; }
    // Bytes moved by the step that completed last (no waiting); FALSE when
    // the step failed.
    BOOL GetTransferred(LPDWORD pcbTransferred);

private:
    StepEnd Await(BOOL bSubmitted, DWORD dwWaitMs);
    void CancelOutstanding();

    HANDLE m_hDevice;
    OVERLAPPED m_overlapped;
    DWORD m_dwError;
};
