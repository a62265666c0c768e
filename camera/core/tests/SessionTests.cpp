// The camera's end of a link without sockets: checks of what the driver
// sends, the credit window, the shared ring and the paced link.
#include "../../protocol/LinkProtocol.h"
#include "../CameraSession.h"

#include <winerror.h>

#include <gtest/gtest.h>

#include <cstring>

namespace camera {
namespace {

using link::FrameType;
using Clock = CameraSession::Clock;

class Session : public ::testing::Test {
protected:
    void Send(FrameType type, uint32_t id, const Bytes& payload = {})
    {
        link::FrameHeader header{static_cast<uint32_t>(payload.size()), static_cast<uint16_t>(type), 0, id};
        session_->OnFrame(header, payload.data());
    }
    void ReadCommand(uint32_t id, DWORD length)
    {
        CAMERA_COMMAND command{};
        command.wType = 1;
        command.wOpcode = kOpReadFile;
        command.dwLength = length;
        strcpy(command.szName, "S0000001JPG");
        const auto* bytes = reinterpret_cast<const uint8_t*>(&command);
        Send(FrameType::Command, id, Bytes(bytes, bytes + sizeof command));
    }
    bool Next(CameraSession::Outgoing* frame, Clock::time_point now = Clock::now())
    {
        Clock::time_point wake;
        return session_->NextFrame(now, frame, &wake);
    }
    DWORD AnswerError(const CameraSession::Outgoing& frame) { return link::Get32(frame.payload()); }
    // Data bytes that flow before the camera waits for credit.
    size_t DrainData()
    {
        size_t total = 0;
        CameraSession::Outgoing frame;
        while (Next(&frame)) {
            if (frame.header.type == static_cast<uint16_t>(FrameType::RingData)) total += link::Get32(frame.payload() + 4);
            if (frame.header.type == static_cast<uint16_t>(FrameType::Data) && !(frame.header.flags & link::kDataReply))
                total += frame.header.length;
        }
        return total;
    }

    CameraDevice device_;
    std::unique_ptr<CameraSession> session_ = std::make_unique<CameraSession>(device_, 1, std::vector<FaultRule>{});
};

TEST_F(Session, MalformedRequestsAreAnsweredWithErrors)
{
    Send(FrameType::Command, 1, Bytes(31, 0));
    Send(FrameType::QueryReply, 2, Bytes(3, 0));
    Send(FrameType::QueryDescriptor, 3, Bytes(9, 0));
    Send(FrameType::QueryChannelInfo, 4, Bytes(1, 0));
    Send(FrameType::Reset, 5, {});
    Send(FrameType::Hello, 6, {});
    Send(static_cast<FrameType>(0x40), 7, {});
    Send(FrameType::Answer, 8, Bytes(4, 0));  // the camera's own kind of frame
    Send(FrameType::Credit, 9, Bytes(7, 0));  // ignored: nothing to answer
    const DWORD expected[] = {ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER,
                              ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER,
                              ERROR_INVALID_FUNCTION,  ERROR_INVALID_FUNCTION};
    for (uint32_t id = 1; id <= 8; ++id) {
        CameraSession::Outgoing frame;
        ASSERT_TRUE(Next(&frame));
        EXPECT_EQ(frame.header.type, static_cast<uint16_t>(FrameType::Answer));
        EXPECT_EQ(frame.header.id, id);
        EXPECT_EQ(AnswerError(frame), expected[id - 1]);
    }
    CameraSession::Outgoing frame;
    EXPECT_FALSE(Next(&frame));
    EXPECT_TRUE(device_.Requests().empty());
}

TEST_F(Session, TheGreetingCarriesVersionRingAndPlan)
{
    std::vector<uint8_t> memory(link::kDataWindow);
    DataRing ring{memory.data(), link::kDataWindow, 42};
    std::vector<FaultRule> plan = {FaultRule::On(Step::GetReply, 1).Nth(2).NoAnswer()};
    session_ = std::make_unique<CameraSession>(device_, 1, plan, ring);
    Send(FrameType::Hello, 0, Bytes(8, 0));
    CameraSession::Outgoing frame;
    ASSERT_TRUE(Next(&frame));
    ASSERT_EQ(frame.header.type, static_cast<uint16_t>(FrameType::HelloAck));
    EXPECT_EQ(frame.passFd, 42);
    ASSERT_EQ(frame.header.length, 8 + kRuleSize);
    EXPECT_EQ(link::Get32(frame.payload()), link::kProtocolVersion);
    EXPECT_EQ(link::Get32(frame.payload() + 4), link::kDataWindow);
    std::vector<FaultRule> rules;
    ASSERT_TRUE(ParseRules(frame.payload() + 8, kRuleSize, &rules));
    EXPECT_EQ(FormatFaultRule(rules[0]), "get-reply:1@2=hang");
}

TEST_F(Session, DataStaysWithinTheCreditWindow)
{
    device_.card().PutFile("S0000001JPG", Bytes(3u << 20, 7));
    ReadCommand(10, 3u << 20);
    CameraSession::Outgoing answer;
    ASSERT_TRUE(Next(&answer));
    EXPECT_EQ(answer.header.type, static_cast<uint16_t>(FrameType::Answer));
    EXPECT_EQ(DrainData(), link::kDataWindow);
    Bytes credit;
    link::Append32(&credit, 300000);
    Send(FrameType::Credit, 0, credit);
    EXPECT_EQ(DrainData(), 300000u);
    Bytes everything;
    link::Append32(&everything, 0xFFFFFFFF);  // more than was sent: all that is outstanding comes back
    Send(FrameType::Credit, 0, everything);
    EXPECT_EQ(DrainData(), (3u << 20) - link::kDataWindow - 300000u);
}

TEST_F(Session, RingPiecesLieInsideTheRingAndHoldTheData)
{
    std::vector<uint8_t> memory(link::kDataWindow);
    session_ = std::make_unique<CameraSession>(device_, 1, std::vector<FaultRule>{},
                                               DataRing{memory.data(), link::kDataWindow, -1});
    Bytes file(100000);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 13);
    device_.card().PutFile("S0000001JPG", file);
    ReadCommand(11, 100000);
    CameraSession::Outgoing frame;
    ASSERT_TRUE(Next(&frame));  // the answer
    size_t at = 0;
    while (Next(&frame) && frame.header.type == static_cast<uint16_t>(FrameType::RingData)) {
        uint32_t offset = link::Get32(frame.payload()), length = link::Get32(frame.payload() + 4);
        EXPECT_EQ(frame.header.id, 11u);
        ASSERT_LE(offset + length, link::kDataWindow);
        EXPECT_EQ(memcmp(memory.data() + offset, file.data() + at, length), 0);
        at += length;
    }
    EXPECT_EQ(at, file.size());
    EXPECT_EQ(frame.header.type, static_cast<uint16_t>(FrameType::Data));  // the reply goes inline
    EXPECT_EQ(frame.header.flags, link::kDataReply);
}

TEST_F(Session, ASlowLinkPacesItsPieces)
{
    CameraSettings settings;
    settings.linkBitsPerSecond = 12000000;  // 1.5 MB/s: pieces of 30,000 bytes, 20 ms apart
    CameraDevice slow(settings);
    session_ = std::make_unique<CameraSession>(slow, 1, std::vector<FaultRule>{});
    slow.card().PutFile("S0000001JPG", Bytes(100000, 1));
    ReadCommand(1, 100000);
    Clock::time_point now = Clock::now(), wake;
    CameraSession::Outgoing frame;
    ASSERT_TRUE(session_->NextFrame(now, &frame, &wake));  // the answer is not paced
    ASSERT_TRUE(session_->NextFrame(now, &frame, &wake));
    EXPECT_EQ(frame.header.length, 30000u);
    EXPECT_FALSE(session_->NextFrame(now, &frame, &wake));
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count(), 20);
    EXPECT_TRUE(session_->NextFrame(wake, &frame, &wake));
}

TEST_F(Session, PlanChangesAreNumberedAndAcknowledged)
{
    uint32_t change = session_->QueuePlanChange(false, {FaultRule::On(Step::Reset).Every().Fail(31)});
    CameraSession::Outgoing frame;
    ASSERT_TRUE(Next(&frame));
    EXPECT_EQ(frame.header.type, static_cast<uint16_t>(FrameType::PlanAdd));
    EXPECT_EQ(frame.header.id, change);
    EXPECT_EQ(session_->PlanAcknowledged(), 0u);
    Send(FrameType::PlanAck, change + 5);  // never sent: not believed
    EXPECT_EQ(session_->PlanAcknowledged(), 0u);
    Send(FrameType::PlanAck, change);
    EXPECT_EQ(session_->PlanAcknowledged(), change);
    EXPECT_FALSE(session_->UnplugNoticed());
    Send(FrameType::Unplugged, 0);
    EXPECT_TRUE(session_->UnplugNoticed());
}

}  // namespace
}  // namespace camera
