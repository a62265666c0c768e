// How long a step may take: 8000 ms per transfer step, 1000 ms for the status
// query. A camera step that comes in somewhat before the limit succeeds; one
// that comes somewhat after it fails. The camera delays the step through its
// fault plan, on the same platform clock as the driver's waits.
//
// The time scale is chosen per limit so that "somewhat" is the same real
// margin on either side, ample for a busy machine: the step comes in
// kMarginRealMs of real time before or after the driver gives up.
#include "DriverFixture.h"

#include <filesystem>

namespace minidriver_tests {
namespace {

constexpr DWORD kTransferLimitMs = 8000;
constexpr DWORD kStatusLimitMs = 1000;
// The step arrives at 3/4 or 5/4 of the limit.
constexpr double kEarly = 0.75;
constexpr double kLate = 1.25;
constexpr double kMarginRealMs = 100;

// Sets the clock so that a quarter of the limit is kMarginRealMs of real time.
void ScaleForLimit(DWORD limitMs) { winplat::SetTimeScale(kMarginRealMs / ((1 - kEarly) * limitMs)); }

DWORD Early(DWORD limitMs) { return static_cast<DWORD>(limitMs * kEarly); }
DWORD Late(DWORD limitMs) { return static_cast<DWORD>(limitMs * kLate); }

// One case for each place where the driver waits for a transfer step (the
// directory size, version and delete escapes share the command and reply
// steps of the read and plain escapes).
const StepCase kSteps[] = {
    {"ReadCommand", Command::ReadFile, Step::SendCommand, 4},
    {"ReadData", Command::ReadFile, Step::DataRead, 4},
    {"ReadFinalStatus", Command::ReadFile, Step::StatusRead, 4},
    {"PlainReply", Command::Plain, Step::GetReply, 6},
    {"Descriptor", Command::Descriptor, Step::GetDescriptor, 3},
    {"Reset", Command::DeviceReset, Step::Reset, 3},
};

class StepTimeLimit : public CommandDriverTest {
protected:
    // The reset's dump file, as the driver writes it on drive C:.
    static std::string DumpPath() { return ScratchFolder() + "/drive_c/stilldrv.log"; }

};

class EachWait : public StepTimeLimit, public ::testing::WithParamInterface<StepCase> {};

TEST_P(EachWait, AStepJustInsideTheLimitSucceeds)
{
    ScaleForLimit(kTransferLimitMs);
    AddFault(FaultRule::On(GetParam().step, GetParam().opcode).FromNow(1).Delay(Early(kTransferLimitMs)));
    EXPECT_EQ(Run(GetParam().command), S_OK);
    EXPECT_EQ(StatusQueries(), 0u) << "no follow-up: nothing failed";
}

INSTANTIATE_TEST_SUITE_P(Transport, EachWait, ::testing::ValuesIn(kSteps),
                         [](const ::testing::TestParamInfo<StepCase>& info) { return info.param.name; });

TEST_F(StepTimeLimit, AStepJustPastTheLimitTimesOut)
{
    ScaleForLimit(kTransferLimitMs);
    AddFault(FaultRule::On(Step::DataRead, 4).FromNow(1).Delay(Late(kTransferLimitMs)));
    EXPECT_EQ(Run(Command::ReadFile), kTimeout);
    EXPECT_EQ(actual_, 0u) << "the chunk never came";
    AddFault(FaultRule::On(Step::Reset, 3).FromNow(1).Delay(Late(kTransferLimitMs)));
    EXPECT_EQ(Run(Command::DeviceReset), kTimeout);
}

TEST_F(StepTimeLimit, TheResetDumpIsWrittenWhenTheDescriptorComesJustInsideTheLimit)
{
    ScaleForLimit(kTransferLimitMs);
    std::filesystem::remove(DumpPath());
    AddFault(FaultRule::On(Step::GetDescriptor, 3).FromNow(1).Delay(Late(kTransferLimitMs)));
    EXPECT_EQ(Run(Command::DeviceReset), S_OK);
    EXPECT_FALSE(std::filesystem::exists(DumpPath())) << "a descriptor past the limit is not dumped";

    AddFault(FaultRule::On(Step::GetDescriptor, 3).FromNow(1).Delay(Early(kTransferLimitMs)));
    EXPECT_EQ(Run(Command::DeviceReset), S_OK);
    EXPECT_EQ(std::filesystem::file_size(DumpPath()), 512u);
}

// The status query's reply: the camera's state when it comes before
// 1000 ms; when it comes after, the reply buffer is still zeroed, which is
// not well formed (8).
TEST_F(StepTimeLimit, StatusQueryJustInsideItsLimitIsAnswered)
{
    ScaleForLimit(kStatusLimitMs);
    STI_DEVICE_STATUS status = {sizeof(status), STI_DEVSTATUS_ONLINE_STATE, 0, 0, 0, 0};
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).Delay(Early(kStatusLimitMs)));
    ASSERT_EQ(device_->GetStatus(&status), S_OK);
    EXPECT_EQ(status.dwOnlineState, static_cast<DWORD>(STI_ONLINESTATE_OPERATIONAL));
    EXPECT_EQ(status.dwHardwareStatusCode, 0u);

    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).Delay(Late(kStatusLimitMs)));
    ASSERT_EQ(device_->GetStatus(&status), S_OK);
    EXPECT_EQ(status.dwOnlineState, static_cast<DWORD>(STI_ONLINESTATE_ERROR));
    EXPECT_EQ(status.dwHardwareStatusCode, 8u);
}

TEST_F(StepTimeLimit, FollowUpQueryJustInsideItsLimitGivesTheCameraError)
{
    ScaleForLimit(kStatusLimitMs);
    // A refused step is followed up by a status query; the camera reports
    // 7, which makes the command "not carried out".
    AddFault(FaultRule::On(Step::GetReply, 6).FromNow(1).Fail(ERROR_BUSY));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).Delay(Early(kStatusLimitMs)));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).CameraError(7));
    EXPECT_EQ(Run(Command::Plain), S_FALSE);

    AddFault(FaultRule::On(Step::GetReply, 6).FromNow(1).Fail(ERROR_BUSY));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).Delay(Late(kStatusLimitMs)));
    AddFault(FaultRule::On(Step::GetReply, 1).FromNow(1).CameraError(7));
    EXPECT_EQ(Run(Command::Plain), kServiceError) << "a reply still outstanding is not well formed";
}

// ---- Reads of nothing ----------------------------------------------------------------

TEST_F(StepTimeLimit, AReadOfNothingIssuesNoChunk)
{
    cam_->card().PutFile("S0000001JPG", Pattern(16));
    BYTE out = 0;
    DWORD actual = 5;
    camera::KernelRequests before = cam_->kernelRequests();
    EXPECT_EQ(Escape(ESC_READ_FILE, Params(0, 0, "S0000001JPG"), &out, 0, &actual), S_OK);
    camera::KernelRequests after = cam_->kernelRequests();
    EXPECT_EQ(after.reads - before.reads, 1u) << "the final status only";
    EXPECT_EQ(after.controls - before.controls, 1u) << "the command only";
    EXPECT_EQ(actual, 0u);

    // One byte more is one chunk.
    before = after;
    EXPECT_EQ(Escape(ESC_READ_FILE, Params(0, 1, "S0000001JPG"), &out, 1, &actual), S_OK);
    after = cam_->kernelRequests();
    EXPECT_EQ(after.reads - before.reads, 2u);
    EXPECT_EQ(actual, 1u);
}

TEST_F(StepTimeLimit, ReadsAreCutAtExactly65536Bytes)
{
    cam_->card().PutFile("S0000001JPG", Pattern(2 * kChunk + 1));
    std::vector<BYTE> data;
    DWORD actual = 0;
    for (auto [length, chunks] : {std::pair<DWORD, DWORD>{kChunk - 1, 1}, {kChunk, 1}, {kChunk + 1, 2},
                                  {2 * kChunk, 2}, {2 * kChunk + 1, 3}}) {
        camera::KernelRequests before = cam_->kernelRequests();
        ASSERT_EQ(ReadFile("S0000001JPG", 0, length, &data, &actual), S_OK) << length;
        EXPECT_EQ(cam_->kernelRequests().reads - before.reads, chunks + 1) << length;
        EXPECT_EQ(actual, length);
    }
}

}  // namespace
}  // namespace minidriver_tests
