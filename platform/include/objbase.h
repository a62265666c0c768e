// ole32: COM start-up, in-process servers and the task allocator.
//
// In-process servers are found through the registry section [Classes]
// ("{class id}=module path"). Loading a class loads its module, calls its
// exported DllGetClassObject, and keeps the module until
// CoFreeUnusedLibraries finds that its DllCanUnloadNow answers S_OK, or
// until the last CoUninitialize.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <unknwn.h>

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

typedef enum tagCOINIT {
    COINIT_APARTMENTTHREADED = 0x2,
    COINIT_MULTITHREADED = 0x0,
} COINIT;

typedef HRESULT(STDAPICALLTYPE* LPFNGETCLASSOBJECT)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDAPICALLTYPE* LPFNCANUNLOADNOW)(void);

WINBASEAPI HRESULT WINAPI CoInitialize(LPVOID pvReserved);
WINBASEAPI HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
WINBASEAPI void WINAPI CoUninitialize(void);
WINBASEAPI HRESULT WINAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid,
                                           LPVOID* ppv);
WINBASEAPI HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                                           LPVOID* ppv);
WINBASEAPI void WINAPI CoFreeUnusedLibraries(void);
WINBASEAPI LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb);
WINBASEAPI LPVOID WINAPI CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
WINBASEAPI void WINAPI CoTaskMemFree(LPVOID pv);
WINBASEAPI HRESULT WINAPI CoGetMalloc(DWORD dwMemContext, LPMALLOC* ppMalloc);
// Formats {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}; returns the characters
// written including the terminator, or 0 when cchMax is below 39.
WINBASEAPI int WINAPI StringFromGUID2(REFGUID rguid, LPWSTR lpsz, int cchMax);
WINBASEAPI HRESULT WINAPI CLSIDFromString(LPCWSTR lpsz, LPCLSID pclsid);

#define MEMCTX_TASK 1
