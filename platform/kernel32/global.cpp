// Global and local memory. Moveable blocks are handles in the object table
// with a lock count; fixed blocks are plain pointers recorded here so that
// GlobalSize and GlobalFree can tell a fixed block from a stray pointer.
#include "bytes.h"

#include <windows.h>
#include <winplat/objects.h>

#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace {

constexpr SIZE_T kLargestBlock = SIZE_T{1} << 40;

class MoveableBlock : public winplat::KernelObject {
public:
    MoveableBlock(void* memory, SIZE_T size) : memory(memory), size(size) {}
    ~MoveableBlock() override { std::free(memory); }
    winplat::ObjectKind Kind() const override { return winplat::ObjectKind::GlobalMemory; }
    bool ClosableByCloseHandle() const override { return false; }

    std::mutex lock;
    void* memory;  // null for a block of size 0
    SIZE_T size;
    unsigned lockCount = 0;
};

struct FixedBlocks {
    std::mutex lock;
    std::unordered_map<void*, SIZE_T> sizes;
};

FixedBlocks& fixedBlocks()
{
    static FixedBlocks* instance = new FixedBlocks;
    return *instance;
}

bool FixedSize(const void* p, SIZE_T* size)
{
    FixedBlocks& fb = fixedBlocks();
    std::lock_guard<std::mutex> guard(fb.lock);
    auto it = fb.sizes.find(const_cast<void*>(p));
    if (it == fb.sizes.end()) return false;
    if (size) *size = it->second;
    return true;
}

}  // namespace

using kernel32::AllocateBytes;
using kernel32::ResizeBytes;

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    bool zero = (uFlags & GMEM_ZEROINIT) != 0;
    if (dwBytes > kLargestBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (uFlags & GMEM_MOVEABLE) {
        void* memory = nullptr;
        if (dwBytes != 0 && !(memory = AllocateBytes(dwBytes, zero))) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        HGLOBAL h = winplat::InsertObject(std::make_shared<MoveableBlock>(memory, dwBytes));
        if (!h) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return h;
    }
    void* memory = AllocateBytes(dwBytes, zero);
    if (!memory) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    FixedBlocks& fb = fixedBlocks();
    std::lock_guard<std::mutex> guard(fb.lock);
    fb.sizes[memory] = dwBytes;
    return memory;
}

HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags)
{
    bool zero = (uFlags & GMEM_ZEROINIT) != 0;
    if (auto block = winplat::LookupAs<MoveableBlock>(hMem)) {
        std::lock_guard<std::mutex> guard(block->lock);
        if (dwBytes > kLargestBlock) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        void* memory = ResizeBytes(block->memory, block->size, dwBytes, zero);
        if (!memory) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        block->memory = memory;
        block->size = dwBytes;
        return hMem;
    }
    SIZE_T old = 0;
    if (!FixedSize(hMem, &old)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // A fixed block may only move when the caller allows it.
    if (!(uFlags & GMEM_MOVEABLE) && dwBytes > old) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* memory = ResizeBytes(hMem, old, dwBytes, zero);
    if (!memory) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    FixedBlocks& fb = fixedBlocks();
    std::lock_guard<std::mutex> guard(fb.lock);
    fb.sizes.erase(hMem);
    fb.sizes[memory] = dwBytes;
    return memory;
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem)
{
    if (auto block = winplat::LookupAs<MoveableBlock>(hMem)) {
        std::lock_guard<std::mutex> guard(block->lock);
        if (!block->memory) {
            SetLastError(ERROR_DISCARDED);
            return nullptr;
        }
        if (block->lockCount < GMEM_LOCKCOUNT) block->lockCount++;
        return block->memory;
    }
    if (FixedSize(hMem, nullptr)) return hMem;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

BOOL WINAPI GlobalUnlock(HGLOBAL hMem)
{
    if (auto block = winplat::LookupAs<MoveableBlock>(hMem)) {
        std::lock_guard<std::mutex> guard(block->lock);
        if (block->lockCount == 0) {
            SetLastError(ERROR_NOT_LOCKED);
            return FALSE;
        }
        if (--block->lockCount == 0) {
            SetLastError(NO_ERROR);
            return FALSE;
        }
        return TRUE;
    }
    if (FixedSize(hMem, nullptr)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem)
{
    if (!hMem) return nullptr;
    if (winplat::LookupAs<MoveableBlock>(hMem)) {
        winplat::RemoveObject(hMem);
        return nullptr;
    }
    {
        FixedBlocks& fb = fixedBlocks();
        std::lock_guard<std::mutex> guard(fb.lock);
        if (fb.sizes.erase(hMem) == 1) {
            std::free(hMem);
            return nullptr;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return hMem;
}

SIZE_T WINAPI GlobalSize(HGLOBAL hMem)
{
    if (auto block = winplat::LookupAs<MoveableBlock>(hMem)) {
        std::lock_guard<std::mutex> guard(block->lock);
        return block->size;
    }
    SIZE_T size = 0;
    if (FixedSize(hMem, &size)) return size;
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

UINT WINAPI GlobalFlags(HGLOBAL hMem)
{
    if (auto block = winplat::LookupAs<MoveableBlock>(hMem)) {
        std::lock_guard<std::mutex> guard(block->lock);
        return block->lockCount;
    }
    if (FixedSize(hMem, nullptr)) return 0;
    SetLastError(ERROR_INVALID_HANDLE);
    return GMEM_INVALID_HANDLE;
}

HGLOBAL WINAPI GlobalHandle(LPCVOID pMem)
{
    if (FixedSize(pMem, nullptr)) return const_cast<LPVOID>(pMem);
    // Finding a moveable block by its address would need a reverse index;
    // nothing on this platform asks for it.
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) { return GlobalAlloc(uFlags, uBytes); }

HLOCAL WINAPI LocalFree(HLOCAL hMem) { return GlobalFree(hMem); }
