// The task allocator: CoTaskMemAlloc and the IMalloc that hands it out.
#include <objbase.h>

#include <cstdlib>
#include <malloc.h>

LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb ? cb : 1); }

LPVOID WINAPI CoTaskMemRealloc(LPVOID pv, SIZE_T cb) { return std::realloc(pv, cb ? cb : 1); }

void WINAPI CoTaskMemFree(LPVOID pv) { std::free(pv); }

namespace {

// One allocator for the process; its reference count is not tracked, as the
// platform's task allocator is never destroyed.
class TaskAllocator final : public IMalloc {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IMalloc)) {
            *ppv = static_cast<IMalloc*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(void*) Alloc(SIZE_T cb) override { return CoTaskMemAlloc(cb); }
    STDMETHODIMP_(void*) Realloc(void* pv, SIZE_T cb) override { return CoTaskMemRealloc(pv, cb); }
    STDMETHODIMP_(void) Free(void* pv) override { CoTaskMemFree(pv); }
    STDMETHODIMP_(SIZE_T) GetSize(void* pv) override { return pv ? malloc_usable_size(pv) : static_cast<SIZE_T>(-1); }
    STDMETHODIMP_(int) DidAlloc(void* pv) override { return pv ? -1 : 0; }
    STDMETHODIMP_(void) HeapMinimize() override {}
};

}  // namespace

HRESULT WINAPI CoGetMalloc(DWORD dwMemContext, LPMALLOC* ppMalloc)
{
    if (!ppMalloc) return E_INVALIDARG;
    if (dwMemContext != MEMCTX_TASK) {
        *ppMalloc = nullptr;
        return E_INVALIDARG;
    }
    static TaskAllocator allocator;
    *ppMalloc = &allocator;
    return S_OK;
}
