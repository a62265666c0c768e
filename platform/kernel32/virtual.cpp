// Page-granular virtual memory: every region is committed read-write.
#include <windows.h>

#include <sys/mman.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>

namespace {

struct Regions {
    std::mutex lock;
    std::map<uintptr_t, SIZE_T> sizes;  // base address -> mapped length
};

Regions& regions()
{
    static Regions* instance = new Regions;
    return *instance;
}

// True when [p, p + size) lies in mappings whose permissions include `want`
// ('r' or 'w'), as the host's own memory map says.
bool RangeHasPermission(uintptr_t begin, uintptr_t size, char want)
{
    uintptr_t end = begin + size;
    if (end < begin) return false;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    uintptr_t covered = begin;
    while (covered < end && std::getline(maps, line)) {
        unsigned long lo = 0, hi = 0;
        char perms[5] = {};
        if (std::sscanf(line.c_str(), "%lx-%lx %4s", &lo, &hi, perms) != 3) continue;
        if (hi <= covered || lo > covered) continue;
        if ((want == 'r' && perms[0] != 'r') || (want == 'w' && perms[1] != 'w')) return false;
        covered = hi;
    }
    return covered >= end;
}

}  // namespace

LPVOID WINAPI VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType, DWORD flProtect)
{
    if (lpAddress || dwSize == 0 || !(flAllocationType & (MEM_COMMIT | MEM_RESERVE)) || flProtect != PAGE_READWRITE) {
        // Placement at a chosen address and other protections are not used here.
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* p = mmap(nullptr, dwSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Regions& r = regions();
    std::lock_guard<std::mutex> guard(r.lock);
    r.sizes[reinterpret_cast<uintptr_t>(p)] = dwSize;
    return p;
}

BOOL WINAPI VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType)
{
    if (dwFreeType != MEM_RELEASE || dwSize != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Regions& r = regions();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.sizes.find(reinterpret_cast<uintptr_t>(lpAddress));
    if (it == r.sizes.end()) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    munmap(lpAddress, it->second);
    r.sizes.erase(it);
    return TRUE;
}

BOOL WINAPI IsBadReadPtr(const void* lp, UINT_PTR ucb)
{
    if (ucb == 0) return FALSE;
    if (!lp) return TRUE;
    return RangeHasPermission(reinterpret_cast<uintptr_t>(lp), ucb, 'r') ? FALSE : TRUE;
}

BOOL WINAPI IsBadWritePtr(LPVOID lp, UINT_PTR ucb)
{
    if (ucb == 0) return FALSE;
    if (!lp) return TRUE;
    return RangeHasPermission(reinterpret_cast<uintptr_t>(lp), ucb, 'w') ? FALSE : TRUE;
}
