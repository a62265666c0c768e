// Status, last error, reset with its dump file, and the driver's life
// through the Still Image service.
#include "DriverFixture.h"

#include "Device/IndexRing.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace minidriver_tests {
namespace {

using Status = CameraDriverTest;

STI_DEVICE_STATUS StatusWithMask(DWORD mask)
{
    STI_DEVICE_STATUS status = {sizeof(status), mask, 0x55, 0x66, 0xFFFFFFFF, 0x77};
    return status;
}

TEST_F(Status, MaskZeroOnlyClearsTheOnlineStateAndThePendingFlag)
{
    STI_DEVICE_STATUS status = StatusWithMask(0);
    EXPECT_EQ(device_->GetStatus(&status), S_OK);
    EXPECT_EQ(status.dwOnlineState, 0u);
    EXPECT_EQ(status.dwHardwareStatusCode, 0x66u);
    EXPECT_EQ(status.dwEventHandlingState, 0xFFFFFFFBu);
    EXPECT_EQ(status.dwPollingInterval, 0x77u);
    EXPECT_EQ(StatusQueries(), 0u);
}

TEST_F(Status, OnlineStateFromTheStatusQuery)
{
    STI_DEVICE_STATUS status = StatusWithMask(STI_DEVSTATUS_ONLINE_STATE);
    EXPECT_EQ(device_->GetStatus(&status), S_OK);
    EXPECT_EQ(status.dwOnlineState, static_cast<DWORD>(STI_ONLINESTATE_OPERATIONAL));
    EXPECT_EQ(status.dwHardwareStatusCode, 0u);

    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).CameraError(9));
    EXPECT_EQ(device_->GetStatus(&status), S_OK);
    EXPECT_EQ(status.dwHardwareStatusCode, 9u);

    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).NoAnswer());
    EXPECT_EQ(device_->GetStatus(&status), S_OK);
    EXPECT_EQ(status.dwOnlineState, static_cast<DWORD>(STI_ONLINESTATE_ERROR));
    EXPECT_EQ(status.dwHardwareStatusCode, 8u);

    cam_->Unplug();
    EXPECT_EQ(device_->GetStatus(&status), S_OK);
    EXPECT_EQ(status.dwOnlineState, static_cast<DWORD>(STI_ONLINESTATE_OFFLINE));
    EXPECT_EQ(status.dwHardwareStatusCode, 14u);
    EXPECT_EQ(device_->GetStatus(nullptr), E_INVALIDARG);
}

TEST_F(Status, EventsAreNeverPending)
{
    STI_DEVICE_STATUS status = StatusWithMask(STI_DEVSTATUS_EVENTS_STATE | STI_DEVSTATUS_ONLINE_STATE);
    EXPECT_EQ(device_->GetStatus(&status), S_OK);
    EXPECT_EQ(status.dwEventHandlingState & STI_EVENTHANDLING_PENDING, 0u);
    EXPECT_EQ(status.dwEventHandlingState | STI_EVENTHANDLING_PENDING, 0xFFFFFFFFu);
}

TEST_F(Status, LastErrorIsTheCamerasCurrentError)
{
    std::vector<BYTE> data;
    DWORD actual = 0;
    EXPECT_EQ(ReadFile("S0000077JPG", 0, 10, &data, &actual), kServiceError);  // no such file
    DWORD error = 0;
    EXPECT_EQ(device_->GetLastError(&error), S_OK);
    EXPECT_EQ(error, 9u);
    EXPECT_EQ(device_->GetLastError(nullptr), E_INVALIDARG);
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).NoAnswer());
    error = 1234;
    EXPECT_EQ(device_->GetLastError(&error), kServiceError);
    EXPECT_EQ(error, 1234u);
}

TEST_F(Status, LastErrorInfo)
{
    STI_ERROR_INFO info;
    info.dwSize = sizeof(info);
    info.dwVendorError = 0x1234;
    info.szExtendedErrorText[0] = L'x';
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).CameraError(5));
    EXPECT_EQ(device_->GetLastErrorInfo(&info), S_OK);
    EXPECT_EQ(info.dwVendorError, 5u);
    EXPECT_EQ(info.dwGenericError, 0u);
    EXPECT_EQ(info.szExtendedErrorText[0], L'\0');

    // Not even submitted on its retry: 13, and the vendor error stays.
    info.dwVendorError = 0x1234;
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).Fail(ERROR_BUSY));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(2).Fail(ERROR_BUSY));
    EXPECT_EQ(device_->GetLastErrorInfo(&info), S_OK);
    EXPECT_EQ(info.dwGenericError, static_cast<DWORD>(E_FAIL));
    EXPECT_EQ(info.dwVendorError, 0x1234u);

    // No reply within 1000 ms: 8.
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).NoAnswer());
    EXPECT_EQ(device_->GetLastErrorInfo(&info), S_OK);
    EXPECT_EQ(info.dwGenericError, static_cast<DWORD>(kServiceError));
    EXPECT_EQ(info.dwVendorError, 0x1234u);
    EXPECT_EQ(device_->GetLastErrorInfo(nullptr), E_INVALIDARG);
}

// ---- Reset ------------------------------------------------------------------------------

class Reset : public CameraDriverTest {
protected:
    void SetUp() override
    {
        CameraDriverTest::SetUp();
        camera::VirtualCameraOptions options;
        options.settings.product = "Pardex Q9";  // string descriptor of 20 bytes
        UsePluggedCamera(options);
        dump_ = ScratchFolder() + "/drive_c/stilldrv.log";
        std::filesystem::remove(dump_);
    }
    std::vector<BYTE> Dump() const
    {
        std::ifstream file(dump_, std::ios::binary);
        return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    std::string dump_;
};

TEST_F(Reset, WritesTheProductStringZeroFilledTo512Bytes)
{
    ASSERT_EQ(device_->DeviceReset(), S_OK);
    std::vector<BYTE> dump = Dump();
    ASSERT_EQ(dump.size(), 512u);
    const char product[] = "Pardex Q9";
    EXPECT_EQ(dump[0], 20);
    EXPECT_EQ(dump[1], 3);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(dump[2 + 2 * i], static_cast<BYTE>(product[i]));
        EXPECT_EQ(dump[3 + 2 * i], 0);
    }
    EXPECT_TRUE(std::all_of(dump.begin() + 20, dump.end(), [](BYTE b) { return b == 0; }));

    // What the camera was asked: descriptor 3/2 in US English, the channel
    // information, and a reset with selector 3.
    std::vector<camera::ReceivedRequest> requests = cam_->requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].kind, Step::GetDescriptor);
    EXPECT_EQ(requests[0].descriptor.bDescriptorType, 3);
    EXPECT_EQ(requests[0].descriptor.bDescriptorIndex, 2);
    EXPECT_EQ(requests[0].descriptor.wLanguageId, 0x0409);
    EXPECT_EQ(requests[0].value, 512u);
    EXPECT_EQ(requests[1].kind, Step::GetChannelInfo);
    EXPECT_EQ(requests[2].kind, Step::Reset);
    EXPECT_EQ(requests[2].value, 3u);
}

TEST_F(Reset, FailedDescriptorOrChannelStepsDoNotChangeTheResult)
{
    std::ofstream(dump_) << "earlier";
    AddFault(FaultRule::On(Step::GetDescriptor).FromNow(1).NoAnswer());
    AddFault(FaultRule::On(Step::GetChannelInfo).FromNow(1).NoAnswer());
    EXPECT_EQ(device_->DeviceReset(), S_OK);
    EXPECT_EQ(Dump().size(), 7u);
    AddFault(FaultRule::On(Step::GetDescriptor).FromNow(1).Fail(ERROR_BUSY));
    EXPECT_EQ(device_->DeviceReset(), S_OK);
    EXPECT_EQ(Dump().size(), 7u);
}

TEST_F(Reset, DescriptorReadFailingAfterSubmissionLeavesTheLastDump)
{
    std::ofstream(dump_) << "earlier";
    AddFault(FaultRule::On(Step::GetDescriptor).FromNow(1).NoAnswer());
    std::thread unplugger = UnplugWhenPending(Step::GetDescriptor);
    HRESULT hr = device_->DeviceReset();
    unplugger.join();
    EXPECT_EQ(hr, S_FALSE);  // the reset request finds the device gone
    EXPECT_EQ(Dump().size(), 7u);
}

TEST_F(Reset, DumpThatCannotBeCreatedIsIgnored)
{
    std::filesystem::create_directory(dump_);  // a folder in its place
    EXPECT_EQ(device_->DeviceReset(), S_OK);
    EXPECT_TRUE(std::filesystem::is_directory(dump_));
    std::filesystem::remove(dump_);
}

// ---- Life through the service -------------------------------------------------------------

TEST_F(Status, ReleasingTheServiceFirstKeepsTheDriverLoaded)
{
    // The service frees unused modules when its root goes; the driver object
    // the device holds must keep its module.
    sti_->Release();
    sti_ = nullptr;
    EXPECT_NE(GetModuleHandleA("libminidriver.so"), nullptr);
    DWORD size = 0;
    EXPECT_EQ(Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &size, 4, nullptr), S_OK);
    device_->Release();
    device_ = nullptr;
    CoFreeUnusedLibraries();
    EXPECT_EQ(GetModuleHandleA("libminidriver.so"), nullptr);
}

TEST(IndexRing, CapacityIsAtMostTen)
{
    CIndexRing ring(16);
    EXPECT_EQ(ring.Capacity(), 10);
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(ring.Push(i));
    EXPECT_FALSE(ring.Push(10));
    EXPECT_EQ(ring.Count(), 10);
    EXPECT_EQ(ring.Reset(), 10);
    EXPECT_EQ(ring.Count(), 0);
    CIndexRing small(3);
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(small.Push(i));
        EXPECT_FALSE(small.Push(3));
        small.Reset();
    }
}

}  // namespace
}  // namespace minidriver_tests
