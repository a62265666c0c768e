#include "StiDevice.h"

namespace sti {

StiDevice::StiDevice(const std::string& internalName, IStiUSD* driver, IClassFactory* factory)
    : driver_(driver), factory_(factory), lock_(internalName)
{
}

StiDevice::~StiDevice()
{
    // A device released while locked gives its lock up.
    while (lock_.Held()) UnLockDevice();
    driver_->Release();
    factory_->Release();
}

STDMETHODIMP StiDevice::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IStiDevice)) return E_NOINTERFACE;
    *ppv = static_cast<IStiDevice*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) StiDevice::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) StiDevice::Release()
{
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP StiDevice::GetCapabilities(PSTI_DEV_CAPS pDevCaps)
{
    if (!pDevCaps) return E_INVALIDARG;
    STI_USD_CAPS caps = {};
    HRESULT hr = driver_->GetCapabilities(&caps);
    if (SUCCEEDED(hr)) pDevCaps->dwGeneric = caps.dwGenericCaps;
    return hr;
}

STDMETHODIMP StiDevice::GetStatus(PSTI_DEVICE_STATUS pDevStatus) { return driver_->GetStatus(pDevStatus); }

STDMETHODIMP StiDevice::DeviceReset() { return driver_->DeviceReset(); }

STDMETHODIMP StiDevice::Diagnostic(LPSTI_DIAG pBuffer) { return driver_->Diagnostic(pBuffer); }

STDMETHODIMP StiDevice::Escape(STI_RAW_CONTROL_CODE EscapeFunction, LPVOID lpInData, DWORD cbInDataSize,
                               LPVOID pOutData, DWORD dwOutDataSize, LPDWORD pdwActualData)
{
    return driver_->Escape(EscapeFunction, lpInData, cbInDataSize, pOutData, dwOutDataSize, pdwActualData);
}

STDMETHODIMP StiDevice::GetLastError(LPDWORD pdwLastDeviceError) { return driver_->GetLastError(pdwLastDeviceError); }

STDMETHODIMP StiDevice::LockDevice(DWORD dwTimeOut)
{
    if (!lock_.Acquire(dwTimeOut)) return STIERR_DEVICE_LOCKED;
    HRESULT hr = driver_->LockDevice();
    if (FAILED(hr)) lock_.Release();
    return hr;
}

STDMETHODIMP StiDevice::UnLockDevice()
{
    if (!lock_.Release()) return STIERR_NEEDS_LOCK;
    return driver_->UnLockDevice();
}

STDMETHODIMP StiDevice::RawReadData(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped)
{
    return driver_->RawReadData(lpBuffer, lpdwNumberOfBytes, lpOverlapped);
}

STDMETHODIMP StiDevice::RawWriteData(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped)
{
    return driver_->RawWriteData(lpBuffer, nNumberOfBytes, lpOverlapped);
}

STDMETHODIMP StiDevice::RawReadCommand(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped)
{
    return driver_->RawReadCommand(lpBuffer, lpdwNumberOfBytes, lpOverlapped);
}

STDMETHODIMP StiDevice::RawWriteCommand(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped)
{
    return driver_->RawWriteCommand(lpBuffer, nNumberOfBytes, lpOverlapped);
}

// The drivers of this system announce no events, so a subscription only
// records that the caller asked; its event is never signalled.
STDMETHODIMP StiDevice::Subscribe(LPSTISUBSCRIBE lpSubsribe)
{
    if (!lpSubsribe || lpSubsribe->dwSize != sizeof(STISUBSCRIBE)) return E_INVALIDARG;
    DWORD kinds = lpSubsribe->dwFlags & (STI_SUBSCRIBE_FLAG_EVENT | STI_SUBSCRIBE_FLAG_WINDOW);
    if (kinds == 0) return E_INVALIDARG;
    if ((kinds & STI_SUBSCRIBE_FLAG_EVENT) && !lpSubsribe->hEvent) return E_INVALIDARG;
    if (subscribed_) return STIERR_HANDLEEXISTS;
    subscribed_ = true;
    return S_OK;
}

STDMETHODIMP StiDevice::GetLastNotificationData(LPSTINOTIFY lpNotify)
{
    return driver_->GetNotificationData(lpNotify);
}

STDMETHODIMP StiDevice::UnSubscribe()
{
    // Ending a subscription that was never made is not an error: there is
    // simply nothing to end.
    bool was = subscribed_;
    subscribed_ = false;
    return was ? S_OK : S_FALSE;
}

STDMETHODIMP StiDevice::GetLastErrorInfo(STI_ERROR_INFO* pLastErrorInfo)
{
    return driver_->GetLastErrorInfo(pLastErrorInfo);
}

}  // namespace sti
