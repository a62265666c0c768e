// The failure tables of the transport, reached through the camera's fault
// plan: every step timed out and lost, malformed and foreign replies, the
// camera's status codes, refused submissions and their follow-up queries.
#include "DriverFixture.h"

#include <algorithm>
#include <thread>

namespace minidriver_tests {
namespace {

const StepCase kSteps[] = {
    {"DirectorySizeReply", Command::DirectorySize, Step::GetReply, 2},
    {"ReadCommand", Command::ReadFile, Step::SendCommand, 4},
    {"ReadData", Command::ReadFile, Step::DataRead, 4},
    {"ReadFinalStatus", Command::ReadFile, Step::StatusRead, 4},
    {"PlainCommand", Command::Plain, Step::SendCommand, 6},
    {"PlainReply", Command::Plain, Step::GetReply, 6},
    {"VersionCommand", Command::Version, Step::SendCommand, 7},
    {"VersionReply", Command::Version, Step::GetReply, 7},
    {"Descriptor", Command::Descriptor, Step::GetDescriptor, 3},
    {"DeleteCommand", Command::Delete, Step::SendCommand, 16},
    {"DeleteReply", Command::Delete, Step::GetReply, 16},
    {"Reset", Command::DeviceReset, Step::Reset, 3},
};

class Failures : public CommandDriverTest {
protected:
    void SetUp() override
    {
        CommandDriverTest::SetUp();
        cam_->card().AddPicture(Pattern(100), Pattern(100));
    }
};

class EachStep : public Failures, public ::testing::WithParamInterface<StepCase> {};

TEST_P(EachStep, TimedOutWhileTheCameraReportsNoErrorGivesTimeout)
{
    AddFault(FaultRule::On(GetParam().step, GetParam().opcode).FromNow(1).NoAnswer());
    EXPECT_EQ(Run(GetParam().command), kTimeout);
    EXPECT_EQ(StatusQueries(), 1u);
    // The step was cancelled: the next command finds the link free.
    EXPECT_EQ(Run(GetParam().command), GetParam().command == Command::Delete ? kServiceError : S_OK);
}

TEST_P(EachStep, LateAnswerToATimedOutStepFindsItCancelled)
{
    // The answer comes after the bound; by then the step's OVERLAPPED and
    // buffers are gone, so the request must have been cancelled. The
    // follow-up query meanwhile finds the camera reporting an error, which
    // is the command's result.
    AddFault(FaultRule::On(GetParam().step, GetParam().opcode).FromNow(1).Delay(9000));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).CameraError(5));
    EXPECT_EQ(Run(GetParam().command), kServiceError);
    EXPECT_EQ(StatusQueries(), 1u);
    Sleep(2000);
    EXPECT_EQ(Run(GetParam().command), GetParam().command == Command::Delete ? kServiceError : S_OK);
}

TEST_P(EachStep, DeviceLostGivesSFalse)
{
    AddFault(FaultRule::On(GetParam().step, GetParam().opcode).FromNow(1).Unplug());
    EXPECT_EQ(Run(GetParam().command), S_FALSE);
    EXPECT_EQ(StatusQueries(), 0u);
    EXPECT_EQ(Run(GetParam().command), S_FALSE);  // and gone it stays
}

TEST_P(EachStep, RefusedWithInvalidParameterGivesInvalidArgWithoutAQuery)
{
    AddFault(FaultRule::On(GetParam().step, GetParam().opcode).FromNow(1).Fail(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Run(GetParam().command), E_INVALIDARG);
    EXPECT_EQ(StatusQueries(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Transport, EachStep, ::testing::ValuesIn(kSteps),
                         [](const ::testing::TestParamInfo<StepCase>& info) { return info.param.name; });

// ---- Refused submissions and their follow-up --------------------------------------

TEST_F(Failures, RefusedStepWithoutCameraErrorSucceedsWithoutOutput)
{
    AddFault(FaultRule::On(Step::SendCommand, 7).FromNow(1).Fail(ERROR_BUSY));
    DWORD version = 0x1234;
    DWORD actual = 77;
    EXPECT_EQ(Escape(ESC_GET_VERSION, nullptr, 0, &version, 4, &actual), S_OK);
    EXPECT_EQ(version, 0x1234u);
    EXPECT_EQ(actual, 77u);
    EXPECT_EQ(StatusQueries(), 1u);
    EXPECT_EQ(cam_->commands().size(), 0u);
}

TEST_F(Failures, RefusedStepTakesTheCameraErrorOfTheFollowUp)
{
    AddFault(FaultRule::On(Step::GetReply, 2).FromNow(1).Fail(ERROR_BUSY));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).CameraError(12));
    DWORD size = 0;
    EXPECT_EQ(Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &size, 4, nullptr), S_FALSE);
}

TEST_F(Failures, FollowUpQueryRefusedTwiceGivesFail)
{
    AddFault(FaultRule::On(Step::SendCommand, 6).FromNow(1).Fail(ERROR_BUSY));
    AddFault(FaultRule::On(Step::GetReply, 1).Every().Fail(ERROR_BUSY));
    EXPECT_EQ(Run(Command::Plain), E_FAIL);  // 13
}

TEST_F(Failures, FollowUpQueryFindingTheDeviceGoneGivesSFalse)
{
    AddFault(FaultRule::On(Step::SendCommand, 6).FromNow(1).Fail(ERROR_BUSY));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).Fail(ERROR_BUSY));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(2).Fail(ERROR_DEV_NOT_EXIST));
    EXPECT_EQ(Run(Command::Plain), S_FALSE);  // 14 on the retry
}

TEST_F(Failures, FollowUpQueryWithoutAnswerGivesBadReply)
{
    AddFault(FaultRule::On(Step::SendCommand, 6).FromNow(1).Fail(ERROR_BUSY));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).NoAnswer());
    EXPECT_EQ(Run(Command::Plain), kServiceError);  // 8: the reply stayed zeroed
}

// ---- Reads --------------------------------------------------------------------------

TEST_F(Failures, FailureInTheSecondChunkCountsTheFirst)
{
    std::vector<BYTE> file = Pattern(kChunk + 1, 5);
    cam_->card().PutFile("S0000001JPG", file);
    AddFault(FaultRule::On(Step::DataRead, 4).FromNow(2).Fail(ERROR_INVALID_PARAMETER));
    DWORD actual = 0;
    EXPECT_EQ(ReadFile("S0000001JPG", 0, kChunk + 1, &data_, &actual), E_INVALIDARG);
    EXPECT_EQ(actual, kChunk);
    EXPECT_TRUE(std::equal(data_.begin(), data_.begin() + kChunk, file.begin()));
    EXPECT_EQ(data_[kChunk], 0);
}

TEST_F(Failures, RefusedChunkWithoutCameraErrorGoesOnToTheFinalStatus)
{
    AddFault(FaultRule::On(Step::DataRead, 4).FromNow(1).Fail(ERROR_BUSY));
    // The final status read is the next read: refused, it shows that it ran.
    AddFault(FaultRule::On(Step::DataRead, 4).FromNow(2).Fail(ERROR_INVALID_PARAMETER));
    DWORD actual = 0;
    EXPECT_EQ(ReadFile("S0000099JPG", 0, 2 * kChunk, &data_, &actual), E_INVALIDARG);
    EXPECT_EQ(actual, 0u);
    EXPECT_EQ(StatusQueries(), 1u);
}

TEST_F(Failures, TimedOutReadIsCancelledAlsoWhenTheDeviceIsFoundGone)
{
    AddFault(FaultRule::On(Step::DataRead, 4).FromNow(1).NoAnswer());
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).Unplug());
    DWORD actual = 0;
    EXPECT_EQ(ReadFile("S0000099JPG", 0, 2 * kChunk, &data_, &actual), S_FALSE);
    EXPECT_EQ(actual, 0u);
}

TEST_F(Failures, UnplugWhileAReadIsPendingFailsTheRead)
{
    AddFault(FaultRule::On(Step::DataRead, 4).FromNow(1).NoAnswer());
    std::thread unplugger = UnplugWhenPending(Step::SendCommand);
    DWORD actual = 0;
    HRESULT hr = ReadFile("S0000099JPG", 0, 100, &data_, &actual);
    unplugger.join();
    EXPECT_EQ(hr, E_FAIL);  // the read completed, with an error
    EXPECT_EQ(actual, 0u);
}

// A step's memory is the operation's own until the request has completed:
// an answer that comes after the time-out reaches none of the caller's
// buffers once the escape has returned.
TEST_F(Failures, AnAnswerAfterTheTimeOutNeverReachesTheCallersBuffers)
{
    AddFault(FaultRule::On(Step::GetReply, 2).FromNow(1).Delay(9000));
    DWORD size = 0xDEADBEEF, actual = 77;
    EXPECT_EQ(Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &size, 4, &actual), kTimeout);
    AddFault(FaultRule::On(Step::DataRead, 4).FromNow(1).Delay(9000));
    EXPECT_EQ(ReadFile("S0000099JPG", 0, 100, &data_, &actual_), kTimeout);
    Sleep(2000);  // the late answers are due meanwhile
    EXPECT_EQ(size, 0xDEADBEEFu);
    EXPECT_EQ(actual, 77u);
    EXPECT_TRUE(std::all_of(data_.begin(), data_.end(), [](BYTE b) { return b == 0; }));
    EXPECT_EQ(Run(Command::ReadFile), S_OK);
}

// ---- Short reads: a step that delivers less than it needs fails like a failed transfer

TEST_F(Failures, AChunkCutShortFailsTheReadAndCountsOnlyWhatArrived)
{
    std::vector<BYTE> file = Pattern(kChunk + 100, 7);
    cam_->card().PutFile("S0000001JPG", file);
    AddFault(FaultRule::On(Step::DataRead, 4).FromNow(2).Short(40));
    DWORD actual = 0;
    EXPECT_EQ(ReadFile("S0000001JPG", 0, kChunk + 100, &data_, &actual), E_FAIL);
    EXPECT_EQ(actual, kChunk + 40);
    EXPECT_TRUE(std::equal(data_.begin(), data_.begin() + kChunk + 40, file.begin()));
    EXPECT_TRUE(std::all_of(data_.begin() + kChunk + 40, data_.end(), [](BYTE b) { return b == 0; }));

    AddFault(FaultRule::On(Step::DataRead, 4).FromNow(1).Short(0));
    EXPECT_EQ(ReadFile("S0000001JPG", 0, 100, &data_, &actual), E_FAIL);
    EXPECT_EQ(actual, 0u) << "nothing arrived";
    EXPECT_EQ(ReadFile("S0000001JPG", 0, 100, &data_, &actual), S_OK) << "the next read is whole again";
    EXPECT_EQ(actual, 100u);
}

TEST_F(Failures, AFinalStatusCutShortFailsTheRead)
{
    AddFault(FaultRule::On(Step::StatusRead, 4).FromNow(1).Short(8));
    EXPECT_EQ(Run(Command::ReadFile), E_FAIL);
    EXPECT_EQ(actual_, 100u) << "the data itself arrived whole";
}

TEST_F(Failures, ADirectorySizeReplyCutShortFailsTheEscape)
{
    AddFault(FaultRule::On(Step::GetReply, 2).FromNow(1).Short(12));
    DWORD size = 0xDEADBEEF, actual = 77;
    EXPECT_EQ(Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &size, 4, &actual), E_FAIL);
    EXPECT_EQ(size, 0xDEADBEEFu) << "no size the camera did not send";
    EXPECT_EQ(actual, 77u);
    EXPECT_EQ(Run(Command::DirectorySize), S_OK);
}

// ---- Replies ---------------------------------------------------------------------------

TEST_F(Failures, MalformedAndForeignRepliesAreServiceErrors)
{
    const FaultRule rules[] = {
        FaultRule::On(Step::GetReply, 2).FromNow(1).State(2),
        FaultRule::On(Step::GetReply, 2).FromNow(1).Error(1),
    };
    for (const FaultRule& rule : rules) {
        AddFault(rule);
        EXPECT_EQ(Run(Command::DirectorySize), kServiceError);
    }
    EXPECT_EQ(Run(Command::DirectorySize), S_OK);  // the stamp is not compared
    for (const FaultRule& rule : {FaultRule::On(Step::StatusRead, 4).FromNow(1).Error(1),
                                  FaultRule::On(Step::StatusRead, 4).FromNow(1).ForeignStamp(),
                                  FaultRule::On(Step::StatusRead, 4).FromNow(1).State(0)}) {
        AddFault(rule);
        EXPECT_EQ(Run(Command::ReadFile), kServiceError);
    }
    AddFault(FaultRule::On(Step::GetReply, 6).FromNow(1).ForeignStamp());
    EXPECT_EQ(Run(Command::Plain), kServiceError);
}

struct StatusCase {
    DWORD status;
    HRESULT result;
};

class CameraStatus : public Failures, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(CameraStatus, FinalStatusOfAReadMapsThroughTheTable)
{
    AddFault(FaultRule::On(Step::StatusRead, 4).FromNow(1).CameraError(GetParam().status));
    EXPECT_EQ(Run(Command::ReadFile), GetParam().result);
    EXPECT_EQ(actual_, 100u);
}

TEST_P(CameraStatus, ErrorReportedAfterARefusedStepMapsThroughTheTable)
{
    AddFault(FaultRule::On(Step::SendCommand, 16).FromNow(1).Fail(ERROR_BUSY));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).CameraError(GetParam().status));
    EXPECT_EQ(Run(Command::Delete), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Transport, CameraStatus,
                         ::testing::Values(StatusCase{0, S_OK}, StatusCase{2, S_FALSE}, StatusCase{5, kServiceError},
                                           StatusCase{6, kServiceError}, StatusCase{7, S_FALSE},
                                           StatusCase{8, kServiceError}, StatusCase{11, kServiceError},
                                           StatusCase{12, S_FALSE}, StatusCase{13, E_FAIL},
                                           StatusCase{14, S_FALSE}, StatusCase{225, E_INVALIDARG},
                                           StatusCase{227, kServiceError}, StatusCase{99, E_FAIL}),
                         [](const ::testing::TestParamInfo<StatusCase>& info) {
                             return "Status" + std::to_string(info.param.status);
                         });

}  // namespace
}  // namespace minidriver_tests
