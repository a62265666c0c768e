// The driver object: one per device that the Still Image service opens.
// It owns the device handle on the camera's kernel driver, its event-buffer
// pool and a reference on the service's device control, and it can be
// aggregated. The device methods hold m_csLock for their whole run, so one
// object's traffic with the camera is strictly serial.
#pragma once

#include "Device/DeviceOperation.h"
#include "Device/EventPool.h"
#include "Device/KernelInterface.h"
#include "Device/UnknownBridges.h"
#include "EscapeProtocol.h"

#include <stiusd.h>

// Trace point numbers of a transfer step: when its submission fails, and
// when its wait runs out. Each number names one place of the escape code in
// the step-failure trace line; they are fixed, so that traces stay comparable.
struct TracePoints {
    int nSubmission;
    int nTimeout;  // kNoTracePoint when a time-out of the step is not traced
};
const int kNoTracePoint = 0;

class CCameraUsd final : public CDelegatingStiUsd, public CNonDelegatingUnknown {
public:
    // punkOuter: the aggregating object, or null.
    explicit CCameraUsd(IUnknown* punkOuter);

    // The non-delegating IUnknown, which owns the reference count.
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG NonDelegatingAddRef() override;
    ULONG NonDelegatingRelease() override;

    // IStiUSD
    STDMETHODIMP Initialize(PSTIDEVICECONTROL pHelDcb, DWORD dwStiVersion, HKEY hParametersKey) override;
    STDMETHODIMP GetCapabilities(PSTI_USD_CAPS pDevCaps) override;
    STDMETHODIMP GetStatus(PSTI_DEVICE_STATUS pDevStatus) override;
    STDMETHODIMP DeviceReset() override;
    STDMETHODIMP Diagnostic(LPSTI_DIAG pBuffer) override;
    STDMETHODIMP Escape(STI_RAW_CONTROL_CODE EscapeFunction, LPVOID lpInData, DWORD cbInDataSize, LPVOID pOutData,
                        DWORD dwOutDataSize, LPDWORD pdwActualData) override;
    STDMETHODIMP GetLastError(LPDWORD pdwLastDeviceError) override;
    STDMETHODIMP LockDevice() override;
    STDMETHODIMP UnLockDevice() override;
    STDMETHODIMP RawReadData(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) override;
    STDMETHODIMP RawWriteData(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped) override;
    STDMETHODIMP RawReadCommand(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) override;
    STDMETHODIMP RawWriteCommand(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped) override;
    STDMETHODIMP SetNotificationHandle(HANDLE hEvent) override;
    STDMETHODIMP GetNotificationData(LPSTINOTIFY lpNotify) override;
    STDMETHODIMP GetLastErrorInfo(STI_ERROR_INFO* pLastErrorInfo) override;

private:
    struct EscapeCall;

    ~CCameraUsd();

    // The IStiUSD copies of the IUnknown slots go to the controlling unknown.
    HRESULT DelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG DelegatingAddRef() override;
    ULONG DelegatingRelease() override;

    HRESULT OpenPort(LPCWSTR pwszPortName);

    // Transport (DeviceTransport.cpp).
    bool HasDevice() const;
    bool IsOpcodePermitted(DWORD dwOpcode);
    DWORD QueryDeviceStatus(PCAMERA_REPLY pReply, DWORD cbReply);
    DWORD QueryDeviceError(HRESULT hrStep);
    HRESULT FailedStepResult(StepEnd end, DWORD dwError, TracePoints points, bool* pbCameraClear);
    HRESULT TimedOutWithoutTrace();
    static bool IsDeviceLostError(DWORD dwError);
    static HRESULT SubmissionErrorResult(DWORD dwError);
    static HRESULT StatusToHResult(DWORD dwStatus);
    // Kept on purpose although the line goes nowhere: it is built as a debugging aid would need it.
    static void Trace(LPCSTR pszFormat, ...);
    static void TraceStepFailure(int nTracePoint, DWORD dwError);

    // Escapes (Escape*.cpp).
    HRESULT RunEscape(EscapeCall& call);
    HRESULT EscGetDirectorySize(EscapeCall& call);
    HRESULT EscRead(EscapeCall& call, WORD wOpcode);
    HRESULT RunRead(EscapeCall& call, const ESC_PARAMS& params);
    HRESULT ReadDataPhase(EscapeCall& call, DWORD dwLength, bool* pbEnded);
    HRESULT ReadFinalStatus(EscapeCall& call);
    HRESULT EscPlainOrVersion(EscapeCall& call, WORD wOpcode);
    HRESULT EscGetUsbDescriptor(EscapeCall& call);
    HRESULT EscReset(EscapeCall& call);
    HRESULT EscDeleteFile(EscapeCall& call);
    static HRESULT EscSetTransferSize(const EscapeCall& call);
    static HRESULT EscSetNotifyWindow(const EscapeCall& call);
    HRESULT SendAndFetch(EscapeCall& call, TracePoints sendPoints, TracePoints replyPoints, bool* pbDone);

    // Reset and its dump (DeviceStatus.cpp).
    void DumpProductString(CDeviceOperation& operation);
    void TraceChannelInfo(CDeviceOperation& operation);
    HRESULT ResetDevice(CDeviceOperation& operation);

    LONG m_cRef;
    CRITICAL_SECTION m_csLock;
    IUnknown* m_punkOuter;
    IStiDeviceControl* m_pDcb;
    HANDLE m_hDevice;
    char m_szDevicePath[128];
    // Kept on purpose although the camera raises no events: GetStatus's event flag looks here.
    CEventPool* m_pEventPool;
};
