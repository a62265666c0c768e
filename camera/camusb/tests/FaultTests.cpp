// Every kind of fault of the plan, as the driver meets it through the port.
// Waits run on the platform clock at 1/100 of real time; a "late" step is
// 20,000 platform ms late so that an 8,000 ms wait surely ends first.
#include "LinkFixture.h"

#include <winplat/stidevices.h>

#include <chrono>
#include <thread>

namespace camera::testing {
namespace {

constexpr DWORD kLate = 20000;
constexpr DWORD kIoDevice = 1117;  // ERROR_IO_DEVICE
constexpr DWORD kLong = 200000;

// Polls a condition for up to ten seconds of real time.
template <class Condition>
bool Eventually(Condition condition)
{
    for (int i = 0; i < 1000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

class Faults : public LinkFixture {
protected:
    CAMERA_REPLY Status()
    {
        CAMERA_REPLY reply{};
        EXPECT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
        return reply;
    }
};

TEST_F(Faults, ADelayedStepTimesOutAndCompletesLater)
{
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::GetReply, kOpStatus).Nth(1).Delay(kLate)));
    CAMERA_REPLY reply{};
    Outcome outcome = port_->GetReply(kOpStatus, &reply);
    EXPECT_TRUE(outcome.pending);
    EXPECT_EQ(outcome.wait, static_cast<DWORD>(WAIT_TIMEOUT));
    outcome = port_->Finish(kLong);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(reply.wState, kReplyDone);
    EXPECT_EQ(Status().wState, kReplyDone);  // only the first was late
}

TEST_F(Faults, AStepWithoutAnswerWaitsUntilCancelled)
{
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::SendCommand).Every().NoAnswer()));
    Outcome outcome = port_->SendCommand(PortClient::Command(kOpPlain, 3));
    EXPECT_EQ(outcome.wait, static_cast<DWORD>(WAIT_TIMEOUT));
    outcome = port_->Cancel();
    ASSERT_TRUE(outcome.Completed());
    EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_EQ(cam_->commands().size(), 1u);  // the camera took the command; its answer was lost
    EXPECT_EQ(Status().wState, kReplyDone);
}

TEST_F(Faults, OnlyTheNthOccurrenceOfAnOpcodeIsHit)
{
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::GetReply, kOpStatus).Nth(2).NoAnswer()));
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->GetReply(kOpDirectorySize, &reply).Succeeded());  // another opcode: not counted
    ASSERT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
    EXPECT_EQ(port_->GetReply(kOpStatus, &reply).wait, static_cast<DWORD>(WAIT_TIMEOUT));
    port_->Cancel();
    EXPECT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
}

TEST_F(Faults, FromNowCountsFromWhenTheRuleArrives)
{
    CAMERA_REPLY reply{};
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::Any).FromNow(2).Fail(kIoDevice)));
    ASSERT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
    Outcome outcome = port_->GetReply(kOpStatus, &reply);
    EXPECT_EQ(outcome.submitError, static_cast<DWORD>(kIoDevice));
    EXPECT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
}

TEST_F(Faults, AFailedSubmissionNeverReachesTheCamera)
{
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::SendCommand, kOpDeleteFile).Nth(1).Fail(ERROR_SEM_TIMEOUT)));
    cam_->card().PutFile("S0000001JPG", Pattern(10));
    Outcome outcome = port_->SendCommand(PortClient::Command(kOpDeleteFile, 1, 0, 0, "S0000001JPG"));
    EXPECT_FALSE(outcome.pending);
    EXPECT_EQ(outcome.submitError, static_cast<DWORD>(ERROR_SEM_TIMEOUT));
    EXPECT_TRUE(cam_->commands().empty());
    EXPECT_TRUE(cam_->card().File("S0000001JPG"));
    EXPECT_TRUE(port_->SendCommand(PortClient::Command(kOpDeleteFile, 2, 0, 0, "S0000001JPG")).Succeeded());
    EXPECT_FALSE(cam_->card().File("S0000001JPG"));
}

TEST_F(Faults, RepliesCanCarryAnyStateErrorStampOrValue)
{
    ASSERT_TRUE(cam_->faults().Add({FaultRule::On(Step::GetReply, kOpPlain).Nth(1).State(2),
                                    FaultRule::On(Step::GetReply, kOpPlain).Nth(2).Error(5),
                                    FaultRule::On(Step::GetReply, kOpPlain).Nth(3).ForeignStamp(),
                                    FaultRule::On(Step::GetReply, kOpPlain).Nth(4).Value(0xCAFE)}));
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpPlain, 600)).Succeeded());
    CAMERA_REPLY replies[4] = {};
    for (CAMERA_REPLY& reply : replies) ASSERT_TRUE(port_->GetReply(kOpPlain, &reply).Succeeded());
    EXPECT_EQ(replies[0].wState, 2);
    EXPECT_EQ(replies[0].dwStamp, 600u);
    EXPECT_EQ(replies[1].wState, kReplyDone);
    EXPECT_EQ(replies[1].wError, 5);
    EXPECT_NE(replies[2].dwStamp, 600u);
    EXPECT_EQ(replies[2].wError, 0);
    EXPECT_EQ(replies[3].dwValue, 0xCAFEu);
    EXPECT_EQ(replies[3].dwStamp, 600u);
}

TEST_F(Faults, TheStatusCanReportACameraError)
{
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::GetReply, kOpStatus).Nth(1).CameraError(11)));
    CAMERA_REPLY through{};
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->GetReply(kOpStatus, &reply, &through).Succeeded());
    EXPECT_EQ(reply.dwValue, 11u);
    EXPECT_EQ(through.dwValue, 11u);
    EXPECT_EQ(Status().dwValue, 0u);
}

TEST_F(Faults, DirectorySizeAndVersionCanBeAnything)
{
    ASSERT_TRUE(cam_->faults().Add({FaultRule::On(Step::GetReply, kOpDirectorySize).Every().Value(513),
                                    FaultRule::On(Step::GetReply, kOpVersion).Every().Value(0x00FFFFFF)}));
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->GetReply(kOpDirectorySize, &reply).Succeeded());
    EXPECT_EQ(reply.dwValue, 513u);
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpVersion, 9, kCameraVersion)).Succeeded());
    ASSERT_TRUE(port_->GetReply(kOpVersion, &reply).Succeeded());
    EXPECT_EQ(reply.dwValue, 0x00FFFFFFu);
    EXPECT_EQ(reply.dwStamp, 9u);
    ASSERT_TRUE(cam_->faults().Clear());
    ASSERT_TRUE(port_->GetReply(kOpDirectorySize, &reply).Succeeded());
    EXPECT_EQ(reply.dwValue, 512u);
}

TEST_F(Faults, DataReadsAndTheFinalStatusReadAreSeparateSteps)
{
    cam_->card().PutFile("S0000001JPG", Pattern(100000));
    ASSERT_TRUE(cam_->faults().Add({FaultRule::On(Step::DataRead, kOpReadFile).Nth(2).Delay(kLate),
                                    FaultRule::On(Step::StatusRead).Every().Value(kCameraFileNotFound)}));
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpReadFile, 1, 0, 100000, "S0000001JPG")).Succeeded());
    std::string chunk(kMaxTransfer, '\0');
    ASSERT_TRUE(port_->Read(chunk.data(), kMaxTransfer).Succeeded());
    Outcome late = port_->Read(chunk.data(), 100000 - kMaxTransfer);
    EXPECT_EQ(late.wait, static_cast<DWORD>(WAIT_TIMEOUT));
    late = port_->Finish(kLong);
    ASSERT_TRUE(late.Succeeded());
    EXPECT_EQ(late.bytes, 100000 - kMaxTransfer);
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->Read(&reply, sizeof reply).Succeeded());
    EXPECT_EQ(reply.dwStamp, 1u);
    EXPECT_EQ(reply.dwValue, kCameraFileNotFound);
}

TEST_F(Faults, ATimedOutReadCancelledLeavesItsDataForTheNext)
{
    Bytes file = Pattern(1000);
    cam_->card().PutFile("S0000001JPG", file);
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::DataRead).Nth(1).NoAnswer()));
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpReadFile, 1, 0, 1000, "S0000001JPG")).Succeeded());
    std::string chunk(1000, '\0');
    EXPECT_EQ(port_->Read(chunk.data(), 1000).wait, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(port_->Cancel().error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    Outcome outcome = port_->Read(chunk.data(), 1000);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_TRUE(chunk == AsString(file));
}

TEST_F(Faults, ControlStepsOtherThanTheReplyCanFailToo)
{
    ASSERT_TRUE(cam_->faults().Add({FaultRule::On(Step::Reset, 3).Nth(1).Fail(ERROR_GEN_FAILURE),
                                    FaultRule::On(Step::GetDescriptor, 3).Every().Delay(kLate),
                                    FaultRule::On(Step::GetChannelInfo).Nth(1).Fail(ERROR_NOT_READY)}));
    DWORD selector = 3;
    EXPECT_EQ(port_->Control(kIoctlReset, &selector, 4, nullptr, 0).submitError, static_cast<DWORD>(ERROR_GEN_FAILURE));
    selector = 4;  // another selector: another "opcode"
    EXPECT_TRUE(port_->Control(kIoctlReset, &selector, 4, nullptr, 0).Succeeded());
    DESCRIPTOR_REQUEST request{3, 2, 0x0409};
    uint8_t buffer[512];
    EXPECT_EQ(port_->Control(kIoctlGetDescriptor, &request, 4, buffer, 512).wait, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(port_->Finish(kLong).Succeeded());
    CHANNEL_INFO info;
    EXPECT_EQ(port_->Control(kIoctlGetChannelInfo, nullptr, 0, &info, 12).submitError,
              static_cast<DWORD>(ERROR_NOT_READY));
}

TEST_F(Faults, UnplugAtAStepTakesTheCameraAway)
{
    std::string port = cam_->portName();
    ASSERT_EQ(winplat::ListStillImageDevices().size(), 1u);
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::Any).FromNow(2).Unplug()));
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
    EXPECT_EQ(port_->GetReply(kOpStatus, &reply).submitError, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    EXPECT_EQ(port_->SendCommand(PortClient::Command(kOpPlain, 1)).submitError, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    char buffer[16];
    EXPECT_EQ(port_->Read(buffer, 16).submitError, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    // The camera's side hears of it over the link, a moment later.
    EXPECT_TRUE(Eventually([&] { return cam_->unpluggedByFault() && winplat::ListStillImageDevices().empty(); }));
    EXPECT_FALSE(PortClient(port).valid());
}

TEST_F(Faults, UnpluggingCompletesAPendingReadWithDeviceGone)
{
    cam_->card().PutFile("S0000001JPG", Pattern(5000));
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::DataRead).Every().NoAnswer()));
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpReadFile, 1, 0, 5000, "S0000001JPG")).Succeeded());
    std::string chunk(5000, '\0');
    EXPECT_EQ(port_->Read(chunk.data(), 5000, 0).wait, static_cast<DWORD>(WAIT_TIMEOUT));
    cam_->Unplug();
    Outcome outcome = port_->Finish(kLong);
    ASSERT_TRUE(outcome.Completed());
    EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    CAMERA_REPLY reply{};
    EXPECT_EQ(port_->GetReply(kOpStatus, &reply).submitError, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
}

TEST_F(Faults, UnpluggingCompletesPendingControlRequestsToo)
{
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::GetReply).Every().NoAnswer()));
    CAMERA_REPLY reply{};
    EXPECT_EQ(port_->GetReply(kOpStatus, &reply, nullptr, 0).wait, static_cast<DWORD>(WAIT_TIMEOUT));
    cam_->Unplug();
    EXPECT_EQ(port_->Finish(kLong).error, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
}

TEST_F(Faults, CorruptedBytesAndImpossibleEntryCountsReachTheReader)
{
    cam_->card().AddPicture(Pattern(3000), Pattern(2000));
    ASSERT_TRUE(cam_->card().CorruptFile("T0000001JPG", 948, 2));
    cam_->card().SetBlockEntryCount(0, 26);
    std::string data;
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->ReadCommand(PortClient::Command(kOpReadFile, 1, 0, 2000, "T0000001JPG"), &data, &reply));
    Bytes expected = Pattern(2000);
    expected[948] ^= 0xFF;
    expected[949] ^= 0xFF;
    EXPECT_TRUE(data == AsString(expected));
    ASSERT_TRUE(port_->ReadCommand(PortClient::Command(kOpReadDirectory, 2, 0, 512), &data, &reply));
    EXPECT_EQ(static_cast<uint8_t>(data[10]), 26);
}

TEST_F(Faults, RulesGivenBeforePlugInCountFromPlugIn)
{
    VirtualCameraOptions options;
    VirtualCamera cam(options);
    cam.faults().Add(FaultRule::On(Step::GetReply, kOpStatus).Nth(1).Fail(kIoDevice));
    ASSERT_TRUE(cam.PlugIn());
    PortClient port(cam.portName());
    CAMERA_REPLY reply{};
    EXPECT_EQ(port.GetReply(kOpStatus, &reply).submitError, static_cast<DWORD>(kIoDevice));
    EXPECT_TRUE(port.GetReply(kOpStatus, &reply).Succeeded());
}

}  // namespace
}  // namespace camera::testing
