// One operation on the camera's device handle: its OVERLAPPED and its own
// auto-reset event, used by each of the operation's steps in turn. A step
// is one control request or one read, submitted and then waited for within
// a bound.
//
// The kernel driver writes through the OVERLAPPED, into a request's output
// and into a block that the input names by address until the request has
// completed. So none of that memory is the caller's: it lies in the step
// area, on the heap, and the output is copied to the caller once the
// request has completed. A step that does not complete within its bound is
// cancelled and the cancellation waited for, within a bound as well; a
// request that outlasts even that keeps its step area, which is then never
// freed, and the operation goes on with a fresh one.
#pragma once

#include <windows.h>

enum class StepEnd {
    Completed,         // the event fired within the bound
    SubmissionFailed,  // refused at once; Error() tells why
    TimedOut,          // not complete within the bound; cancelled since
};

class CDeviceOperation {
public:
    // The largest output of a step: one chunk of a read.
    static const DWORD kLargestOutput = 65536;
    // The largest block an input may name by its address.
    static const DWORD kLargestNamedBlock = 64;

    explicit CDeviceOperation(HANDLE hDevice);
    ~CDeviceOperation();
    CDeviceOperation(const CDeviceOperation&) = delete;
    CDeviceOperation& operator=(const CDeviceOperation&) = delete;

    // False when the operation's event or step area could not be made.
    bool IsReady() const { return m_pArea != NULL; }

    // Copies a block that the next request's input names by address into
    // the step area, and returns its address there (null when too large).
    LPVOID NameBlock(const void* pBlock, DWORD cbBlock);

    // The output (at most kLargestOutput bytes) reaches pOut when the
    // request completes, also when it completes during its cancellation.
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
    struct StepArea;

    static StepArea* NewArea();
    // False, with the error set, when a lost step area could not be replaced.
    bool HasArea();
    StepEnd Await(BOOL bSubmitted, DWORD dwWaitMs, LPVOID pOut, DWORD cbOut);
    void CancelOutstanding();
    void DeliverOutput(StepArea* pArea, LPVOID pOut, DWORD cbOut);

    HANDLE m_hDevice;
    StepArea* m_pArea;
    DWORD m_dwError;
};
