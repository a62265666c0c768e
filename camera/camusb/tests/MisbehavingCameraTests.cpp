// A camera that breaks the link's rules, played by the test over a socket
// pair: the driver drops what makes no sense and, when the link cannot be
// trusted any more, treats the camera as gone. It never crashes or hangs.
#include "../../protocol/FaultPlan.h"
#include "../../protocol/LinkProtocol.h"
#include "../../testing/VirtualCamera.h"
#include "PortClient.h"

#include <winplat/host.h>

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace camera::testing {
namespace {

using link::FrameType;

class FakeCamera : public ::testing::Test {
protected:
    static inline bool scaled_ = false;
    static void SetUpTestSuite() { scaled_ = UseTestTimeScale(); }

    void SetUp() override
    {
        ASSERT_TRUE(scaled_) << "the platform clock does not run at the tests' time scale";
        int sockets[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets), 0);
        fd_ = sockets[0];
        driverEnd_ = sockets[1];
    }
    void TearDown() override
    {
        DetachPort(kName);
        if (fd_ >= 0) close(fd_);
    }

    // Attaches the driver; the camera's greeting is `greeting`, sent once the Hello is in.
    DWORD Attach(const link::Bytes& greeting)
    {
        std::thread camera([&] {
            link::FrameHeader header;
            link::Bytes payload;
            if (Receive(&header, &payload)) Send(greeting);
        });
        DWORD error = AttachPort(kName, driverEnd_);
        camera.join();
        return error;
    }
    static link::Bytes Greeting(uint32_t ringSize = 0)
    {
        link::Bytes payload;
        link::Append32(&payload, link::kProtocolVersion);
        link::Append32(&payload, ringSize);
        return link::EncodeFrame(FrameType::HelloAck, 0, payload);
    }
    bool Receive(link::FrameHeader* header, link::Bytes* payload)
    {
        pollfd p = {fd_, POLLIN, 0};
        uint8_t raw[link::kHeaderSize];
        if (poll(&p, 1, 10000) != 1 || !link::ReadAll(fd_, raw, sizeof raw) || !link::DecodeHeader(raw, header))
            return false;
        payload->resize(header->length);
        return header->length == 0 || link::ReadAll(fd_, payload->data(), payload->size());
    }
    void Send(const link::Bytes& frame) { ASSERT_TRUE(link::WriteAll(fd_, frame.data(), frame.size())); }
    static link::Bytes Answer(uint32_t id, const link::Bytes& result = {})
    {
        link::Bytes payload(4, 0);
        payload.insert(payload.end(), result.begin(), result.end());
        return link::EncodeFrame(FrameType::Answer, id, payload);
    }
    // Sends a read command through the port and answers it; returns its id.
    uint32_t StartRead(PortClient& port, DWORD length)
    {
        std::thread camera([&] {
            link::FrameHeader header;
            link::Bytes payload;
            if (Receive(&header, &payload)) {
                commandId_ = header.id;
                Send(Answer(header.id));
            }
        });
        EXPECT_TRUE(port.SendCommand(PortClient::Command(kOpReadFile, 1, 0, length, "S0000001JPG")).Succeeded());
        camera.join();
        return commandId_;
    }

    static constexpr const char* kName = "CAMUSB42";
    int fd_ = -1;
    int driverEnd_ = -1;
    uint32_t commandId_ = 0;
};

TEST_F(FakeCamera, AGreetingWithoutItsRingMeansNoCamera)
{
    EXPECT_NE(Attach(Greeting(1u << 20)), 0u);  // a ring announced, no memory passed
    EXPECT_FALSE(PortClient("\\\\.\\CAMUSB42").valid());
}

TEST_F(FakeCamera, AGarbledGreetingMeansNoCamera)
{
    link::Bytes greeting = Greeting();
    link::Bytes rules(5, 0xEE);  // not whole rules
    greeting.insert(greeting.end(), rules.begin(), rules.end());
    link::Put32(greeting.data(), 13);
    EXPECT_NE(Attach(greeting), 0u);
}

TEST_F(FakeCamera, StrayAndOversizedDataIsDropped)
{
    ASSERT_EQ(Attach(Greeting()), 0u);
    PortClient port("\\\\.\\CAMUSB42");
    ASSERT_TRUE(port.valid());
    uint32_t id = StartRead(port, 4);
    Send(link::EncodeFrame(FrameType::Data, 0, id + 100, "zzzz", 4));  // another command's
    Send(link::EncodeFrame(FrameType::Data, 0, id, "toolong", 7));      // more than was asked
    Send(link::EncodeFrame(FrameType::Data, link::kDataReply, id, "short", 5));  // not a whole reply
    Send(Answer(999));                                                   // nobody asked
    Send(link::EncodeFrame(static_cast<FrameType>(0x55), 0, 1, "?", 1));  // unknown kind
    Send(link::EncodeFrame(FrameType::Data, 0, id, "data", 4));
    char buffer[16] = {};
    Outcome outcome = port.Read(buffer, 4);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(std::string(buffer, 4), "data");
    CAMERA_REPLY reply{3, 0, 1, 0, 0};
    Send(link::EncodeFrame(FrameType::Data, link::kDataReply, id, &reply, sizeof reply));
    outcome = port.Read(buffer, 16);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.bytes, 16u);
    EXPECT_EQ(buffer[0], 3);
}

TEST_F(FakeCamera, AMalformedAnswerFailsItsRequestOnly)
{
    ASSERT_EQ(Attach(Greeting()), 0u);
    PortClient port("\\\\.\\CAMUSB42");
    std::thread camera([&] {
        link::FrameHeader header;
        link::Bytes payload;
        if (Receive(&header, &payload)) Send(link::EncodeFrame(FrameType::Answer, 0, header.id, "ab", 2));
        if (Receive(&header, &payload)) Send(Answer(header.id, link::Bytes(15, 3)));  // a reply one byte short
    });
    Outcome outcome = port.SendCommand(PortClient::Command(kOpPlain, 1));
    EXPECT_TRUE(outcome.pending);
    EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_GEN_FAILURE));
    CAMERA_REPLY reply{};
    outcome = port.GetReply(kOpPlain, &reply);
    EXPECT_TRUE(outcome.pending);
    EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_GEN_FAILURE));
    camera.join();
}

TEST_F(FakeCamera, DataOutsideAnyRingBreaksTheLink)
{
    ASSERT_EQ(Attach(Greeting()), 0u);
    PortClient port("\\\\.\\CAMUSB42");
    uint32_t id = StartRead(port, 100);
    char buffer[100];
    EXPECT_EQ(port.Read(buffer, 100, 0).wait, static_cast<DWORD>(WAIT_TIMEOUT));
    link::Bytes where;
    link::Append32(&where, 0);
    link::Append32(&where, 100);
    Send(link::EncodeFrame(FrameType::RingData, 0, id, where.data(), where.size()));
    Outcome outcome = port.Finish(200000);
    EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    EXPECT_EQ(port.SendCommand(PortClient::Command(kOpPlain, 2)).submitError, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
}

TEST_F(FakeCamera, AHeaderAnnouncingTooMuchBreaksTheLink)
{
    ASSERT_EQ(Attach(Greeting()), 0u);
    PortClient port("\\\\.\\CAMUSB42");
    CAMERA_REPLY reply{};
    EXPECT_EQ(port.GetReply(kOpStatus, &reply, nullptr, 0).wait, static_cast<DWORD>(WAIT_TIMEOUT));
    uint8_t header[link::kHeaderSize];
    link::EncodeHeader({link::kMaxPayload + 1, static_cast<uint16_t>(FrameType::Answer), 0, 1}, header);
    Send(link::Bytes(header, header + sizeof header));
    EXPECT_EQ(port.Finish(200000).error, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
}

TEST_F(FakeCamera, ACameraThatHangsUpIsGone)
{
    ASSERT_EQ(Attach(Greeting()), 0u);
    PortClient port("\\\\.\\CAMUSB42");
    CAMERA_REPLY reply{};
    EXPECT_EQ(port.GetReply(kOpStatus, &reply, nullptr, 0).wait, static_cast<DWORD>(WAIT_TIMEOUT));
    close(fd_);
    fd_ = -1;
    EXPECT_EQ(port.Finish(200000).error, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
}

}  // namespace
}  // namespace camera::testing
