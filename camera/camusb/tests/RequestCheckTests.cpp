// Requests the kernel driver refuses at once, as Windows drivers do: wrong
// sizes, missing buffers, unknown codes. None of them reaches the camera.
#include "LinkFixture.h"

namespace camera::testing {
namespace {

class RequestChecks : public LinkFixture {
protected:
    void ExpectRefused(const Outcome& outcome, DWORD error)
    {
        EXPECT_FALSE(outcome.atOnce);
        EXPECT_FALSE(outcome.pending);
        EXPECT_EQ(outcome.submitError, error);
    }
    void TearDown() override { EXPECT_TRUE(cam_->requests().empty()); }

    CAMERA_COMMAND command_ = PortClient::Command(kOpPlain, 1);
    CAMERA_REPLY reply_{};
};

TEST_F(RequestChecks, PipeRequestsMustBeExactlyTheirSize)
{
    PIPE_REQUEST request{kOpPlain, sizeof command_, &command_, 0};
    uint8_t bigger[sizeof request + 1] = {};
    memcpy(bigger, &request, sizeof request);
    ExpectRefused(port_->Control(kIoctlSendCommand, &request, 16, nullptr, 0), ERROR_INVALID_PARAMETER);
    ExpectRefused(port_->Control(kIoctlSendCommand, bigger, sizeof bigger, nullptr, 0), ERROR_INVALID_PARAMETER);
    ExpectRefused(port_->Control(kIoctlSendCommand, nullptr, 0, nullptr, 0), ERROR_INVALID_PARAMETER);
    ExpectRefused(port_->Control(kIoctlGetReply, &request, 16, &reply_, 16), ERROR_INVALID_PARAMETER);
}

TEST_F(RequestChecks, ACommandIs32BytesAtAGivenAddress)
{
    PIPE_REQUEST request{kOpPlain, 31, &command_, 0};
    ExpectRefused(port_->Control(kIoctlSendCommand, &request, sizeof request, nullptr, 0), ERROR_INVALID_PARAMETER);
    request = {kOpPlain, 32, nullptr, 0};
    ExpectRefused(port_->Control(kIoctlSendCommand, &request, sizeof request, nullptr, 0), ERROR_INVALID_PARAMETER);
}

TEST_F(RequestChecks, AReplyNeeds16BytesBothWays)
{
    PIPE_REQUEST request{kOpStatus, 15, &reply_, 0};
    ExpectRefused(port_->Control(kIoctlGetReply, &request, sizeof request, &reply_, 16), ERROR_INVALID_PARAMETER);
    request = {kOpStatus, 16, nullptr, 0};
    ExpectRefused(port_->Control(kIoctlGetReply, &request, sizeof request, &reply_, 16), ERROR_INVALID_PARAMETER);
    request = {kOpStatus, 16, &reply_, 0};
    ExpectRefused(port_->Control(kIoctlGetReply, &request, sizeof request, &reply_, 15), ERROR_INSUFFICIENT_BUFFER);
    ExpectRefused(port_->Control(kIoctlGetReply, &request, sizeof request, nullptr, 0), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(RequestChecks, SmallBuffersAndShortInputs)
{
    CHANNEL_INFO info;
    ExpectRefused(port_->Control(kIoctlGetChannelInfo, nullptr, 0, &info, 11), ERROR_INSUFFICIENT_BUFFER);
    WORD shortSelector = 3;
    ExpectRefused(port_->Control(kIoctlReset, &shortSelector, 2, nullptr, 0), ERROR_INVALID_PARAMETER);
    DESCRIPTOR_REQUEST descriptor{3, 2, 0x0409};
    uint8_t buffer[512];
    ExpectRefused(port_->Control(kIoctlGetDescriptor, &descriptor, 3, buffer, sizeof buffer), ERROR_INVALID_PARAMETER);
    ExpectRefused(port_->Control(kIoctlGetDescriptor, &descriptor, 4, buffer, 0), ERROR_INVALID_PARAMETER);
}

TEST_F(RequestChecks, ReadsAreAtMost65536Bytes)
{
    std::string buffer(kMaxTransfer + 1, '\0');
    ExpectRefused(port_->Read(buffer.data(), kMaxTransfer + 1), ERROR_INVALID_PARAMETER);
}

TEST_F(RequestChecks, UnknownCodesAndWritesAreInvalidFunctions)
{
    uint8_t buffer[16] = {};
    ExpectRefused(port_->Control(0x80002018, buffer, 16, buffer, 16), ERROR_INVALID_FUNCTION);
    ExpectRefused(port_->Control(0x22000C, buffer, 16, buffer, 16), ERROR_INVALID_FUNCTION);
    DWORD written = 0;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_FALSE(WriteFile(port_->handle(), buffer, 16, &written, &overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    CloseHandle(overlapped.hEvent);
}

TEST_F(RequestChecks, TheReplyReadMustHold16Bytes)
{
    cam_->card().PutFile("S0000001JPG", Pattern(10));
    CAMERA_COMMAND read = PortClient::Command(kOpReadFile, 1, 0, 0, "S0000001JPG");
    ASSERT_TRUE(port_->SendCommand(read).Succeeded());
    char buffer[16];
    ExpectRefused(port_->Read(buffer, 8), ERROR_INSUFFICIENT_BUFFER);
    Outcome outcome = port_->Read(buffer, 16);  // the reply is still there
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.bytes, 16u);
    cam_->ClearLog();
}

}  // namespace
}  // namespace camera::testing
