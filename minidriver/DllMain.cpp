// The module's entry points as an in-process COM server.
//
// The platform's start-up routines carry the standard-call decorated names
// _DllMain@12 and _DllEntryPoint@12; this host's object format reads '@' in
// a symbol as a version marker, so both are exported undecorated.
#include "ServerState.h"
#include "UsdClassFactory.h"

#include <objbase.h>

#include <new>

LONG g_cLocks = 0;

// The module was registered as an MFC extension module only for what that
// does to thread notifications; asking the loader directly for that is all
// that remains of it. Thread notifications would be harmless, so attaching
// does not depend on the answer.
EXTERN_C WINPLAT_EXPORT BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID)
{
    if (fdwReason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(hinstDLL);
    return TRUE;
}

EXTERN_C WINPLAT_EXPORT BOOL WINAPI DllEntryPoint(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved)
{
    return DllMain(hinstDLL, fdwReason, lpvReserved);
}

EXTERN_C WINPLAT_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (!ppv || !IsEqualCLSID(rclsid, CLSID_CameraUsd)) return E_FAIL;
    *ppv = NULL;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    CUsdClassFactory* pFactory = new (std::nothrow) CUsdClassFactory;
    if (!pFactory) return E_OUTOFMEMORY;
    *ppv = static_cast<IClassFactory*>(pFactory);
    pFactory->AddRef();
    return S_OK;
}

// Only class-factory references and server locks keep the module; whoever
// holds driver objects keeps a factory or a lock for as long as they live
// (the Still Image service keeps the factory of each device it opened).
EXTERN_C WINPLAT_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow(void)
{
    return g_cLocks != 0 ? S_FALSE : S_OK;
}
