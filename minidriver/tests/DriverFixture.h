// End-to-end fixtures for the driver: a virtual camera plugged in
// in-process, the Still Image service, and the real driver module that the
// service loads through the build tree's class registry. The platform clock
// runs twenty times faster: the driver's 8000 ms steps take 0.4 s, and its
// 1000 ms status query keeps a margin of 50 ms for the camera to answer on
// a busy machine.
#pragma once

#include "../../camera/testing/VirtualCamera.h"
#include "EscapeProtocol.h"

#include <stiusd.h>
#include <winplat/host.h>
#include <winplat/objects.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace minidriver_tests {

using camera::FaultRule;
using camera::Step;

constexpr double kTimeScale = 0.05;
constexpr DWORD kChunk = 65536;
constexpr HRESULT kNotReady = static_cast<HRESULT>(0x80070015);
constexpr HRESULT kServiceError = static_cast<HRESULT>(0x8007042A);
constexpr HRESULT kTimeout = static_cast<HRESULT>(0x800705B4);
constexpr HRESULT kBadDriverLevel = static_cast<HRESULT>(0x80070077);
constexpr HRESULT kIoPending = static_cast<HRESULT>(0x800703E5);
constexpr HRESULT kNoMoreItems = static_cast<HRESULT>(0x80070103);

// Bytes that differ from their neighbours, so that misplaced data shows.
std::vector<BYTE> Pattern(size_t size, unsigned seed = 3);
ESC_PARAMS Params(DWORD dwParam, DWORD dwLength = 0, const char* name = "");
std::string ScratchFolder();

// Counts of the platform objects that the driver makes; equal again once
// every driver object is gone.
struct ObjectCounts {
    size_t events = winplat::CountObjects(winplat::ObjectKind::Event);
    size_t devices = winplat::CountObjects(winplat::ObjectKind::Device);
};

// A camera plugged in and opened through STI for data.
class CameraDriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Plugs in a camera of other settings (replaces the one of SetUp).
    void UsePluggedCamera(camera::VirtualCameraOptions options, DWORD openMode = STI_DEVICE_CREATE_DATA);
    void Release();

    HRESULT Escape(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* actual)
    {
        return device_->Escape(code, in, inSize, out, outSize, actual);
    }
    HRESULT Escape(DWORD code, ESC_PARAMS params, void* out = nullptr, DWORD outSize = 0, DWORD* actual = nullptr)
    {
        return Escape(code, &params, sizeof(params), out, outSize, actual);
    }
    HRESULT ReadFile(const char* name, DWORD offset, DWORD length, std::vector<BYTE>* data, DWORD* actual);
    HRESULT ReadFileOfSize(DWORD length, DWORD* actual = nullptr);
    void AddFault(const FaultRule& rule) { ASSERT_TRUE(cam_->faults().Add(rule)); }
    // Status queries (GET_REPLY for opcode 1) the camera has received.
    size_t StatusQueries() const;
    // Unplugs the camera from another thread once a request of `kind` has
    // reached it and the driver has had ample time to be waiting on what
    // follows. The platform clock runs at its natural speed meanwhile, so
    // the driver's wait (8 s) outlasts the margin (0.3 s) by far; join the
    // thread after the driver call.
    std::thread UnplugWhenPending(Step kind);

    std::unique_ptr<camera::VirtualCamera> cam_;
    IStillImage* sti_ = nullptr;
    IStiDevice* device_ = nullptr;
    ObjectCounts before_;
};

// The driver commands that the per-step tests run, and a step of one of
// them to fail or delay (the camera's step and the command's opcode).
enum class Command { DirectorySize, ReadFile, Plain, Version, Descriptor, Delete, DeviceReset };

struct StepCase {
    const char* name;
    Command command;
    Step step;
    int32_t opcode;
};

// A camera driver test that runs whole commands: reading 100 bytes of
// S0000099JPG (three chunks long, on the card from the start), deleting
// S0000001JPG, and the other escapes with their plainest parameters.
class CommandDriverTest : public CameraDriverTest {
protected:
    void SetUp() override;
    HRESULT Run(Command command);

    std::vector<BYTE> data_;  // what the last ReadFile delivered
    DWORD actual_ = 0;
};

// A device control of the test's own, for driving the module through the
// class registry without STI.
class TestDeviceControl final : public IStiDeviceControl {
public:
    TestDeviceControl(std::wstring portName, DWORD openMode, HRESULT modeResult = S_OK)
        : portName_(std::move(portName)), openMode_(openMode), modeResult_(modeResult)
    {
    }
    LONG refs() const { return refs_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs_); }
    STDMETHODIMP Initialize(DWORD, DWORD, LPCWSTR, DWORD) override { return S_OK; }
    STDMETHODIMP RawReadData(LPVOID, LPDWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawWriteData(LPVOID, DWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    STDMETHODIMP RawDeviceControl(USD_CONTROL_CODE, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetLastError(LPDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetMyDevicePortName(LPWSTR lpszDevicePath, DWORD cwDevicePathSize) override;
    STDMETHODIMP GetMyDeviceHandle(LPHANDLE) override { return E_NOTIMPL; }
    STDMETHODIMP GetMyDeviceOpenMode(LPDWORD pdwOpenMode) override
    {
        *pdwOpenMode = openMode_;
        return modeResult_;
    }
    STDMETHODIMP WriteToErrorLog(DWORD, LPCWSTR, DWORD) override { return S_OK; }

private:
    LONG refs_ = 1;
    std::wstring portName_;
    DWORD openMode_;
    HRESULT modeResult_;
};

// The driver module reached through ole32's class registry.
class DriverModuleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { winplat::SetTimeScale(kTimeScale); }
    void SetUp() override;
    void TearDown() override;

    IClassFactory* Factory();
    // A driver object initialised with `control`; S_OK or Initialize's result.
    HRESULT CreateDriver(TestDeviceControl* control, IStiUSD** usd);
    HRESULT CanUnloadNow();
    static HMODULE Module();

    ObjectCounts before_;
};

std::wstring Wide(const std::string& text);

}  // namespace minidriver_tests
