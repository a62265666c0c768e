// The service's IStiDeviceControl for one opened device: what the driver
// learns about its device (port name and open mode).
#pragma once

#include <stiusd.h>

#include <string>

namespace sti {

class DeviceControl final : public IStiDeviceControl {
public:
    DeviceControl(std::wstring portName, DWORD openMode);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Initialize(DWORD dwDeviceType, DWORD dwMode, LPCWSTR pwszPortName, DWORD dwFlags) override;
    STDMETHODIMP RawReadData(LPVOID, LPDWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawWriteData(LPVOID, DWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawDeviceControl(USD_CONTROL_CODE, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetLastError(LPDWORD lpdwLastError) override;
    STDMETHODIMP GetMyDevicePortName(LPWSTR lpszDevicePath, DWORD cwDevicePathSize) override;
    STDMETHODIMP GetMyDeviceHandle(LPHANDLE lph) override;
    STDMETHODIMP GetMyDeviceOpenMode(LPDWORD pdwOpenMode) override;
    STDMETHODIMP WriteToErrorLog(DWORD, LPCWSTR, DWORD) override { return S_OK; }

private:
    ~DeviceControl() = default;

    LONG refs_ = 1;
    std::wstring portName_;
    DWORD openMode_;
};

}  // namespace sti
