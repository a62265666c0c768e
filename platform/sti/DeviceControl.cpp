#include "DeviceControl.h"

#include <cstring>

namespace sti {

DeviceControl::DeviceControl(std::wstring portName, DWORD openMode)
    : portName_(std::move(portName)), openMode_(openMode)
{
}

STDMETHODIMP DeviceControl::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IStiDeviceControl)) return E_NOINTERFACE;
    *ppv = static_cast<IStiDeviceControl*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) DeviceControl::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) DeviceControl::Release()
{
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP DeviceControl::Initialize(DWORD, DWORD dwMode, LPCWSTR pwszPortName, DWORD)
{
    if (!pwszPortName) return E_INVALIDARG;
    portName_ = pwszPortName;
    openMode_ = dwMode;
    return S_OK;
}

STDMETHODIMP DeviceControl::GetLastError(LPDWORD lpdwLastError)
{
    if (!lpdwLastError) return E_POINTER;
    *lpdwLastError = 0;
    return S_OK;
}

STDMETHODIMP DeviceControl::GetMyDevicePortName(LPWSTR lpszDevicePath, DWORD cwDevicePathSize)
{
    if (!lpszDevicePath || cwDevicePathSize == 0) return E_INVALIDARG;
    if (portName_.size() + 1 > cwDevicePathSize) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    memcpy(lpszDevicePath, portName_.c_str(), (portName_.size() + 1) * sizeof(WCHAR));
    return S_OK;
}

STDMETHODIMP DeviceControl::GetMyDeviceHandle(LPHANDLE lph)
{
    // The service opens nothing for its drivers; each opens its own port.
    if (lph) *lph = INVALID_HANDLE_VALUE;
    return E_NOTIMPL;
}

STDMETHODIMP DeviceControl::GetMyDeviceOpenMode(LPDWORD pdwOpenMode)
{
    if (!pdwOpenMode) return E_POINTER;
    *pdwOpenMode = openMode_;
    return S_OK;
}

}  // namespace sti
