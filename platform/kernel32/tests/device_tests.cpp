// Devices: overlapped completion, pending requests, cancellation and the
// driver modules named by the registry.
#include "slow_device.h"

#include <gtest/gtest.h>
#include <winplat/host.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

class Devices : public ::testing::Test {
protected:
    void SetUp() override
    {
        device_ = std::make_unique<SlowDevice>();
        handle_ = CreateFileA("\\\\.\\SLOW0", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(handle_, INVALID_HANDLE_VALUE);
        overlapped_ = {};
        overlapped_.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    void TearDown() override
    {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        CloseHandle(overlapped_.hEvent);
    }

    std::unique_ptr<SlowDevice> device_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped_;
};

TEST_F(Devices, RequestCompletedAtOnceReturnsTrue)
{
    char in[4] = {1, 2, 3, 4};
    char out[8] = {};
    DWORD n = 0;
    EXPECT_TRUE(DeviceIoControl(handle_, kEchoNow, in, 4, out, 8, &n, &overlapped_));
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(out[3], 4);
    EXPECT_EQ(WaitForSingleObject(overlapped_.hEvent, 0), WAIT_OBJECT_0);  // signalled as well
}

TEST_F(Devices, CompletionByAnotherThreadDuringSubmissionIsStillPending)
{
    // A failure the driver reports from its own thread is a failed
    // completion, never a failed submission, however fast it comes.
    EXPECT_FALSE(DeviceIoControl(handle_, kCompleteFromWorker, nullptr, 0, nullptr, 0, nullptr, &overlapped_));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    DWORD n;
    EXPECT_FALSE(GetOverlappedResult(handle_, &overlapped_, &n, TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
}

TEST_F(Devices, PendingRequestCompletesLater)
{
    char out[16] = {};
    EXPECT_FALSE(ReadFile(handle_, out, sizeof out, nullptr, &overlapped_));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    DWORD n = 0;
    EXPECT_FALSE(GetOverlappedResult(handle_, &overlapped_, &n, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_INCOMPLETE));
    EXPECT_EQ(WaitForSingleObject(overlapped_.hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    std::thread driver([this] { device_->CompleteNext(0, "0123456789abcdefXYZ", 19); });
    EXPECT_EQ(WaitForSingleObject(overlapped_.hEvent, INFINITE), WAIT_OBJECT_0);
    driver.join();
    EXPECT_TRUE(GetOverlappedResult(handle_, &overlapped_, &n, FALSE));
    EXPECT_EQ(n, 16u);  // no more than the caller's buffer
    EXPECT_EQ(std::string(out, 16), "0123456789abcdef");
}

TEST_F(Devices, FailedCompletionReportsTheError)
{
    char out[4];
    ReadFile(handle_, out, 4, nullptr, &overlapped_);
    device_->CompleteNext(ERROR_DEV_NOT_EXIST, "data", 4);
    DWORD n = 99;
    EXPECT_FALSE(GetOverlappedResult(handle_, &overlapped_, &n, TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    EXPECT_EQ(n, 0u);
}

TEST_F(Devices, CancelledRequestNeverWritesTheCallersMemory)
{
    device_->completeOnCancel = false;  // a driver that finishes its work anyway
    char out[8];
    memset(out, '-', sizeof out);
    struct {
        void* address;
    } in{out};
    EXPECT_FALSE(DeviceIoControl(handle_, kWriteThrough, &in, sizeof in, out, sizeof out, nullptr, &overlapped_));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    EXPECT_TRUE(CancelIo(handle_));
    EXPECT_EQ(WaitForSingleObject(overlapped_.hEvent, 0), WAIT_OBJECT_0);
    DWORD n;
    EXPECT_FALSE(GetOverlappedResult(handle_, &overlapped_, &n, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_EQ(device_->cancelCalls, 1);
    EXPECT_FALSE(device_->CompleteNextWritingThrough());
    EXPECT_EQ(std::string(out, 8), "--------");
}

TEST_F(Devices, CallerAddressInsideTheInputIsWrittenWhilePending)
{
    char reply[8] = {};
    struct {
        void* address;
    } in{reply};
    DeviceIoControl(handle_, kWriteThrough, &in, sizeof in, nullptr, 0, nullptr, &overlapped_);
    EXPECT_TRUE(device_->CompleteNextWritingThrough());
    WaitForSingleObject(overlapped_.hEvent, INFINITE);
    EXPECT_STREQ(reply, "reply");
}

TEST_F(Devices, CancelIoOnlyCancelsTheCallingThreadsRequests)
{
    char out[4];
    ReadFile(handle_, out, 4, nullptr, &overlapped_);
    std::thread other([this] { CancelIo(handle_); });
    other.join();
    EXPECT_EQ(device_->Queued(), 1u);
    EXPECT_EQ(WaitForSingleObject(overlapped_.hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CancelIo(handle_);
    EXPECT_EQ(device_->Queued(), 0u);
}

TEST_F(Devices, ClosingTheHandleAbortsWhatIsOutstanding)
{
    char out[4];
    ReadFile(handle_, out, 4, nullptr, &overlapped_);
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    EXPECT_EQ(WaitForSingleObject(overlapped_.hEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(overlapped_.Internal != STATUS_PENDING, true);
}

TEST_F(Devices, OverlappedHandleNeedsAnOverlapped)
{
    char out[4];
    DWORD n;
    EXPECT_FALSE(ReadFile(handle_, out, 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Devices, SynchronousHandleWaitsForCompletion)
{
    HANDLE sync = CreateFileA("\\\\.\\SLOW0", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(sync, INVALID_HANDLE_VALUE);
    std::thread driver([this] { device_->CompleteNext(0, "ok", 2); });
    char out[4] = {};
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(sync, out, 4, &n, nullptr));
    EXPECT_EQ(n, 2u);
    driver.join();
    CloseHandle(sync);
}

TEST(DeviceNames, UnknownDeviceIsNotFound)
{
    EXPECT_EQ(CreateFileA("\\\\.\\NOSUCH", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(DeviceNames, DriverModuleIsLoadedFromTheRegistry)
{
    const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
    std::string file = std::string(scratch ? scratch : "/tmp") + "/drivers.reg";
    std::ofstream(file) << "[Drivers]\ntest=" << TEST_DEVICE_MODULE << "\n";
    setenv("WINPLAT_REGISTRY", file.c_str(), 1);
    HANDLE h = CreateFileA("\\\\.\\MODDEV", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    unsetenv("WINPLAT_REGISTRY");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char out[8] = {};
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(h, out, 8, &n, nullptr));
    EXPECT_STREQ(out, "module");
    CloseHandle(h);
}

// An installed tree names its modules relative to the registry file, so that
// the tree can be moved as a whole; other values stay as written.
TEST(DeviceNames, RegistryPathsRelativeToTheFileResolveBesideIt)
{
    const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
    std::string folder = std::string(scratch ? scratch : "/tmp") + "/relative-registry";
    std::filesystem::create_directories(folder);
    std::string file = folder + "/winplat.reg";
    std::ofstream(file) << "[Drivers]\nhere=./libhere.so\nup=../lib/libup.so\nfixed=/opt/x/libfixed.so\n"
                           "plain=libplain.so\n";
    setenv("WINPLAT_REGISTRY", file.c_str(), 1);
    std::string here, up, fixed, plain;
    bool found = winplat::RegistryValue("Drivers", "here", &here) && winplat::RegistryValue("Drivers", "up", &up) &&
                 winplat::RegistryValue("Drivers", "fixed", &fixed) && winplat::RegistryValue("Drivers", "plain", &plain);
    unsetenv("WINPLAT_REGISTRY");
    ASSERT_TRUE(found);
    EXPECT_EQ(here, folder + "/./libhere.so");
    EXPECT_EQ(up, folder + "/../lib/libup.so");
    EXPECT_EQ(fixed, "/opt/x/libfixed.so");
    EXPECT_EQ(plain, "libplain.so");
}

}  // namespace
