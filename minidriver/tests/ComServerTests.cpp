// The module as an in-process server: class object, factory, aggregation,
// unloading, Initialize and the methods that need no camera.
#include "DriverFixture.h"

#include <objbase.h>

#include <filesystem>

namespace minidriver_tests {
namespace {

DEFINE_GUID(CLSID_CameraUsd, 0x8BB36A61, 0xB445, 0x11D2, 0xA7, 0x64, 0x52, 0x54, 0xAB, 0xD1, 0x16, 0xD5);
DEFINE_GUID(CLSID_Other, 0x8BB36A62, 0xB445, 0x11D2, 0xA7, 0x64, 0x52, 0x54, 0xAB, 0xD1, 0x16, 0xD5);

// An aggregating object that only counts its references.
struct Outer : IUnknown {
    LONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
};

using ComServer = DriverModuleTest;

TEST_F(ComServer, ClassObjectOnlyForItsClassAndFactoryInterfaces)
{
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(Module(), "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(CLSID_Other, IID_IClassFactory, &object), E_FAIL);
    EXPECT_EQ(getClassObject(CLSID_CameraUsd, IID_IClassFactory, nullptr), E_FAIL);
    EXPECT_EQ(getClassObject(CLSID_CameraUsd, IID_IStiUSD, &object), E_NOINTERFACE);
    EXPECT_EQ(getClassObject(CLSID_CameraUsd, IID_IUnknown, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();

    IUnknown* unknown = nullptr;
    EXPECT_EQ(factory->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
    EXPECT_EQ(unknown, nullptr);
    ASSERT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    unknown->Release();
    factory->Release();
}

TEST_F(ComServer, CreateInstanceChecksInterfaceThenAggregation)
{
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    Outer outer;
    void* object = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IStiUSD, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IStiUSD, nullptr), E_INVALIDARG);
    EXPECT_EQ(outer.refs, 1);
    factory->Release();
}

TEST_F(ComServer, AggregatedObjectForwardsItsInterfaceCountsToTheOuterObject)
{
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    Outer outer;
    IUnknown* inner = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
    factory->Release();
    EXPECT_EQ(outer.refs, 1);

    IStiUSD* usd = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(&usd)), S_OK);
    EXPECT_EQ(outer.refs, 2);  // the interface's AddRef went to the outer object
    usd->AddRef();
    EXPECT_EQ(outer.refs, 3);
    void* none = nullptr;
    EXPECT_EQ(usd->QueryInterface(IID_IStiUSD, &none), E_NOINTERFACE);  // answered by the outer object
    usd->Release();
    usd->Release();
    EXPECT_EQ(outer.refs, 1);
    EXPECT_EQ(inner->Release(), 0u);  // the non-delegating count owned the object
}

TEST_F(ComServer, ModuleStaysWhileFactoriesOrLocksLive)
{
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);  // a factory is held
    IStiUSD* usd = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IStiUSD, reinterpret_cast<void**>(&usd)), S_OK);
    factory->LockServer(TRUE);
    factory->LockServer(TRUE);
    factory->LockServer(FALSE);
    factory->Release();
    usd->Release();
    EXPECT_EQ(CanUnloadNow(), S_FALSE);  // still locked once

    factory = Factory();
    ASSERT_NE(factory, nullptr);
    factory->LockServer(FALSE);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IStiUSD, reinterpret_cast<void**>(&usd)), S_OK);
    factory->Release();
    // Driver objects do not count: their holder keeps a factory or a lock.
    EXPECT_EQ(CanUnloadNow(), S_OK);
    usd->Release();
    CoFreeUnusedLibraries();
    EXPECT_EQ(Module(), nullptr);
}

TEST_F(ComServer, MethodsWithoutDeviceTraffic)
{
    TestDeviceControl control(L"", STI_DEVICE_CREATE_DATA);
    IStiUSD* usd = nullptr;
    ASSERT_EQ(CreateDriver(&control, &usd), S_OK);
    STI_USD_CAPS caps = {};
    EXPECT_EQ(usd->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps.dwVersion, 2u);
    EXPECT_EQ(caps.dwGenericCaps, 1u);
    EXPECT_EQ(usd->GetCapabilities(nullptr), E_INVALIDARG);
    EXPECT_EQ(usd->LockDevice(), S_OK);
    EXPECT_EQ(usd->UnLockDevice(), S_OK);
    DWORD n = 0;
    OVERLAPPED overlapped = {};
    EXPECT_EQ(usd->RawReadData(&n, &n, &overlapped), E_NOTIMPL);
    EXPECT_EQ(usd->RawWriteData(&n, 4, &overlapped), E_NOTIMPL);
    EXPECT_EQ(usd->RawReadCommand(&n, &n, &overlapped), E_NOTIMPL);
    EXPECT_EQ(usd->RawWriteCommand(&n, 4, &overlapped), E_NOTIMPL);
    EXPECT_EQ(usd->SetNotificationHandle(reinterpret_cast<HANDLE>(4)), S_OK);
    STINOTIFY notify = {};
    EXPECT_EQ(usd->GetNotificationData(&notify), kNoMoreItems);
    STI_DIAG diag;
    memset(&diag, 0xAB, sizeof(diag));
    EXPECT_EQ(usd->Diagnostic(&diag), S_OK);
    EXPECT_EQ(diag.dwStatusMask, 0u);
    EXPECT_EQ(diag.dwBasicDiagCode, 0xABABABABu);
    EXPECT_EQ(diag.dwVendorDiagCode, 0xABABABABu);
    STI_ERROR_INFO zero = {};
    EXPECT_EQ(memcmp(&diag.sErrorInfo, &zero, sizeof(zero)), 0);
    usd->Release();
    EXPECT_EQ(control.refs(), 1);
}

// ---- Initialize ------------------------------------------------------------------------

class Initialize : public DriverModuleTest {
protected:
    void SetUp() override
    {
        DriverModuleTest::SetUp();
        cam_ = std::make_unique<camera::VirtualCamera>();
        ASSERT_TRUE(cam_->PlugIn());
        before_ = ObjectCounts();
    }
    void TearDown() override
    {
        DriverModuleTest::TearDown();
        cam_.reset();
    }
    std::wstring Port() const { return Wide(cam_->portName()); }
    std::unique_ptr<camera::VirtualCamera> cam_;
};

TEST_F(Initialize, SecondCallKeepsTheFirstHandleAndDeviceControl)
{
    TestDeviceControl first(Port(), STI_DEVICE_CREATE_DATA);
    TestDeviceControl second(L"\\\\.\\CAMUSB999", STI_DEVICE_CREATE_STATUS);
    IStiUSD* usd = nullptr;
    ASSERT_EQ(CreateDriver(&first, &usd), S_OK);
    EXPECT_EQ(first.refs(), 2);
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Device), before_.devices + 1);
    EXPECT_EQ(usd->Initialize(&second, STI_VERSION_REAL, nullptr), S_OK);
    EXPECT_EQ(second.refs(), 1);
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Device), before_.devices + 1);
    DWORD size = 0;
    EXPECT_EQ(usd->Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &size, 4, nullptr), S_OK);  // still data mode
    EXPECT_EQ(size, 512u);
    usd->Release();
    EXPECT_EQ(first.refs(), 1);
}

TEST_F(Initialize, NeedsADeviceControl)
{
    IStiUSD* usd = nullptr;
    EXPECT_EQ(CreateDriver(nullptr, &usd), E_INVALIDARG);
    usd->Release();
}

TEST_F(Initialize, EmptyPortNameLeavesTheObjectWithoutADevice)
{
    TestDeviceControl control(L"", STI_DEVICE_CREATE_DATA);
    IStiUSD* usd = nullptr;
    ASSERT_EQ(CreateDriver(&control, &usd), S_OK);
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Device), before_.devices);
    ESC_PARAMS params = Params(0, 4, "S0000001JPG");
    DWORD value = 0;
    DWORD actual = 99;
    EXPECT_EQ(usd->Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &value, 4, nullptr), kNotReady);
    EXPECT_EQ(usd->Escape(ESC_READ_FILE, nullptr, 0, nullptr, 0, &actual), kNotReady);  // before the buffers
    EXPECT_EQ(actual, 0u);
    EXPECT_EQ(usd->Escape(ESC_READ_DIRECTORY, &params, sizeof(params), &value, 4, nullptr), kNotReady);
    EXPECT_EQ(usd->Escape(ESC_GET_USB_DESCRIPTOR, nullptr, 0, nullptr, 0, nullptr), kNotReady);
    EXPECT_EQ(usd->Escape(ESC_RESET, nullptr, 0, nullptr, 0, nullptr), kNotReady);
    EXPECT_EQ(usd->Escape(ESC_PLAIN_COMMAND, &params, sizeof(params), nullptr, 0, nullptr), E_ACCESSDENIED);
    EXPECT_EQ(usd->Escape(ESC_GET_VERSION, nullptr, 0, &value, 4, nullptr), E_ACCESSDENIED);
    EXPECT_EQ(usd->Escape(ESC_DELETE_FILE, &params, sizeof(params), nullptr, 0, nullptr), E_ACCESSDENIED);
    STI_DEVICE_STATUS status = {sizeof(status), STI_DEVSTATUS_ONLINE_STATE, 7, 7, 0, 0};
    EXPECT_EQ(usd->GetStatus(&status), E_ACCESSDENIED);
    EXPECT_EQ(status.dwOnlineState, 0u);
    EXPECT_EQ(status.dwHardwareStatusCode, 7u);
    value = 5;
    EXPECT_EQ(usd->GetLastError(&value), S_FALSE);  // device lost: 14
    EXPECT_EQ(value, 5u);

    std::string dump = ScratchFolder() + "/drive_c/stilldrv.log";
    std::remove(dump.c_str());
    EXPECT_EQ(usd->DeviceReset(), kNotReady);
    EXPECT_FALSE(std::filesystem::exists(dump));
    usd->Release();
}

TEST_F(Initialize, PortNameMustFitTheDevicePath)
{
    // 127 bytes and the terminator fit: the name is tried (and not found).
    TestDeviceControl fits(L"\\\\.\\" + std::wstring(123, L'X'), STI_DEVICE_CREATE_DATA);
    IStiUSD* usd = nullptr;
    EXPECT_EQ(CreateDriver(&fits, &usd), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    usd->Release();
    // 128 bytes do not; neither do 64 characters of two bytes each.
    for (const std::wstring& name : {L"\\\\.\\" + std::wstring(124, L'X'), std::wstring(64, L'\u00E9')}) {
        TestDeviceControl tooLong(name, STI_DEVICE_CREATE_DATA);
        EXPECT_EQ(CreateDriver(&tooLong, &usd), E_INVALIDARG);
        DWORD size = 0;
        EXPECT_EQ(usd->Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &size, 4, nullptr), kNotReady);
        usd->Release();
    }
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Device), before_.devices);
}

TEST_F(Initialize, RetryAfterAFailedOpenTakesTheNewDeviceControl)
{
    TestDeviceControl missing(L"\\\\.\\CAMUSB999", STI_DEVICE_CREATE_DATA);
    TestDeviceControl present(Port(), STI_DEVICE_CREATE_DATA);
    IStiUSD* usd = nullptr;
    EXPECT_EQ(CreateDriver(&missing, &usd), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(usd->Initialize(&present, STI_VERSION_REAL, nullptr), S_OK);
    EXPECT_EQ(missing.refs(), 1);  // not leaked
    EXPECT_EQ(present.refs(), 2);
    DWORD size = 0;
    EXPECT_EQ(usd->Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &size, 4, nullptr), S_OK);
    usd->Release();
    EXPECT_EQ(present.refs(), 1);
}

TEST_F(Initialize, OpenModeDecidesTheDataCommands)
{
    struct Case {
        DWORD mode;
        HRESULT modeResult;
        bool data;
        bool plain;
    } cases[] = {{STI_DEVICE_CREATE_DATA, S_OK, true, true},
                 {STI_DEVICE_CREATE_STATUS, S_OK, false, true},
                 {STI_DEVICE_CREATE_BOTH, S_FALSE, false, false}};
    for (const Case& c : cases) {
        TestDeviceControl control(Port(), c.mode, c.modeResult);
        IStiUSD* usd = nullptr;
        ASSERT_EQ(CreateDriver(&control, &usd), S_OK);
        DWORD value = 0;
        ESC_PARAMS params = Params(0, 4, "S0000001JPG");
        // A status-only open answers S_FALSE before looking at the buffers.
        EXPECT_EQ(usd->Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &value, 3, nullptr), c.data ? E_INVALIDARG : S_FALSE);
        EXPECT_EQ(usd->Escape(ESC_GET_VERSION, nullptr, 0, &value, 4, nullptr), c.data ? S_OK : S_FALSE);
        EXPECT_EQ(usd->Escape(ESC_READ_DIRECTORY, &params, sizeof(params), &value, 4, nullptr),
                  c.data ? S_OK : S_FALSE);
        EXPECT_EQ(usd->Escape(ESC_DELETE_FILE, nullptr, 0, nullptr, 0, nullptr), c.data ? E_INVALIDARG : S_FALSE);
        EXPECT_EQ(usd->Escape(ESC_PLAIN_COMMAND, &params, sizeof(params), nullptr, 0, nullptr),
                  c.plain ? S_OK : S_FALSE);
        usd->Release();
    }
}

}  // namespace
}  // namespace minidriver_tests
