// A small driver module for the service's tests: it records what reaches it.
#include <stiusd.h>

#include "UsdRecord.h"

#include <string>

#define EXPORT extern "C" __attribute__((visibility("default")))

DEFINE_GUID(CLSID_TestUsd, 0x5A7E1C20, 0x3B4D, 0x4E6F, 0x80, 0x91, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7);

static UsdRecord g_record;
static LONG g_factoryRefs = 0;

EXPORT UsdRecord* TestUsdRecord() { return &g_record; }

namespace {

class TestUsd final : public IStiUSD {
public:
    TestUsd() { ++g_record.liveObjects; }
    ~TestUsd()
    {
        --g_record.liveObjects;
        if (control_) control_->Release();
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IStiUSD)) return E_NOINTERFACE;
        *ppv = static_cast<IStiUSD*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = --refs_;
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP Initialize(PSTIDEVICECONTROL pHelDcb, DWORD, HKEY) override
    {
        control_ = pHelDcb;
        control_->AddRef();
        g_record.portResult = control_->GetMyDevicePortName(g_record.port, 260);
        control_->GetMyDeviceOpenMode(&g_record.mode);
        // A port named "fail" stands for a device that cannot be opened.
        return std::wstring(g_record.port) == L"\\\\.\\fail" ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : S_OK;
    }
    STDMETHODIMP GetCapabilities(PSTI_USD_CAPS caps) override
    {
        caps->dwVersion = STI_VERSION_REAL;
        caps->dwGenericCaps = STI_USD_GENCAP_NATIVE_PUSHSUPPORT;
        return S_OK;
    }
    STDMETHODIMP GetStatus(PSTI_DEVICE_STATUS status) override
    {
        ++g_record.statusCalls;
        status->dwOnlineState = STI_ONLINESTATE_OPERATIONAL;
        return S_OK;
    }
    STDMETHODIMP DeviceReset() override
    {
        ++g_record.resets;
        return S_FALSE;
    }
    STDMETHODIMP Diagnostic(LPSTI_DIAG) override { return S_OK; }
    STDMETHODIMP Escape(STI_RAW_CONTROL_CODE code, LPVOID, DWORD, LPVOID out, DWORD outSize, LPDWORD actual) override
    {
        ++g_record.escapes;
        g_record.lastEscape = code;
        if (out && outSize >= 4) *static_cast<DWORD*>(out) = 0x1234;
        if (actual) *actual = 4;
        return code == 4098 ? S_OK : static_cast<HRESULT>(0x8007042A);
    }
    STDMETHODIMP GetLastError(LPDWORD error) override
    {
        *error = 7;
        return S_OK;
    }
    STDMETHODIMP LockDevice() override
    {
        ++g_record.locks;
        return S_OK;
    }
    STDMETHODIMP UnLockDevice() override
    {
        ++g_record.unlocks;
        return S_OK;
    }
    STDMETHODIMP RawReadData(LPVOID, LPDWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawWriteData(LPVOID, DWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP SetNotificationHandle(HANDLE) override { return S_OK; }
    STDMETHODIMP GetNotificationData(LPSTINOTIFY) override { return HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS); }
    STDMETHODIMP GetLastErrorInfo(STI_ERROR_INFO*) override { return S_OK; }

private:
    LONG refs_ = 0;
    IStiDeviceControl* control_ = nullptr;
};

class Factory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++g_factoryRefs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--g_factoryRefs); }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* usd = new TestUsd;
        usd->AddRef();
        HRESULT hr = usd->QueryInterface(riid, ppv);
        usd->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!IsEqualGUID(clsid, CLSID_TestUsd)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

// Like the camera driver, only factory references keep the module.
EXPORT HRESULT DllCanUnloadNow() { return g_factoryRefs == 0 ? S_OK : S_FALSE; }
