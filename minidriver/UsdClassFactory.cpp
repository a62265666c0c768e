#include "UsdClassFactory.h"

#include "Device/CameraUsd.h"
#include "ServerState.h"

#include <new>

STDMETHODIMP CUsdClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_INVALIDARG;
    *ppv = NULL;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CUsdClassFactory::AddRef()
{
    InterlockedIncrement(&g_cLocks);
    return static_cast<ULONG>(++m_cRef);
}

STDMETHODIMP_(ULONG) CUsdClassFactory::Release()
{
    InterlockedDecrement(&g_cLocks);
    LONG cRef = --m_cRef;
    if (cRef == 0) delete this;
    return static_cast<ULONG>(cRef);
}

STDMETHODIMP CUsdClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!IsEqualIID(riid, IID_IStiUSD) && !IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
    // An aggregating object must get the non-delegating IUnknown.
    if (pUnkOuter && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    CCameraUsd* pUsd = new (std::nothrow) CCameraUsd(pUnkOuter);
    if (!pUsd) return E_OUTOFMEMORY;
    // The query takes the caller's reference; the release drops the one the
    // object was born with, destroying it when the query failed.
    HRESULT hr = pUsd->NonDelegatingQueryInterface(riid, ppv);
    pUsd->NonDelegatingRelease();
    return hr;
}

STDMETHODIMP CUsdClassFactory::LockServer(BOOL fLock)
{
    if (fLock) {
        InterlockedIncrement(&g_cLocks);
    } else {
        InterlockedDecrement(&g_cLocks);
    }
    return S_OK;
}
