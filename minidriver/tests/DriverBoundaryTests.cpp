// The driver's tables and size rules met on both sides: the device-lost
// errors against their neighbours, the status-code table at the edges of
// its rows, and the exact sizes the escapes demand.
#include "DriverFixture.h"

namespace minidriver_tests {
namespace {

class DriverBoundary : public CameraDriverTest {
protected:
    HRESULT DirectorySize(DWORD* size) { return Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, size, 4, nullptr); }
};

// ---- Device-lost errors ------------------------------------------------------------------

struct ErrorCase {
    DWORD error;
    bool lost;
};

class SubmissionError : public DriverBoundary, public ::testing::WithParamInterface<ErrorCase> {};

// A lost device ends the command at once with S_FALSE; any other refusal is
// followed up by a status query, which here finds the camera clear: S_OK
// without output.
TEST_P(SubmissionError, OnlyTheFourDeviceLostErrorsSkipTheFollowUp)
{
    AddFault(FaultRule::On(Step::GetReply, 2).FromNow(1).Fail(GetParam().error));
    DWORD size = 0xABCD;
    HRESULT hr = DirectorySize(&size);
    if (GetParam().lost) {
        EXPECT_EQ(hr, S_FALSE);
        EXPECT_EQ(StatusQueries(), 0u);
    } else {
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(StatusQueries(), 1u);
    }
    EXPECT_EQ(size, 0xABCDu) << "no output either way";
}

INSTANTIATE_TEST_SUITE_P(Transport, SubmissionError,
                         ::testing::Values(ErrorCase{5, false}, ErrorCase{6, true}, ErrorCase{7, false},
                                           ErrorCase{30, false}, ErrorCase{31, true}, ErrorCase{32, true},
                                           ErrorCase{33, false}, ErrorCase{54, false}, ErrorCase{55, true},
                                           ErrorCase{56, false}),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) {
                             return "Error" + std::to_string(info.param.error);
                         });

TEST_F(DriverBoundary, AStatusQueryFindingTheDeviceGoneIsNotRetried)
{
    AddFault(FaultRule::On(Step::GetReply, 2).FromNow(1).Fail(ERROR_BUSY));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).Fail(ERROR_DEV_NOT_EXIST));
    DWORD size = 0;
    camera::KernelRequests before = cam_->kernelRequests();
    EXPECT_EQ(DirectorySize(&size), S_FALSE);  // 14
    EXPECT_EQ(cam_->kernelRequests().controls - before.controls, 2u) << "the step and one status query";
}

// ---- Status-code table -----------------------------------------------------------------

struct StatusCase {
    DWORD status;
    HRESULT result;
};

class StatusEdge : public DriverBoundary, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusEdge, FinalStatusOfAReadMapsThroughTheTable)
{
    cam_->card().PutFile("S0000001JPG", Pattern(10));
    AddFault(FaultRule::On(Step::StatusRead, 4).FromNow(1).CameraError(GetParam().status));
    std::vector<BYTE> data;
    DWORD actual = 0;
    EXPECT_EQ(ReadFile("S0000001JPG", 0, 10, &data, &actual), GetParam().result);
}

// The values next to the table's rows (the rows themselves are met by the
// failure tests).
INSTANTIATE_TEST_SUITE_P(Transport, StatusEdge,
                         ::testing::Values(StatusCase{1, E_FAIL}, StatusCase{3, E_FAIL}, StatusCase{4, E_FAIL},
                                           StatusCase{9, kServiceError}, StatusCase{10, kServiceError},
                                           StatusCase{15, E_FAIL}, StatusCase{224, E_FAIL},
                                           StatusCase{226, kServiceError}, StatusCase{228, E_FAIL}),
                         [](const ::testing::TestParamInfo<StatusCase>& info) {
                             return "Status" + std::to_string(info.param.status);
                         });

// ---- Exact sizes -------------------------------------------------------------------------

TEST_F(DriverBoundary, RecordsOfExactlyTwentyFourBytes)
{
    BYTE in[32] = {};
    ESC_PARAMS transfer = Params(65536);
    memcpy(in, &transfer, sizeof(transfer));
    for (DWORD size : {23u, 25u}) {
        EXPECT_EQ(Escape(ESC_PLAIN_COMMAND, in, size, nullptr, 0, nullptr), E_INVALIDARG) << size;
        EXPECT_EQ(Escape(ESC_SET_TRANSFER_SIZE, in, size, nullptr, 0, nullptr), E_INVALIDARG) << size;
        EXPECT_EQ(Escape(ESC_SET_NOTIFY_WINDOW, in, size, nullptr, 0, nullptr), E_INVALIDARG) << size;
    }
    EXPECT_TRUE(cam_->commands().empty());
    EXPECT_EQ(Escape(ESC_PLAIN_COMMAND, in, 24, nullptr, 0, nullptr), S_OK);
    EXPECT_EQ(Escape(ESC_SET_TRANSFER_SIZE, in, 24, nullptr, 0, nullptr), S_OK);
}

TEST_F(DriverBoundary, RecordsOfAtLeastTwentyFourBytes)
{
    cam_->card().PutFile("S0000001JPG", Pattern(16));
    BYTE in[32] = {};
    ESC_PARAMS read = Params(0, 16, "S0000001JPG");
    memcpy(in, &read, sizeof(read));
    BYTE out[64] = {};
    DWORD actual = 0;
    EXPECT_EQ(Escape(ESC_READ_FILE, in, 23, out, 16, &actual), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_READ_FILE, in, 25, out, 16, &actual), S_OK);
    EXPECT_EQ(Escape(ESC_READ_DIRECTORY, in, 23, out, 16, &actual), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_READ_DIRECTORY, in, 25, out, 16, &actual), S_OK);

    ESC_PARAMS descriptor = Params(0x0001'0000);
    memcpy(in, &descriptor, sizeof(descriptor));
    EXPECT_EQ(Escape(ESC_GET_USB_DESCRIPTOR, in, 23, out, 64, &actual), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_GET_USB_DESCRIPTOR, in, 25, out, 64, &actual), S_OK);
    DWORD selector = 3;
    memcpy(in, &selector, 4);
    EXPECT_EQ(Escape(ESC_RESET, in, 5, nullptr, 0, nullptr), S_OK);
}

TEST_F(DriverBoundary, DescriptorTypesOneToFiveReachTheCamera)
{
    BYTE out[64] = {};
    DWORD actual = 0;
    // Type 5 (an endpoint) is asked for like any other; the virtual camera's
    // answer does not matter here, only that the driver passed it on.
    Escape(ESC_GET_USB_DESCRIPTOR, Params(0x0005'0000), out, 64, &actual);
    ASSERT_EQ(cam_->requests().size(), 1u);
    EXPECT_EQ(cam_->requests()[0].descriptor.bDescriptorType, 5);
    // The least buffer: one byte.
    EXPECT_EQ(Escape(ESC_GET_USB_DESCRIPTOR, Params(0x0001'0000), out, 1, &actual), S_OK);
    EXPECT_EQ(actual, 1u);
    EXPECT_EQ(out[0], 18) << "the device descriptor's length byte";
}

}  // namespace
}  // namespace minidriver_tests
