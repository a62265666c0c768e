// The Still Image service: device list, opening devices through the class
// registry, forwarding to the driver, the device lock and subscriptions.
#include <stiusd.h>
#include <winplat/host.h>
#include <winplat/stidevices.h>

#include "UsdRecord.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr const char* kTestUsdClass = "{5A7E1C20-3B4D-4E6F-8091-A2B3C4D5E6F7}";

class Service : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
        std::string file = std::string(scratch ? scratch : "/tmp") + "/sti.reg";
        std::ofstream(file) << "[Classes]\n" << kTestUsdClass << "=" << TEST_USD_MODULE << "\n";
        setenv("WINPLAT_REGISTRY", file.c_str(), 1);
        for (const auto& d : winplat::ListStillImageDevices()) winplat::RemoveStillImageDevice(d.internalName);
        ASSERT_EQ(StiCreateInstanceW(GetModuleHandleA(nullptr), STI_VERSION_REAL, &sti_, nullptr), S_OK);
    }
    void TearDown() override
    {
        if (sti_) sti_->Release();
        for (const auto& d : winplat::ListStillImageDevices()) winplat::RemoveStillImageDevice(d.internalName);
        unsetenv("WINPLAT_REGISTRY");
    }

    static void Plug(const std::string& name, const std::string& description, const std::string& port = "\\\\.\\TEST0")
    {
        ASSERT_TRUE(winplat::AddStillImageDevice({name, description, port, kTestUsdClass, GetCurrentProcessId()}));
    }

    IStiDevice* Open(const wchar_t* name, DWORD mode = STI_DEVICE_CREATE_DATA)
    {
        IStiDevice* device = nullptr;
        EXPECT_EQ(sti_->CreateDevice(const_cast<LPWSTR>(name), mode, &device, nullptr), S_OK);
        return device;
    }

    static UsdRecord* Record()
    {
        HMODULE module = GetModuleHandleA("libtest_usd.so");
        return module ? reinterpret_cast<UsdRecord* (*)()>(GetProcAddress(module, "TestUsdRecord"))() : nullptr;
    }

    IStillImage* sti_ = nullptr;
};

TEST_F(Service, ListsDevicesInPluggingOrderInOneBlock)
{
    Plug("cam-b", "Marovane");
    Plug("cam-a", "Lumitra ");
    DWORD count = 0;
    void* buffer = nullptr;
    ASSERT_EQ(sti_->GetDeviceList(StiDeviceTypeDefault, 0, &count, &buffer), S_OK);
    ASSERT_EQ(count, 2u);
    auto* info = static_cast<STI_DEVICE_INFORMATIONW*>(buffer);
    EXPECT_EQ(std::wstring(info[0].szDeviceInternalName), L"cam-b");
    EXPECT_EQ(std::wstring(info[0].pszDeviceDescription), L"Marovane");
    EXPECT_EQ(std::wstring(info[1].pszDeviceDescription), L"Lumitra ");  // kept exactly
    EXPECT_EQ(LocalFree(buffer), nullptr);

    ASSERT_EQ(sti_->GetDeviceList(StiDeviceTypeScanner, 0, &count, &buffer), S_OK);
    EXPECT_EQ(count, 0u);
    LocalFree(buffer);
}

TEST_F(Service, OpensTheDriverWithPortNameAndMode)
{
    Plug("cam", "Marovane", "\\\\.\\MarovaneUsb0");
    IStiDevice* device = Open(L"cam");
    ASSERT_NE(device, nullptr);
    UsdRecord* record = Record();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::wstring(record->port), L"\\\\.\\MarovaneUsb0");
    EXPECT_EQ(record->mode, static_cast<DWORD>(STI_DEVICE_CREATE_DATA));
    EXPECT_EQ(record->liveObjects, 1);
    device->Release();
    EXPECT_EQ(record->liveObjects, 0);
}

TEST_F(Service, AnOpenDeviceKeepsItsDriverLoaded)
{
    Plug("cam", "Marovane");
    IStiDevice* device = Open(L"cam");
    sti_->Release();  // the root goes first and frees idle driver modules
    sti_ = nullptr;
    ASSERT_NE(GetModuleHandleA("libtest_usd.so"), nullptr);
    STI_DEV_CAPS caps = {};
    EXPECT_EQ(device->GetCapabilities(&caps), S_OK);
    device->Release();
    CoFreeUnusedLibraries();
    EXPECT_EQ(GetModuleHandleA("libtest_usd.so"), nullptr);
}

TEST_F(Service, ForwardsTheDeviceMethodsUnchanged)
{
    Plug("cam", "Marovane");
    IStiDevice* device = Open(L"cam");
    UsdRecord* record = Record();
    DWORD size = 0, actual = 0;
    EXPECT_EQ(device->Escape(4098, nullptr, 0, &size, 4, &actual), S_OK);
    EXPECT_EQ(size, 0x1234u);
    EXPECT_EQ(device->Escape(4100, nullptr, 0, nullptr, 0, nullptr), static_cast<HRESULT>(0x8007042A));
    EXPECT_EQ(record->lastEscape, 4100u);
    STI_DEVICE_STATUS status = {sizeof status, STI_DEVSTATUS_ONLINE_STATE, 0, 0, 0, 0};
    EXPECT_EQ(device->GetStatus(&status), S_OK);
    EXPECT_EQ(device->DeviceReset(), S_FALSE);
    EXPECT_EQ(record->resets, 1);
    STI_DEV_CAPS caps = {};
    EXPECT_EQ(device->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps.dwGeneric, static_cast<DWORD>(STI_USD_GENCAP_NATIVE_PUSHSUPPORT));
    device->Release();
}

TEST_F(Service, UnknownDeviceAndFailingDriver)
{
    IStiDevice* device = reinterpret_cast<IStiDevice*>(1);
    EXPECT_EQ(sti_->CreateDevice(const_cast<LPWSTR>(L"nothing"), STI_DEVICE_CREATE_DATA, &device, nullptr),
              STIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(device, nullptr);
    Plug("broken", "Marovane", "\\\\.\\fail");
    EXPECT_EQ(sti_->CreateDevice(const_cast<LPWSTR>(L"broken"), STI_DEVICE_CREATE_DATA, &device, nullptr),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(Record()->liveObjects, 0);
}

TEST_F(Service, LockIsDeviceWideAndReachesTheDriver)
{
    winplat::SetTimeScale(0.01);
    Plug("cam", "Marovane");
    IStiDevice* first = Open(L"cam");
    IStiDevice* second = Open(L"cam");
    UsdRecord* record = Record();
    EXPECT_EQ(first->LockDevice(2000), S_OK);
    EXPECT_EQ(record->locks, 1);
    EXPECT_EQ(second->LockDevice(2000), STIERR_DEVICE_LOCKED);
    EXPECT_EQ(first->UnLockDevice(), S_OK);
    EXPECT_EQ(record->unlocks, 1);
    EXPECT_EQ(second->LockDevice(2000), S_OK);
    EXPECT_EQ(first->UnLockDevice(), STIERR_NEEDS_LOCK);
    second->Release();  // releasing a locked device gives the lock up
    EXPECT_EQ(first->LockDevice(0), S_OK);
    first->Release();
    winplat::SetTimeScale(1.0);
}

// The lock file is named after the internal name without folding any
// character, so names that differ only in a blank and an underscore are
// still two devices with two locks.
TEST_F(Service, DevicesWhoseNamesDifferOnlyInOneCharacterLockApart)
{
    winplat::SetTimeScale(0.01);
    Plug("a b", "Marovane");
    Plug("a_b", "Lumitra");
    IStiDevice* blank = Open(L"a b");
    IStiDevice* underscore = Open(L"a_b");
    ASSERT_NE(blank, nullptr);
    ASSERT_NE(underscore, nullptr);
    EXPECT_EQ(blank->LockDevice(2000), S_OK);
    EXPECT_EQ(underscore->LockDevice(0), S_OK);
    EXPECT_EQ(underscore->UnLockDevice(), S_OK);
    EXPECT_EQ(blank->UnLockDevice(), S_OK);
    underscore->Release();
    blank->Release();
    winplat::SetTimeScale(1.0);
}

TEST_F(Service, LockHoldsAcrossProcesses)
{
    winplat::SetTimeScale(0.01);
    Plug("cam", "Marovane");
    IStiDevice* device = Open(L"cam");
    ASSERT_EQ(device->LockDevice(2000), S_OK);
    pid_t child = fork();
    if (child == 0) {
        IStillImage* sti = nullptr;
        IStiDevice* other = nullptr;
        StiCreateInstanceW(nullptr, STI_VERSION_REAL, &sti, nullptr);
        sti->CreateDevice(const_cast<LPWSTR>(L"cam"), STI_DEVICE_CREATE_DATA, &other, nullptr);
        _exit(other && other->LockDevice(500) == STIERR_DEVICE_LOCKED ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    device->UnLockDevice();
    device->Release();
    winplat::SetTimeScale(1.0);
}

// The lock file lives with the live state: it is made as a plain file only
// we can open, and a symbolic link at its name is not followed (the lock is
// not taken, and nothing appears where the link points).
TEST_F(Service, TheLockFileIsPrivateAndALinkInItsPlaceIsNotFollowed)
{
    Plug("cam", "Marovane");
    std::string lock = winplat::RuntimeFolder() + "/stillimage-" + winplat::StillImageFileName("cam") + ".lock";
    std::string target = winplat::RuntimeFolder() + "/planted-target";
    unlink(lock.c_str());
    unlink(target.c_str());
    ASSERT_EQ(symlink(target.c_str(), lock.c_str()), 0);
    IStiDevice* device = Open(L"cam");
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->LockDevice(0), STIERR_DEVICE_LOCKED);
    EXPECT_NE(access(target.c_str(), F_OK), 0) << "the link's target was made";
    device->Release();

    unlink(lock.c_str());
    device = Open(L"cam");
    EXPECT_EQ(device->LockDevice(0), S_OK);
    struct stat st {};
    ASSERT_EQ(lstat(lock.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode, S_IFREG | 0600u);
    device->Release();
}

TEST_F(Service, SubscriptionTakesAnEvent)
{
    Plug("cam", "Marovane");
    IStiDevice* device = Open(L"cam");
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    STISUBSCRIBE subscribe = {sizeof subscribe, STI_SUBSCRIBE_FLAG_EVENT, 0, nullptr, event, 0};
    EXPECT_EQ(device->Subscribe(&subscribe), S_OK);
    EXPECT_EQ(device->UnSubscribe(), S_OK);
    EXPECT_EQ(device->UnSubscribe(), S_FALSE);
    subscribe.hEvent = nullptr;
    EXPECT_EQ(device->Subscribe(&subscribe), E_INVALIDARG);
    CloseHandle(event);
    device->Release();
}

TEST(ServiceVersion, OnlyTheRealVersionIsAccepted)
{
    IStillImage* sti = reinterpret_cast<IStillImage*>(1);
    EXPECT_EQ(StiCreateInstanceW(nullptr, 1, &sti, nullptr), STIERR_OLD_VERSION);
    EXPECT_EQ(sti, nullptr);
}

}  // namespace
