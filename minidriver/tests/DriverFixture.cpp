#include "DriverFixture.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace minidriver_tests {

DEFINE_GUID(CLSID_CameraUsd, 0x8BB36A61, 0xB445, 0x11D2, 0xA7, 0x64, 0x52, 0x54, 0xAB, 0xD1, 0x16, 0xD5);

std::vector<BYTE> Pattern(size_t size, unsigned seed)
{
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>((i * 131 + seed + i / 251) & 0xFF);
    return bytes;
}

ESC_PARAMS Params(DWORD dwParam, DWORD dwLength, const char* name)
{
    ESC_PARAMS params = {};
    params.dwParam = dwParam;
    params.dwLength = dwLength;
    // The rest of the field stays zero, so the name is always terminated.
    memcpy(params.szName, name, std::min(strlen(name), sizeof(params.szName) - 1));
    return params;
}

std::string ScratchFolder()
{
    const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
    return scratch ? scratch : "/tmp";
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// ---- CameraDriverTest ---------------------------------------------------------------

void CameraDriverTest::SetUpTestSuite() { winplat::SetTimeScale(kTimeScale); }

void CameraDriverTest::SetUp()
{
    std::string driveC = ScratchFolder() + "/drive_c";
    std::filesystem::create_directories(driveC);
    winplat::SetDriveCFolder(driveC);
    CoInitialize(nullptr);
    UsePluggedCamera({});
}

void CameraDriverTest::UsePluggedCamera(camera::VirtualCameraOptions options, DWORD openMode)
{
    Release();
    cam_.reset();
    cam_ = std::make_unique<camera::VirtualCamera>(options);
    ASSERT_TRUE(cam_->PlugIn());
    before_ = ObjectCounts();
    ASSERT_EQ(StiCreateInstanceW(GetModuleHandleA(nullptr), STI_VERSION_REAL, &sti_, nullptr), S_OK);
    std::wstring name = Wide(cam_->internalName());
    ASSERT_EQ(sti_->CreateDevice(name.data(), openMode, &device_, nullptr), S_OK);
}

void CameraDriverTest::Release()
{
    if (device_) device_->Release();
    device_ = nullptr;
    if (sti_) sti_->Release();
    sti_ = nullptr;
}

void CameraDriverTest::TearDown()
{
    Release();
    ObjectCounts after;
    EXPECT_EQ(after.events, before_.events) << "events left behind";
    EXPECT_EQ(after.devices, before_.devices) << "device handles left behind";
    cam_->device().SetObserver(nullptr);
    cam_.reset();
    winplat::SetTimeScale(kTimeScale);
    CoUninitialize();
}

HRESULT CameraDriverTest::ReadFile(const char* name, DWORD offset, DWORD length, std::vector<BYTE>* data,
                                   DWORD* actual)
{
    data->assign(length, 0);
    return Escape(ESC_READ_FILE, Params(offset, length, name), data->data(), length, actual);
}

void CommandDriverTest::SetUp()
{
    CameraDriverTest::SetUp();
    cam_->card().PutFile("S0000099JPG", Pattern(3 * kChunk));
}

HRESULT CommandDriverTest::Run(Command command)
{
    DWORD value = 0;
    BYTE out[64];
    switch (command) {
        case Command::DirectorySize:
            return Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &value, 4, nullptr);
        case Command::ReadFile:
            return ReadFile("S0000099JPG", 0, 100, &data_, &actual_);
        case Command::Plain:
            return Escape(ESC_PLAIN_COMMAND, Params(0));
        case Command::Version:
            return Escape(ESC_GET_VERSION, nullptr, 0, &value, 4, nullptr);
        case Command::Descriptor:
            return Escape(ESC_GET_USB_DESCRIPTOR, Params(0x0003'0002), out, sizeof(out), nullptr);
        case Command::Delete:
            return Escape(ESC_DELETE_FILE, Params(0, 0, "S0000001JPG"));
        case Command::DeviceReset:
            return device_->DeviceReset();
    }
    return E_UNEXPECTED;
}

HRESULT CameraDriverTest::ReadFileOfSize(DWORD length, DWORD* actual)
{
    cam_->card().PutFile("S0000001JPG", Pattern(length));
    std::vector<BYTE> data;
    return ReadFile("S0000001JPG", 0, length, &data, actual);
}

size_t CameraDriverTest::StatusQueries() const
{
    size_t count = 0;
    for (const camera::ReceivedRequest& r : cam_->requests())
        if (r.kind == Step::GetReply && r.value == 1) count++;
    return count;
}

std::thread CameraDriverTest::UnplugWhenPending(Step kind)
{
    winplat::SetTimeScale(1);
    auto arrived = std::make_shared<std::atomic<bool>>(false);
    cam_->device().SetObserver([arrived, kind](const camera::ReceivedRequest& r) {
        if (r.kind == kind) *arrived = true;
    });
    camera::VirtualCamera* cam = cam_.get();
    return std::thread([arrived, cam] {
        for (int waited = 0; !*arrived && waited < 10000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cam->Unplug();
    });
}

// ---- TestDeviceControl ------------------------------------------------------------------

STDMETHODIMP TestDeviceControl::QueryInterface(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IStiDeviceControl)) return E_NOINTERFACE;
    *ppv = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP TestDeviceControl::GetMyDevicePortName(LPWSTR lpszDevicePath, DWORD cwDevicePathSize)
{
    if (portName_.size() + 1 > cwDevicePathSize) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    memcpy(lpszDevicePath, portName_.c_str(), (portName_.size() + 1) * sizeof(WCHAR));
    return S_OK;
}

// ---- DriverModuleTest -----------------------------------------------------------------------

void DriverModuleTest::SetUp()
{
    std::string driveC = ScratchFolder() + "/drive_c";
    std::filesystem::create_directories(driveC);
    winplat::SetDriveCFolder(driveC);
    CoInitialize(nullptr);
    before_ = ObjectCounts();
}

void DriverModuleTest::TearDown()
{
    ObjectCounts after;
    EXPECT_EQ(after.events, before_.events) << "events left behind";
    EXPECT_EQ(after.devices, before_.devices) << "device handles left behind";
    CoUninitialize();
}

IClassFactory* DriverModuleTest::Factory()
{
    IClassFactory* factory = nullptr;
    EXPECT_EQ(CoGetClassObject(CLSID_CameraUsd, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
}

HRESULT DriverModuleTest::CreateDriver(TestDeviceControl* control, IStiUSD** usd)
{
    *usd = nullptr;
    IClassFactory* factory = Factory();
    if (!factory) return E_FAIL;
    HRESULT hr = factory->CreateInstance(nullptr, IID_IStiUSD, reinterpret_cast<void**>(usd));
    factory->Release();
    if (FAILED(hr)) return hr;
    return (*usd)->Initialize(control, STI_VERSION_REAL, nullptr);
}

HMODULE DriverModuleTest::Module() { return GetModuleHandleA("libminidriver.so"); }

HRESULT DriverModuleTest::CanUnloadNow()
{
    auto canUnload = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(Module(), "DllCanUnloadNow"));
    return canUnload ? canUnload() : E_FAIL;
}

}  // namespace minidriver_tests

// Sanitizer builds: also catch writes into stack frames that have returned,
// which is where a request outliving its operation would write.
extern "C" const char* __asan_default_options() { return "detect_stack_use_after_return=1"; }
