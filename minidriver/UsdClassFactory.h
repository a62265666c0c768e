// The class factory of the driver object. Its references count in g_cLocks,
// so that the module stays loaded while anyone holds a factory.
#pragma once

#include <objbase.h>

class CUsdClassFactory final : public IClassFactory {
public:
    CUsdClassFactory() : m_cRef(0) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

private:
    ~CUsdClassFactory() = default;

    // A factory is used on one thread at a time; only g_cLocks is shared.
    LONG m_cRef;
};
