// The service's root object: the device list and the opening of devices.
#pragma once

#include <sti.h>

namespace sti {

class StillImage final : public IStillImageW {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Initialize(HINSTANCE hinst, DWORD dwVersion) override;
    STDMETHODIMP GetDeviceList(DWORD dwType, DWORD dwFlags, DWORD* pdwItemsReturned, LPVOID* ppBuffer) override;
    STDMETHODIMP GetDeviceInfo(LPWSTR pwszDeviceName, LPVOID* ppBuffer) override;
    STDMETHODIMP CreateDevice(LPWSTR pwszDeviceName, DWORD dwMode, PSTIDEVICE* pDevice, LPUNKNOWN punkOuter) override;
    STDMETHODIMP GetDeviceValue(LPWSTR, LPWSTR, LPDWORD, LPBYTE, LPDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetDeviceValue(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetSTILaunchInformation(LPWSTR, DWORD*, LPWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP RegisterLaunchApplication(LPWSTR, LPWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP UnregisterLaunchApplication(LPWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP EnableHwNotifications(LPCWSTR, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetHwNotificationState(LPCWSTR, BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP RefreshDeviceBus(LPCWSTR) override { return S_OK; }
    STDMETHODIMP LaunchApplicationForDevice(LPWSTR, LPWSTR, LPSTINOTIFY) override { return E_NOTIMPL; }
    STDMETHODIMP SetupDeviceParameters(PSTI_DEVICE_INFORMATIONW) override { return E_NOTIMPL; }
    STDMETHODIMP WriteToErrorLog(DWORD, LPCWSTR) override { return S_OK; }

private:
    ~StillImage() = default;
    LONG refs_ = 1;
};

}  // namespace sti
