// The driver object carries two IUnknown implementations: the IStiUSD
// interface's, which forwards to the controlling unknown (the aggregating
// object, if any), and the non-delegating one that owns the reference
// count. Each base below gives its three IUnknown slots names of their own,
// so that one class can implement both without the slots overriding each
// other.
#pragma once

#include <stiusd.h>

// IStiUSD whose IUnknown slots call the Delegating... methods.
struct CDelegatingStiUsd : public IStiUSD {
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) final { return DelegatingQueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() final { return DelegatingAddRef(); }
    STDMETHODIMP_(ULONG) Release() final { return DelegatingRelease(); }

    virtual HRESULT DelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG DelegatingAddRef() = 0;
    virtual ULONG DelegatingRelease() = 0;
};

// IUnknown whose slots call the NonDelegating... methods.
struct CNonDelegatingUnknown : public IUnknown {
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) final { return NonDelegatingQueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() final { return NonDelegatingAddRef(); }
    STDMETHODIMP_(ULONG) Release() final { return NonDelegatingRelease(); }

    virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG NonDelegatingAddRef() = 0;
    virtual ULONG NonDelegatingRelease() = 0;
};
