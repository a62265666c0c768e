// Events, waits, the clock and its scale, critical sections, interlocked
// operations and the per-thread last error.
#include <windows.h>
#include <winplat/host.h>
#include <winplat/objects.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class ScaledTime : public ::testing::Test {
protected:
    void SetUp() override { winplat::SetTimeScale(0.001); }
    void TearDown() override { winplat::SetTimeScale(1.0); }
};

TEST(Events, AutoResetReleasesOneWaitThenResets)
{
    HANDLE e = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_TRUE(SetEvent(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(CloseHandle(e));
}

TEST(Events, ManualResetStaysSignalledUntilReset)
{
    HANDLE e = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    ResetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(e);
}

TEST(Events, SetFromAnotherThreadWakesTheWaiter)
{
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::thread setter([e] {
        Sleep(5);
        SetEvent(e);
    });
    EXPECT_EQ(WaitForSingleObject(e, INFINITE), WAIT_OBJECT_0);
    setter.join();
    CloseHandle(e);
}

TEST(Events, WaitForMultipleAnyAndAll)
{
    HANDLE e[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    SetEvent(e[1]);
    EXPECT_EQ(WaitForMultipleObjects(2, e, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, e, TRUE, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(e[0]);
    EXPECT_EQ(WaitForMultipleObjects(2, e, TRUE, 0), WAIT_OBJECT_0);
    CloseHandle(e[0]);
    CloseHandle(e[1]);
}

TEST(Handles, ClosedAndBogusHandlesAreInvalid)
{
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(e));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(e));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(SetEvent(reinterpret_cast<HANDLE>(0x7ffffff0)));
    EXPECT_FALSE(SetEvent(nullptr));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST(Handles, FitIn32BitsAndAreNotReused)
{
    HANDLE a = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(a);
    HANDLE b = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_NE(a, b);
    EXPECT_LT(reinterpret_cast<uintptr_t>(b), uintptr_t{1} << 31);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 4, 0u);
    CloseHandle(b);
}

TEST_F(ScaledTime, WaitTimesOutAfterThePlatformTime)
{
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    DWORD before = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(e, 8000), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_GE(GetTickCount() - before, 8000u);
    CloseHandle(e);
}

TEST_F(ScaledTime, SleepAdvancesTheTickCount)
{
    DWORD before = GetTickCount();
    Sleep(1000);
    EXPECT_GE(GetTickCount() - before, 1000u);
}

TEST(Clock, ScaleChangeKeepsTheTickCountContinuous)
{
    DWORD before = GetTickCount();
    winplat::SetTimeScale(0.5);
    winplat::SetTimeScale(1.0);
    DWORD after = GetTickCount();
    EXPECT_LT(after - before, 1000u);  // no jump in either direction
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    std::atomic<bool> otherGotIn{false};
    std::thread other([&] { otherGotIn = TryEnterCriticalSection(&cs) != FALSE; });
    other.join();
    EXPECT_FALSE(otherGotIn);
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    std::thread again([&] {
        otherGotIn = TryEnterCriticalSection(&cs) != FALSE;
        if (otherGotIn) LeaveCriticalSection(&cs);
    });
    again.join();
    EXPECT_TRUE(otherGotIn);
    DeleteCriticalSection(&cs);
}

TEST(Interlocked, ReturnsAsThePlatformDoes)
{
    LONG volatile v = 5;
    EXPECT_EQ(InterlockedIncrement(&v), 6);
    EXPECT_EQ(InterlockedDecrement(&v), 5);
    EXPECT_EQ(InterlockedExchange(&v, 9), 5);
    EXPECT_EQ(InterlockedExchangeAdd(&v, 2), 9);
    EXPECT_EQ(InterlockedCompareExchange(&v, 1, 11), 11);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(InterlockedCompareExchange(&v, 7, 3), 1);
    EXPECT_EQ(v, 1);
}

TEST(LastError, IsPerThread)
{
    SetLastError(1234);
    std::thread other([] {
        EXPECT_EQ(GetLastError(), 0u);
        SetLastError(99);
    });
    other.join();
    EXPECT_EQ(GetLastError(), 1234u);
}

}  // namespace
