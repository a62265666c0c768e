// Fault rules in text and on the wire, and the framing of the link.
#include "../FaultPlan.h"
#include "../LinkProtocol.h"

#include <gtest/gtest.h>

namespace camera {
namespace {

TEST(FaultRules, TextFormsRoundTrip)
{
    for (const char* text : {"get-reply:1@2=hang", "data-read@every=delay:9000", "any@+3=unplug",
                             "send-command:4@1=fail:87", "get-reply:2@every=value:513", "status-read@2=state:4",
                             "reset:3@1=werror:5", "get-descriptor:3@every=stamp", "data-read:4@+1=short:40"}) {
        FaultRule rule;
        std::string error;
        ASSERT_TRUE(ParseFaultRule(text, &rule, &error)) << text << ": " << error;
        EXPECT_EQ(FormatFaultRule(rule), text);
    }
}

TEST(FaultRules, TextFillsEveryField)
{
    FaultRule rule;
    std::string error;
    ASSERT_TRUE(ParseFaultRule("get-reply:7=value:0x00FFFFFF", &rule, &error));
    EXPECT_EQ(rule.step, Step::GetReply);
    EXPECT_EQ(rule.opcode, 7);
    EXPECT_EQ(rule.when, When::Every);
    EXPECT_EQ(rule.action, Action::Value);
    EXPECT_EQ(rule.arg, 0x00FFFFFFu);
    ASSERT_TRUE(ParseFaultRule("any@+3=unplug", &rule, &error));
    EXPECT_EQ(rule.opcode, kAnyOpcode);
    EXPECT_EQ(rule.when, When::FromNow);
    EXPECT_EQ(rule.n, 3u);
}

TEST(FaultRules, BadTextIsRefusedWithAReason)
{
    for (const char* text : {"", "get-reply", "nothing=hang", "get-reply:x=hang", "get-reply@0=hang", "get-reply@-1=hang",
                             "get-reply=explode", "get-reply=delay", "get-reply=delay:abc", "get-reply=hang:3",
                             "get-reply=value:4294967296", "get-reply:1@2@3=hang"}) {
        FaultRule rule;
        std::string error;
        EXPECT_FALSE(ParseFaultRule(text, &rule, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(FaultRules, WireFormRoundTripsAndRefusesNonsense)
{
    std::vector<FaultRule> rules = {FaultRule::On(Step::StatusRead, 4).Nth(2).Value(9),
                                    FaultRule::On(Step::Any).FromNow(1).Fail(31),
                                    FaultRule::On(Step::DataRead).Every().Delay(12000)};
    std::vector<uint8_t> wire;
    AppendRules(rules, &wire);
    ASSERT_EQ(wire.size(), 3 * kRuleSize);
    std::vector<FaultRule> back;
    ASSERT_TRUE(ParseRules(wire.data(), wire.size(), &back));
    ASSERT_EQ(back.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(FormatFaultRule(back[i]), FormatFaultRule(rules[i]));
    EXPECT_FALSE(ParseRules(wire.data(), wire.size() - 1, &back));
    for (size_t field : {0u, 1u, 2u}) {
        std::vector<uint8_t> bad = wire;
        bad[field] = 0x77;
        EXPECT_FALSE(ParseRules(bad.data(), bad.size(), &back)) << "field " << field;
    }
}

TEST(FaultRules, MatchByKindAndOpcode)
{
    FaultRule rule = FaultRule::On(Step::GetReply, 1);
    EXPECT_TRUE(rule.Matches(Step::GetReply, 1));
    EXPECT_FALSE(rule.Matches(Step::GetReply, 2));
    EXPECT_FALSE(rule.Matches(Step::SendCommand, 1));
    EXPECT_TRUE(FaultRule::On(Step::Any).Matches(Step::Reset, 3));
}

TEST(Framing, FramesSplitFromAStreamAndOversizedHeadersBreakIt)
{
    link::Bytes stream = link::EncodeFrame(link::FrameType::QueryReply, 7, link::Bytes{1, 0, 0, 0});
    link::Bytes second = link::EncodeFrame(link::FrameType::QueryChannelInfo, 8);
    stream.insert(stream.end(), second.begin(), second.end());
    link::FrameSplitter splitter;
    link::FrameHeader header;
    link::Bytes payload;
    splitter.Feed(stream.data(), 5);
    EXPECT_EQ(splitter.Next(&header, &payload), link::FrameSplitter::Result::NeedMore);
    splitter.Feed(stream.data() + 5, stream.size() - 5);
    ASSERT_EQ(splitter.Next(&header, &payload), link::FrameSplitter::Result::Frame);
    EXPECT_EQ(header.id, 7u);
    EXPECT_EQ(payload, (link::Bytes{1, 0, 0, 0}));
    ASSERT_EQ(splitter.Next(&header, &payload), link::FrameSplitter::Result::Frame);
    EXPECT_EQ(header.type, static_cast<uint16_t>(link::FrameType::QueryChannelInfo));
    EXPECT_TRUE(payload.empty());
    EXPECT_EQ(splitter.Next(&header, &payload), link::FrameSplitter::Result::NeedMore);

    uint8_t huge[link::kHeaderSize];
    link::EncodeHeader({link::kMaxPayload + 1, 2, 0, 1}, huge);
    splitter.Feed(huge, sizeof huge);
    EXPECT_EQ(splitter.Next(&header, &payload), link::FrameSplitter::Result::Broken);
}

TEST(Framing, DeviceNamesAreCamusbAndANumber)
{
    EXPECT_TRUE(link::IsCameraDeviceName("CAMUSB0"));
    EXPECT_TRUE(link::IsCameraDeviceName("camusb123"));
    EXPECT_FALSE(link::IsCameraDeviceName("CAMUSB"));
    EXPECT_FALSE(link::IsCameraDeviceName("CAMUSB1x"));
    EXPECT_FALSE(link::IsCameraDeviceName("CAMUSB1234"));
    EXPECT_FALSE(link::IsCameraDeviceName("SLOW0"));
    EXPECT_EQ(link::CameraDeviceName(3), "CAMUSB3");
    std::string path = link::LinkSocketPath("CAMUSB3");
    EXPECT_NE(path.find("/camusb/CAMUSB3.sock"), std::string::npos);
}

}  // namespace
}  // namespace camera
