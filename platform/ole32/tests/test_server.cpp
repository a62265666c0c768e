// A small in-process server for the tests: one class whose objects count
// themselves, and a module that reports its attach and detach calls.
#include <objbase.h>

#define EXPORT extern "C" __attribute__((visibility("default")))

DEFINE_GUID(CLSID_TestCounter, 0x2F1B8C10, 0x1D2E, 0x4A5B, 0x9C, 0x01, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC);

namespace {

LONG g_locks = 0;
LONG g_objects = 0;
LONG* g_events = nullptr;  // attach/detach counter of the test program

class Counter : public IUnknown {
public:
    Counter() { InterlockedIncrement(&g_objects); }
    virtual ~Counter() { InterlockedDecrement(&g_objects); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!IsEqualGUID(riid, IID_IUnknown)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

private:
    LONG refs_ = 0;
};

class Factory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&g_locks)); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(InterlockedDecrement(&g_locks)); }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* counter = new Counter;
        HRESULT hr = counter->QueryInterface(riid, ppv);
        if (FAILED(hr)) delete counter;
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        lock ? InterlockedIncrement(&g_locks) : InterlockedDecrement(&g_locks);
        return S_OK;
    }
};

Factory g_factory;

}  // namespace

EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!IsEqualGUID(clsid, CLSID_TestCounter)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

EXPORT HRESULT DllCanUnloadNow() { return g_locks == 0 && g_objects == 0 ? S_OK : S_FALSE; }

EXPORT void TestObserve(LONG* events) { g_events = events; }

EXPORT BOOL DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (g_events) InterlockedExchangeAdd(g_events, reason == DLL_PROCESS_DETACH ? 100 : 1);
    return TRUE;
}
