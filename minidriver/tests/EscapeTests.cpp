// The escape command set end to end: argument checks in their order, the
// command blocks the camera receives, and the data and values that come back.
#include "DriverFixture.h"

#include "../../camera/protocol/UsbBlocks.h"
#include "Device/KernelInterface.h"

#include <cstring>

namespace minidriver_tests {
namespace {

// The driver's blocks agree with the ones the camera's kernel driver takes.
static_assert(sizeof(PIPE_REQUEST) == sizeof(camera::PIPE_REQUEST));
static_assert(offsetof(PIPE_REQUEST, pBuffer) == offsetof(camera::PIPE_REQUEST, pBuffer));
static_assert(offsetof(PIPE_REQUEST, dwReserved) == offsetof(camera::PIPE_REQUEST, dwReserved));
static_assert(sizeof(CAMERA_COMMAND) == sizeof(camera::CAMERA_COMMAND));
static_assert(sizeof(CAMERA_REPLY) == sizeof(camera::CAMERA_REPLY));
static_assert(sizeof(DESCRIPTOR_REQUEST) == sizeof(camera::DESCRIPTOR_REQUEST));
static_assert(sizeof(CHANNEL_INFO) == sizeof(camera::CHANNEL_INFO));
static_assert(IOCTL_CAMERA_GET_REPLY == camera::kIoctlGetReply && IOCTL_CAMERA_SEND_COMMAND == camera::kIoctlSendCommand);
static_assert(IOCTL_CAMERA_GET_CHANNEL_INFO == camera::kIoctlGetChannelInfo && IOCTL_CAMERA_RESET == camera::kIoctlReset);
static_assert(IOCTL_CAMERA_GET_DESCRIPTOR == camera::kIoctlGetDescriptor);

using Escapes = CameraDriverTest;

// Checks a received command block field by field: type 1, the opcode, a
// stamp taken during the call, and the parameters.
void ExpectCommand(const camera::CAMERA_COMMAND& c, WORD opcode, DWORD from, DWORD to, DWORD param, DWORD length,
                   const char (&name)[12])
{
    EXPECT_EQ(c.wType, 1);
    EXPECT_EQ(c.wOpcode, opcode);
    EXPECT_EQ(c.dwReserved, 0u);
    EXPECT_GE(c.dwStamp, from);
    EXPECT_LE(c.dwStamp, to);
    EXPECT_EQ(c.dwParam, param);
    EXPECT_EQ(c.dwLength, length);
    EXPECT_EQ(memcmp(c.szName, name, 12), 0);
}

TEST_F(Escapes, UnassignedCodesTouchNothing)
{
    DWORD value = 7;
    DWORD actual = 7;
    for (DWORD code : {4097u, 4101u, 4111u, 4128u, 4131u, 0u}) {
        EXPECT_EQ(Escape(code, Params(0, 4), &value, 4, &actual), S_FALSE) << code;
    }
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(actual, 7u);
    EXPECT_TRUE(cam_->requests().empty());
}

TEST_F(Escapes, DirectorySize)
{
    // 26 entries: two directory blocks.
    for (int i = 0; i < 26; ++i) cam_->card().AddPicture(Pattern(100), Pattern(100));
    DWORD size = 0;
    DWORD actual = 0;
    EXPECT_EQ(Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &size, 3, &actual), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, nullptr, 4, &actual), E_INVALIDARG);
    EXPECT_EQ(actual, 0u);
    BYTE unaligned[5] = {};
    EXPECT_EQ(Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, unaligned + 1, 4, &actual), S_OK);
    memcpy(&size, unaligned + 1, 4);
    EXPECT_EQ(size, 1024u);
    EXPECT_EQ(actual, 4u);
    EXPECT_TRUE(cam_->commands().empty());  // asked, not commanded
}

TEST_F(Escapes, ReadFileSendsItsCommandAndReturnsTheBytes)
{
    std::vector<BYTE> file = Pattern(3000);
    cam_->card().PutFile("S0000042JPG", file);
    ESC_PARAMS params = Params(100, 2000, "S0000042JPG");
    std::vector<BYTE> data(2000);
    DWORD actual = 0;
    DWORD from = GetTickCount();
    ASSERT_EQ(Escape(ESC_READ_FILE, params, data.data(), 2000, &actual), S_OK);
    DWORD to = GetTickCount();
    EXPECT_EQ(actual, 2000u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + 100));
    ASSERT_EQ(cam_->commands().size(), 1u);
    ExpectCommand(cam_->commands()[0], 4, from, to, 100, 2000, params.szName);
}

TEST_F(Escapes, ReadDirectorySendsNoName)
{
    for (int i = 0; i < 2; ++i) cam_->card().AddPicture(Pattern(100), Pattern(100));
    std::vector<BYTE> data(512);
    DWORD actual = 0;
    ASSERT_EQ(Escape(ESC_READ_DIRECTORY, Params(0, 512, "S0000001JPG"), data.data(), 512, &actual), S_OK);
    EXPECT_EQ(actual, 512u);
    EXPECT_EQ(memcmp(data.data() + 6, "CDIR", 4), 0);
    EXPECT_EQ(data[4], 2);  // pictures
    const char noName[12] = {};
    ASSERT_EQ(cam_->commands().size(), 1u);
    ExpectCommand(cam_->commands()[0], 3, 0, GetTickCount(), 0, 512, noName);
}

TEST_F(Escapes, ReadInChunksOfAtMost65536Bytes)
{
    std::vector<BYTE> file = Pattern(2 * kChunk + 10, 9);
    cam_->card().PutFile("S0000001JPG", file);
    std::vector<BYTE> data;
    DWORD actual = 0;
    // 65,537 bytes: a chunk of 65,536 and one of 1, placed at 65,536.
    ASSERT_EQ(ReadFile("S0000001JPG", 5, kChunk + 1, &data, &actual), S_OK);
    EXPECT_EQ(actual, kChunk + 1);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + 5));
    ASSERT_EQ(ReadFile("S0000001JPG", 0, 2 * kChunk + 10, &data, &actual), S_OK);
    EXPECT_EQ(actual, 2 * kChunk + 10);
    EXPECT_TRUE(data == file);
}

TEST_F(Escapes, ReadChecksInTheirOrder)
{
    cam_->card().PutFile("S0000001JPG", Pattern(16));
    std::vector<BYTE> out(16);
    DWORD actual = 99;
    ESC_PARAMS params = Params(0x100000, 16, "S0000001JPG");
    EXPECT_EQ(Escape(ESC_READ_FILE, &params, 23, out.data(), 16, &actual), E_INVALIDARG);
    EXPECT_EQ(actual, 0u);  // cleared first of all
    EXPECT_EQ(Escape(ESC_READ_FILE, &params, 24, nullptr, 16, &actual), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_READ_FILE, params, out.data(), 16, &actual), S_OK);  // highest offset
    params.dwParam = 0x100001;
    EXPECT_EQ(Escape(ESC_READ_FILE, params, out.data(), 16, &actual), E_INVALIDARG);
    params.dwParam = 0;
    EXPECT_EQ(Escape(ESC_READ_FILE, params, out.data(), 15, &actual), E_INVALIDARG);
    // A length that wraps a 32-bit chunk count is still only a length.
    params.dwLength = 0xFFFFFFFF;
    EXPECT_EQ(Escape(ESC_READ_FILE, params, out.data(), 16, &actual), E_INVALIDARG);
    EXPECT_EQ(cam_->commands().size(), 1u);
}

TEST_F(Escapes, ReadOfNothingStillJudgesTheReply)
{
    cam_->card().PutFile("S0000001JPG", Pattern(16));
    DWORD actual = 5;
    BYTE out = 0;
    EXPECT_EQ(Escape(ESC_READ_FILE, Params(0, 0, "S0000001JPG"), &out, 0, &actual), S_OK);
    EXPECT_EQ(actual, 0u);
    ASSERT_EQ(cam_->commands().size(), 1u);
    EXPECT_EQ(cam_->commands()[0].dwLength, 0u);
    // The camera reports a missing file in the reply: 9 is a service error.
    EXPECT_EQ(Escape(ESC_READ_FILE, Params(0, 0, "S0000077JPG"), &out, 0, &actual), kServiceError);
}

TEST_F(Escapes, PlainCommand)
{
    ESC_PARAMS params = Params(1, 2, "IGNORED");
    BYTE in[28] = {};
    EXPECT_EQ(Escape(ESC_PLAIN_COMMAND, in, 28, nullptr, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_PLAIN_COMMAND, nullptr, 24, nullptr, 0, nullptr), E_INVALIDARG);
    DWORD actual = 3;
    EXPECT_EQ(Escape(ESC_PLAIN_COMMAND, params, nullptr, 0, &actual), S_OK);
    EXPECT_EQ(actual, 3u);
    const char noName[12] = {};
    ASSERT_EQ(cam_->commands().size(), 1u);
    ExpectCommand(cam_->commands()[0], 6, 0, GetTickCount(), 0, 0, noName);
}

TEST_F(Escapes, VersionBelowTheLowestIsRefusedButReported)
{
    DWORD version = 0;
    DWORD actual = 0;
    EXPECT_EQ(Escape(ESC_GET_VERSION, nullptr, 0, &version, 3, &actual), E_INVALIDARG);
    ASSERT_EQ(Escape(ESC_GET_VERSION, nullptr, 0, &version, 4, &actual), S_OK);
    EXPECT_EQ(version, 0x01000000u);
    EXPECT_EQ(actual, 4u);
    const char noName[12] = {};
    ExpectCommand(cam_->commands().back(), 7, 0, GetTickCount(), 0x01000000, 0, noName);

    cam_->device().SetVersion(0x00FFFFFF);
    EXPECT_EQ(Escape(ESC_GET_VERSION, nullptr, 0, &version, 4, &actual), kBadDriverLevel);
    EXPECT_EQ(version, 0x00FFFFFFu);
    // A reply of another command still hands its value over.
    cam_->device().SetVersion(0x02000000);
    AddFault(FaultRule::On(Step::GetReply, 7).FromNow(1).ForeignStamp());
    EXPECT_EQ(Escape(ESC_GET_VERSION, nullptr, 0, &version, 4, &actual), kServiceError);
    EXPECT_EQ(version, 0x02000000u);
}

TEST_F(Escapes, UsbDescriptor)
{
    camera::VirtualCameraOptions options;
    options.settings.product = "Pardex Q9";
    UsePluggedCamera(options);
    BYTE out[64] = {};
    DWORD actual = 0;
    EXPECT_EQ(Escape(ESC_GET_USB_DESCRIPTOR, Params(0x0006'0002), out, 64, &actual), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_GET_USB_DESCRIPTOR, Params(0x0000'0002), out, 64, &actual), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_GET_USB_DESCRIPTOR, Params(0x0003'0002), out, 0, &actual), E_INVALIDARG);
    EXPECT_TRUE(cam_->requests().empty());
    // Type 3, index 2 (bits 8 to 15 ignored): string descriptor 2, language 0.
    ASSERT_EQ(Escape(ESC_GET_USB_DESCRIPTOR, Params(0x0003'7F02), out, 64, &actual), S_OK);
    EXPECT_EQ(actual, 20u);
    EXPECT_EQ(out[0], 20);
    EXPECT_EQ(out[1], 3);
    EXPECT_EQ(out[2], 'P');
    ASSERT_EQ(cam_->requests().size(), 1u);
    camera::DESCRIPTOR_REQUEST asked = cam_->requests()[0].descriptor;
    EXPECT_EQ(asked.bDescriptorType, 3);
    EXPECT_EQ(asked.bDescriptorIndex, 2);
    EXPECT_EQ(asked.wLanguageId, 0);
    // The device descriptor, cut to the buffer.
    ASSERT_EQ(Escape(ESC_GET_USB_DESCRIPTOR, Params(0x0001'0000), out, 8, &actual), S_OK);
    EXPECT_EQ(actual, 8u);
    EXPECT_EQ(out[1], 1);
}

TEST_F(Escapes, ResetPassesTheSelectorWithoutWaiting)
{
    DWORD selector = 5;
    EXPECT_EQ(Escape(ESC_RESET, &selector, 3, nullptr, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_RESET, nullptr, 4, nullptr, 0, nullptr), E_INVALIDARG);
    // A camera that answers later: the request is reported pending.
    AddFault(FaultRule::On(Step::Reset).FromNow(1).Delay(1000));
    EXPECT_EQ(Escape(ESC_RESET, &selector, 4, nullptr, 0, nullptr), kIoPending);
    // Nothing of the abandoned request is left over: the next command works,
    // and by its answer the camera has seen the reset before it.
    DWORD size = 0;
    EXPECT_EQ(Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &size, 4, nullptr), S_OK);
    ASSERT_EQ(cam_->requests().size(), 2u);
    EXPECT_EQ(cam_->requests()[0].kind, Step::Reset);
    EXPECT_EQ(cam_->requests()[0].value, 5u);
    AddFault(FaultRule::On(Step::Reset).FromNow(1).Fail(ERROR_BUSY));
    EXPECT_EQ(Escape(ESC_RESET, &selector, 4, nullptr, 0, nullptr), HRESULT_FROM_WIN32(ERROR_BUSY));
    AddFault(FaultRule::On(Step::Reset).FromNow(1).Fail(ERROR_GEN_FAILURE));
    EXPECT_EQ(Escape(ESC_RESET, &selector, 4, nullptr, 0, nullptr), S_FALSE);
}

TEST_F(Escapes, DeleteFile)
{
    for (int i = 0; i < 2; ++i) cam_->card().AddPicture(Pattern(100), Pattern(100));
    ESC_PARAMS params = Params(0, 0, "S0000001JPG");
    DWORD actual = 9;
    EXPECT_EQ(Escape(ESC_DELETE_FILE, &params, 23, nullptr, 0, &actual), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_DELETE_FILE, &params, 25, nullptr, 0, &actual), E_INVALIDARG);
    EXPECT_EQ(actual, 9u);
    DWORD from = GetTickCount();
    ASSERT_EQ(Escape(ESC_DELETE_FILE, params, nullptr, 0, &actual), S_OK);
    EXPECT_EQ(actual, 0u);
    EXPECT_EQ(cam_->card().PictureCount(), 1u);
    ExpectCommand(cam_->commands().back(), 16, from, GetTickCount(), 0, 0, params.szName);
    // No such file: the camera's status 9 in wError.
    EXPECT_EQ(Escape(ESC_DELETE_FILE, params, nullptr, 0, &actual), kServiceError);
    AddFault(FaultRule::On(Step::GetReply, 16).FromNow(1).Error(2));
    EXPECT_EQ(Escape(ESC_DELETE_FILE, Params(0, 0, "S0000002JPG"), nullptr, 0, &actual), S_FALSE);
    AddFault(FaultRule::On(Step::GetReply, 16).FromNow(1).ForeignStamp());
    EXPECT_EQ(Escape(ESC_DELETE_FILE, Params(0, 0, "S0000002JPG"), nullptr, 0, &actual), kServiceError);
    AddFault(FaultRule::On(Step::GetReply, 16).FromNow(1).State(2));
    EXPECT_EQ(Escape(ESC_DELETE_FILE, Params(0, 0, "S0000002JPG"), nullptr, 0, &actual), kServiceError);
}

TEST_F(Escapes, TransferSizeIsFixed)
{
    EXPECT_EQ(Escape(ESC_SET_TRANSFER_SIZE, Params(65536)), S_OK);
    EXPECT_EQ(Escape(ESC_SET_TRANSFER_SIZE, Params(65535)), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_SET_TRANSFER_SIZE, Params(65537)), E_INVALIDARG);
    ESC_PARAMS params = Params(65536);
    EXPECT_EQ(Escape(ESC_SET_TRANSFER_SIZE, &params, 25, nullptr, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(Escape(ESC_SET_TRANSFER_SIZE, nullptr, 24, nullptr, 0, nullptr), E_INVALIDARG);
}

}  // namespace
}  // namespace minidriver_tests
