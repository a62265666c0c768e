// An opened still-image device: the service's IStiDevice in front of the
// device's driver object. Escape, GetStatus and DeviceReset go to the driver
// unchanged; LockDevice and UnLockDevice take the device-wide lock and also
// reach the driver's.
#pragma once

#include "DeviceLock.h"

#include <stiusd.h>

#include <string>

namespace sti {

class StiDevice final : public IStiDevice {
public:
    // Takes over the caller's references on `driver` and on the class
    // factory that made it: the factory keeps the driver's module loaded for
    // as long as the device is open.
    StiDevice(const std::string& internalName, IStiUSD* driver, IClassFactory* factory);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Initialize(HINSTANCE, LPCWSTR, DWORD, DWORD) override { return S_OK; }
    STDMETHODIMP GetCapabilities(PSTI_DEV_CAPS pDevCaps) override;
    STDMETHODIMP GetStatus(PSTI_DEVICE_STATUS pDevStatus) override;
    STDMETHODIMP DeviceReset() override;
    STDMETHODIMP Diagnostic(LPSTI_DIAG pBuffer) override;
    STDMETHODIMP Escape(STI_RAW_CONTROL_CODE EscapeFunction, LPVOID lpInData, DWORD cbInDataSize, LPVOID pOutData,
                        DWORD dwOutDataSize, LPDWORD pdwActualData) override;
    STDMETHODIMP GetLastError(LPDWORD pdwLastDeviceError) override;
    STDMETHODIMP LockDevice(DWORD dwTimeOut) override;
    STDMETHODIMP UnLockDevice() override;
    STDMETHODIMP RawReadData(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) override;
    STDMETHODIMP RawWriteData(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped) override;
    STDMETHODIMP RawReadCommand(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) override;
    STDMETHODIMP RawWriteCommand(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped) override;
    STDMETHODIMP Subscribe(LPSTISUBSCRIBE lpSubsribe) override;
    STDMETHODIMP GetLastNotificationData(LPSTINOTIFY lpNotify) override;
    STDMETHODIMP UnSubscribe() override;
    STDMETHODIMP GetLastErrorInfo(STI_ERROR_INFO* pLastErrorInfo) override;

private:
    ~StiDevice();

    LONG refs_ = 1;
    IStiUSD* driver_;
    IClassFactory* factory_;
    DeviceLock lock_;
    bool subscribed_ = false;
};

}  // namespace sti
