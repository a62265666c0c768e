// Heaps, global memory, virtual memory and pointer probes.
#include <windows.h>
#include <winplat/host.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(Heap, ZeroFillAndOwnership)
{
    HANDLE heap = HeapCreate(0, 512, 0);
    ASSERT_NE(heap, nullptr);
    auto* p = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 4096));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(p[i], 0) << i;
    EXPECT_EQ(HeapSize(heap, 0, p), 4096u);

    // A block of one heap is not another heap's.
    HANDLE process = GetProcessHeap();
    EXPECT_FALSE(HeapFree(process, 0, p));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(HeapFree(heap, 0, p));
    EXPECT_FALSE(HeapFree(heap, 0, p));  // twice

    // Destroying a heap frees what is left in it.
    HeapAlloc(heap, 0, 100);
    EXPECT_TRUE(HeapDestroy(heap));
    EXPECT_EQ(HeapAlloc(heap, 0, 10), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(HeapDestroy(process));
}

TEST(Heap, MaximumSizeIsHonoured)
{
    HANDLE heap = HeapCreate(0, 0, 1000);
    void* a = HeapAlloc(heap, 0, 800);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(HeapAlloc(heap, 0, 300), nullptr);
    HeapDestroy(heap);
}

TEST(Heap, InjectedFailuresHitOnlyTheCallingThreadsNextAllocations)
{
    HANDLE heap = GetProcessHeap();
    void* block = HeapAlloc(heap, 0, 16);
    ASSERT_NE(block, nullptr);
    winplat::FailHeapAllocations(2);
    void* elsewhere = nullptr;
    std::thread([&] { elsewhere = HeapAlloc(heap, 0, 16); }).join();
    EXPECT_NE(elsewhere, nullptr) << "another thread allocates as usual";
    block = HeapReAlloc(heap, 0, block, 8);
    ASSERT_NE(block, nullptr) << "shrinking needs no memory";
    SetLastError(0);
    EXPECT_EQ(HeapReAlloc(heap, 0, block, 4096), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(HeapAlloc(heap, 0, 1), nullptr);
    void* after = HeapAlloc(heap, 0, 1);
    EXPECT_NE(after, nullptr) << "two failures, then allocations succeed again";
    EXPECT_EQ(HeapSize(heap, 0, block), 8u) << "a failed growth keeps the block";
    HeapFree(heap, 0, after);
    HeapFree(heap, 0, elsewhere);
    HeapFree(heap, 0, block);
}

TEST(GlobalMemory, MoveableBlocksCountLocks)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 100);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 100u);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0);
    EXPECT_EQ(GlobalLock(h), p);
    EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
    EXPECT_TRUE(GlobalUnlock(h));  // still locked once
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalFree(h), h);  // freeing twice fails and returns the handle
    EXPECT_EQ(GlobalSize(h), 0u);
}

TEST(GlobalMemory, MoveableHandleIsNotThePointer)
{
    HGLOBAL h = GlobalAlloc(GHND, 16);
    void* p = GlobalLock(h);
    EXPECT_NE(static_cast<void*>(h), p);
    GlobalUnlock(h);
    GlobalFree(h);
}

TEST(GlobalMemory, EmptyMoveableBlockCannotBeLocked)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISCARDED));
    GlobalFree(h);
}

TEST(GlobalMemory, FixedBlocksArePointers)
{
    HGLOBAL h = GlobalAlloc(GPTR, 32);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalLock(h), static_cast<void*>(h));
    EXPECT_EQ(GlobalSize(h), 32u);
    EXPECT_EQ(GlobalFree(h), nullptr);
    int local = 0;
    EXPECT_EQ(GlobalSize(&local), 0u);  // not a block
}

TEST(VirtualMemory, PagesAreZeroedWritableAndReleasedWhole)
{
    auto* p = static_cast<unsigned char*>(VirtualAlloc(nullptr, 70000, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 4096, 0u);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[69999], 0);
    p[69999] = 1;
    EXPECT_FALSE(IsBadWritePtr(p, 70000));
    EXPECT_FALSE(VirtualFree(p, 70000, MEM_RELEASE));  // release takes size 0
    EXPECT_TRUE(VirtualFree(p, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(p, 0, MEM_RELEASE));
    EXPECT_EQ(VirtualAlloc(nullptr, 0, MEM_COMMIT, PAGE_READWRITE), nullptr);
}

TEST(PointerProbes, TellWritableFromReadOnlyAndNull)
{
    char stack[16];
    EXPECT_FALSE(IsBadWritePtr(stack, sizeof stack));
    EXPECT_TRUE(IsBadWritePtr(nullptr, 4));
    EXPECT_FALSE(IsBadWritePtr(nullptr, 0));
    static const char kReadOnly[] = "constant text that lives in read-only data";
    EXPECT_TRUE(IsBadWritePtr(const_cast<char*>(kReadOnly), 4));
    EXPECT_FALSE(IsBadReadPtr(kReadOnly, 4));
    EXPECT_TRUE(IsBadWritePtr(reinterpret_cast<void*>(0x10), 4));
}

}  // namespace
