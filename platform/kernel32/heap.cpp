// Heaps: HeapCreate and friends. Each heap records its blocks, so that a
// block handed to the wrong heap is refused and HeapDestroy frees them all.
#include "bytes.h"

#include <windows.h>
#include <winplat/host.h>
#include <winplat/objects.h>

#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace {

// Allocations still to fail on this thread (winplat::FailHeapAllocations).
thread_local unsigned t_failingAllocations = 0;

bool InjectedFailure()
{
    if (t_failingAllocations == 0) return false;
    --t_failingAllocations;
    return true;
}

class Heap : public winplat::KernelObject {
public:
    explicit Heap(SIZE_T maximum) : maximum_(maximum) {}
    ~Heap() override
    {
        for (auto& block : blocks_) std::free(block.first);
    }
    winplat::ObjectKind Kind() const override { return winplat::ObjectKind::Heap; }
    bool ClosableByCloseHandle() const override { return false; }

    void* Allocate(SIZE_T size, bool zero)
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!Fits(0, size) || InjectedFailure()) return nullptr;
        void* p = kernel32::AllocateBytes(size, zero);
        if (!p) return nullptr;
        blocks_[p] = size;
        total_ += size;
        return p;
    }

    void* Reallocate(void* p, SIZE_T size, bool zero, bool inPlaceOnly)
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = blocks_.find(p);
        if (it == blocks_.end()) return nullptr;
        SIZE_T old = it->second;
        if (inPlaceOnly && size > old) return nullptr;
        if (!Fits(old, size) || (size > old && InjectedFailure())) return nullptr;
        void* q = kernel32::ResizeBytes(p, old, size, zero);
        if (!q) return nullptr;
        blocks_.erase(it);
        blocks_[q] = size;
        total_ = total_ - old + size;
        return q;
    }

    bool Free(void* p)
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = blocks_.find(p);
        if (it == blocks_.end()) return false;
        total_ -= it->second;
        blocks_.erase(it);
        std::free(p);
        return true;
    }

    bool Size(const void* p, SIZE_T* size)
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = blocks_.find(const_cast<void*>(p));
        if (it == blocks_.end()) return false;
        *size = it->second;
        return true;
    }

private:
    bool Fits(SIZE_T released, SIZE_T wanted) const
    {
        if (wanted > (SIZE_T{1} << 40)) return false;
        return maximum_ == 0 || total_ - released + wanted <= maximum_;
    }

    std::mutex lock_;
    std::unordered_map<void*, SIZE_T> blocks_;
    SIZE_T total_ = 0;
    SIZE_T maximum_;
};

std::shared_ptr<Heap> LookupHeap(HANDLE h)
{
    std::shared_ptr<Heap> heap = winplat::LookupAs<Heap>(h);
    if (!heap) SetLastError(ERROR_INVALID_HANDLE);
    return heap;
}

}  // namespace

void winplat::FailHeapAllocations(unsigned count) { t_failingAllocations = count; }

HANDLE WINAPI HeapCreate(DWORD, SIZE_T dwInitialSize, SIZE_T dwMaximumSize)
{
    if (dwMaximumSize != 0 && dwInitialSize > dwMaximumSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE h = winplat::InsertObject(std::make_shared<Heap>(dwMaximumSize));
    if (!h) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return h;
}

BOOL WINAPI HeapDestroy(HANDLE hHeap)
{
    if (hHeap == GetProcessHeap() || !LookupHeap(hHeap)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    winplat::RemoveObject(hHeap);
    return TRUE;
}

HANDLE WINAPI GetProcessHeap(void)
{
    static HANDLE processHeap = winplat::InsertObject(std::make_shared<Heap>(0));
    return processHeap;
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes)
{
    std::shared_ptr<Heap> heap = LookupHeap(hHeap);
    if (!heap) return nullptr;
    void* p = heap->Allocate(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
    if (!p) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

LPVOID WINAPI HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes)
{
    std::shared_ptr<Heap> heap = LookupHeap(hHeap);
    if (!heap) return nullptr;
    void* p = heap->Reallocate(lpMem, dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0,
                               (dwFlags & HEAP_REALLOC_IN_PLACE_ONLY) != 0);
    if (!p) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

BOOL WINAPI HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem)
{
    std::shared_ptr<Heap> heap = LookupHeap(hHeap);
    if (!heap) return FALSE;
    if (!lpMem) return TRUE;  // freeing null is allowed
    if (!heap->Free(lpMem)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

SIZE_T WINAPI HeapSize(HANDLE hHeap, DWORD, LPCVOID lpMem)
{
    std::shared_ptr<Heap> heap = LookupHeap(hHeap);
    SIZE_T size = 0;
    if (!heap) return static_cast<SIZE_T>(-1);
    if (!heap->Size(lpMem, &size)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return static_cast<SIZE_T>(-1);
    }
    return size;
}
