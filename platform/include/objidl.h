// IMalloc, the task allocator.
#pragma once

#include <unknwn.h>

DEFINE_GUID(IID_IMalloc, 0x00000002, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IMalloc : public IUnknown {
    STDMETHOD_(void*, Alloc)(SIZE_T cb) PURE;
    STDMETHOD_(void*, Realloc)(void* pv, SIZE_T cb) PURE;
    STDMETHOD_(void, Free)(void* pv) PURE;
    STDMETHOD_(SIZE_T, GetSize)(void* pv) PURE;
    STDMETHOD_(int, DidAlloc)(void* pv) PURE;
    STDMETHOD_(void, HeapMinimize)() PURE;
};
typedef IMalloc* LPMALLOC;
