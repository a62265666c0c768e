// The camera's protocol through the real kernel driver module and the real
// link: every opcode's reply, reads in 65,536-byte pieces, descriptors.
#include "LinkFixture.h"

#include <cstring>

namespace camera::testing {
namespace {

using Link = LinkFixture;

TEST_F(Link, StatusIsAnsweredWithoutACommandIntoBothBuffers)
{
    CAMERA_REPLY reply{}, scratch{};
    Outcome outcome = port_->GetReply(kOpStatus, &reply, &scratch);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.bytes, 16u);
    EXPECT_EQ(reply.wState, kReplyDone);
    EXPECT_EQ(reply.wError, 0);
    EXPECT_EQ(reply.dwValue, 0u);
    EXPECT_EQ(memcmp(&reply, &scratch, sizeof reply), 0);  // written through pBuffer as well
    EXPECT_TRUE(cam_->commands().empty());
}

TEST_F(Link, DirectorySizeIsInWholeBlocks)
{
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->GetReply(kOpDirectorySize, &reply).Succeeded());
    EXPECT_EQ(reply.dwValue, 512u);  // an empty card still has its first block
    for (int i = 0; i < 26; ++i) cam_->card().AddPicture(Pattern(100 + i), Pattern(1000));
    ASSERT_TRUE(port_->GetReply(kOpDirectorySize, &reply).Succeeded());
    EXPECT_EQ(reply.wState, kReplyDone);
    EXPECT_EQ(reply.dwValue, 1024u);
}

TEST_F(Link, PlainAndVersionRepliesEchoTheStamp)
{
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpPlain, 0xABCD1234)).Succeeded());
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->GetReply(kOpPlain, &reply).Succeeded());
    EXPECT_EQ(reply.wState, kReplyDone);
    EXPECT_EQ(reply.wError, 0);
    EXPECT_EQ(reply.dwStamp, 0xABCD1234u);
    EXPECT_EQ(reply.dwValue, 0u);

    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpVersion, 77, kCameraVersion)).Succeeded());
    ASSERT_TRUE(port_->GetReply(kOpVersion, &reply).Succeeded());
    EXPECT_EQ(reply.dwStamp, 77u);
    EXPECT_EQ(reply.dwValue, 0x01000000u);

    cam_->device().SetVersion(0x01020304);
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpVersion, 78, kCameraVersion)).Succeeded());
    ASSERT_TRUE(port_->GetReply(kOpVersion, &reply).Succeeded());
    EXPECT_EQ(reply.dwValue, 0x01020304u);
}

TEST_F(Link, AReplyNoCommandLeftIsABadCommand)
{
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->GetReply(kOpPlain, &reply).Succeeded());
    EXPECT_EQ(reply.wState, kReplyDone);
    EXPECT_EQ(reply.wError, kCameraBadCommand);

    CAMERA_COMMAND command = PortClient::Command(kOpPlain, 5);
    command.wType = 2;
    ASSERT_TRUE(port_->SendCommand(command).Succeeded());
    ASSERT_TRUE(port_->GetReply(kOpPlain, &reply).Succeeded());
    EXPECT_EQ(reply.wError, kCameraBadCommand);

    ASSERT_TRUE(port_->SendCommand(PortClient::Command(12, 6)).Succeeded());  // no such opcode
    ASSERT_TRUE(port_->GetReply(12, &reply).Succeeded());
    EXPECT_EQ(reply.wError, kCameraBadCommand);
    ASSERT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
    EXPECT_EQ(reply.dwValue, kCameraBadCommand);
}

TEST_F(Link, DeleteRemovesThePicturesFilesAndEntry)
{
    cam_->card().AddPicture(Pattern(3000), Pattern(2000));
    std::string second = cam_->card().AddPicture(Pattern(4000), Pattern(2000));
    ASSERT_EQ(second, "S0000002");
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpDeleteFile, 900, 0, 0, "S0000002JPG")).Succeeded());
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->GetReply(kOpDeleteFile, &reply).Succeeded());
    EXPECT_EQ(reply.wState, kReplyDone);
    EXPECT_EQ(reply.wError, 0);
    EXPECT_EQ(reply.dwStamp, 900u);
    EXPECT_FALSE(cam_->card().File("S0000002JPG"));
    EXPECT_FALSE(cam_->card().File("T0000002JPG"));
    ASSERT_EQ(cam_->card().PictureCount(), 1u);

    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpDeleteFile, 901, 0, 0, "S0000002JPG")).Succeeded());
    ASSERT_TRUE(port_->GetReply(kOpDeleteFile, &reply).Succeeded());
    EXPECT_EQ(reply.wError, kCameraFileNotFound);
    EXPECT_EQ(reply.dwStamp, 901u);
}

TEST_F(Link, DirectoryReadsMatchTheCardBlockByBlock)
{
    for (int i = 0; i < 30; ++i) cam_->card().AddPicture(Pattern(5000 + i), Pattern(1200));
    SharedBytes directory = cam_->card().Directory();
    ASSERT_EQ(directory->size(), 1024u);
    for (DWORD offset : {0u, 512u}) {
        std::string data;
        CAMERA_REPLY reply{};
        ASSERT_TRUE(port_->ReadCommand(PortClient::Command(kOpReadDirectory, 40 + offset, offset, 512), &data, &reply));
        EXPECT_EQ(data, std::string(directory->begin() + offset, directory->begin() + offset + 512));
        EXPECT_EQ(reply.wState, kReplyDone);
        EXPECT_EQ(reply.wError, 0);
        EXPECT_EQ(reply.dwStamp, 40 + offset);
        EXPECT_EQ(reply.dwValue, 0u);
    }
    EXPECT_EQ(static_cast<uint8_t>((*directory)[512 + 10]), 5);  // 30 = 25 + 5
}

TEST_F(Link, FileDataComesIn65536BytePiecesThenTheReply)
{
    Bytes file = Pattern(200000);
    cam_->card().PutFile("S0000001JPG", file);
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpReadFile, 99, 0, 200000, "S0000001JPG")).Succeeded());
    std::string data, chunk(kMaxTransfer, '\0');
    for (DWORD expected : {65536u, 65536u, 65536u, 3392u}) {
        Outcome outcome = port_->Read(chunk.data(), expected);
        ASSERT_TRUE(outcome.Succeeded());
        ASSERT_EQ(outcome.bytes, expected);
        data.append(chunk.data(), outcome.bytes);
    }
    EXPECT_TRUE(data == AsString(file));
    CAMERA_REPLY reply{};
    Outcome last = port_->Read(&reply, sizeof reply);
    ASSERT_TRUE(last.Succeeded());
    EXPECT_EQ(last.bytes, 16u);
    EXPECT_EQ(reply.wState, kReplyDone);
    EXPECT_EQ(reply.dwStamp, 99u);
    EXPECT_EQ(reply.dwValue, 0u);
}

TEST_F(Link, ALongReadInOddPiecesComesThroughWhole)
{
    // More than the camera may send ahead, in pieces that straddle its own.
    Bytes file = Pattern(5 * 1024 * 1024 + 123, 3);
    cam_->card().PutFile("S0000001JPG", file);
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpReadFile, 5, 0, static_cast<DWORD>(file.size()), "S0000001JPG"))
                    .Succeeded());
    std::string data, chunk(kMaxTransfer, '\0');
    while (data.size() < file.size()) {
        DWORD size = static_cast<DWORD>(std::min<size_t>(40000, file.size() - data.size()));
        Outcome outcome = port_->Read(chunk.data(), size);
        ASSERT_TRUE(outcome.Succeeded());
        ASSERT_EQ(outcome.bytes, size);
        data.append(chunk.data(), size);
    }
    EXPECT_TRUE(data == AsString(file));
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->Read(&reply, sizeof reply).Succeeded());
    EXPECT_EQ(reply.dwStamp, 5u);
}

TEST_F(Link, ReadingPastTheEndOfAFileGivesZeros)
{
    Bytes file = Pattern(1000);
    cam_->card().PutFile("S0000001JPG", file);
    std::string data;
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->ReadCommand(PortClient::Command(kOpReadFile, 3, 0, 1001, "S0000001JPG"), &data, &reply));
    ASSERT_EQ(data.size(), 1001u);
    EXPECT_EQ(data.substr(0, 1000), AsString(file));
    EXPECT_EQ(data[1000], '\0');
    EXPECT_EQ(reply.dwValue, 0u);

    ASSERT_TRUE(port_->ReadCommand(PortClient::Command(kOpReadFile, 4, 5000, 10, "S0000001JPG"), &data, &reply));
    EXPECT_EQ(data, std::string(10, '\0'));
}

TEST_F(Link, AMissingFileGivesZerosAndError9UntilTheNextCommand)
{
    std::string data;
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->ReadCommand(PortClient::Command(kOpReadFile, 8, 0, 3000, "S0000009JPG"), &data, &reply));
    EXPECT_EQ(data, std::string(3000, '\0'));
    EXPECT_EQ(reply.wState, kReplyDone);
    EXPECT_EQ(reply.wError, 0);
    EXPECT_EQ(reply.dwStamp, 8u);
    EXPECT_EQ(reply.dwValue, kCameraFileNotFound);
    ASSERT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
    EXPECT_EQ(reply.dwValue, kCameraFileNotFound);

    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpPlain, 9)).Succeeded());
    ASSERT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
    EXPECT_EQ(reply.dwValue, 0u);
}

TEST_F(Link, ANameWithoutTerminatorIsNoFile)
{
    cam_->card().PutFile("S0000001JPG", Pattern(100));
    CAMERA_COMMAND command = PortClient::Command(kOpReadFile, 1, 0, 100);
    memset(command.szName, 'S', sizeof command.szName);
    std::string data;
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->ReadCommand(command, &data, &reply));
    EXPECT_EQ(reply.dwValue, kCameraFileNotFound);
}

TEST_F(Link, AZeroLengthReadGoesStraightToTheReply)
{
    cam_->card().PutFile("S0000001JPG", Pattern(100));
    std::string data;
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->ReadCommand(PortClient::Command(kOpReadFile, 21, 0, 0, "S0000001JPG"), &data, &reply));
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(reply.dwStamp, 21u);
}

TEST_F(Link, AReadWithNothingComingCompletesEmpty)
{
    char buffer[64];
    Outcome outcome = port_->Read(buffer, sizeof buffer);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.bytes, 0u);
}

TEST_F(Link, ANewCommandDropsTheRestOfARead)
{
    Bytes file = Pattern(300000);
    cam_->card().PutFile("S0000001JPG", file);
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpReadFile, 1, 0, 300000, "S0000001JPG")).Succeeded());
    std::string chunk(kMaxTransfer, '\0');
    ASSERT_TRUE(port_->Read(chunk.data(), kMaxTransfer).Succeeded());
    std::string data;
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->ReadCommand(PortClient::Command(kOpReadFile, 2, 10, 20, "S0000001JPG"), &data, &reply));
    EXPECT_EQ(data, AsString(Bytes(file.begin() + 10, file.begin() + 30)));
    EXPECT_EQ(reply.dwStamp, 2u);
}

TEST_F(Link, CommandBlocksAreRecordedByteForByte)
{
    CAMERA_COMMAND sent = PortClient::Command(kOpReadFile, 0x11223344, 0x100000, 20481, "T0000003JPG");
    sent.dwReserved = 0x55;
    std::string data;
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port_->ReadCommand(sent, &data, &reply));
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpDeleteFile, 7, 0, 0, "S0000003JPG")).Succeeded());
    std::vector<CAMERA_COMMAND> received = cam_->commands();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(memcmp(&received[0], &sent, sizeof sent), 0);
    EXPECT_EQ(received[1].wOpcode, kOpDeleteFile);
    EXPECT_STREQ(received[1].szName, "S0000003JPG");
}

TEST_F(Link, StringDescriptorTwoIsTheProductName)
{
    for (WORD language : {WORD(0), WORD(0x0409)}) {
        DESCRIPTOR_REQUEST request{3, 2, language};
        uint8_t buffer[512] = {};
        Outcome outcome = port_->Control(kIoctlGetDescriptor, &request, sizeof request, buffer, sizeof buffer);
        ASSERT_TRUE(outcome.Succeeded());
        const char* name = "Marovane";
        ASSERT_EQ(outcome.bytes, 2 + 2 * strlen(name));
        EXPECT_EQ(buffer[0], outcome.bytes);
        EXPECT_EQ(buffer[1], 3);
        for (size_t i = 0; i < strlen(name); ++i) {
            EXPECT_EQ(buffer[2 + 2 * i], name[i]);
            EXPECT_EQ(buffer[3 + 2 * i], 0);
        }
        EXPECT_EQ(buffer[outcome.bytes], 0);
    }
    DESCRIPTOR_REQUEST languages{3, 0, 0};
    uint8_t list[8] = {};
    ASSERT_TRUE(port_->Control(kIoctlGetDescriptor, &languages, 4, list, sizeof list).Succeeded());
    EXPECT_EQ(std::string(reinterpret_cast<char*>(list), 4), std::string("\x04\x03\x09\x04", 4));
}

TEST_F(Link, DeviceAndConfigurationDescriptorsAreWellFormed)
{
    DESCRIPTOR_REQUEST device{1, 0, 0};
    uint8_t buffer[256] = {};
    Outcome outcome = port_->Control(kIoctlGetDescriptor, &device, 4, buffer, sizeof buffer);
    ASSERT_TRUE(outcome.Succeeded());
    ASSERT_EQ(outcome.bytes, 18u);
    EXPECT_EQ(buffer[0], 18);
    EXPECT_EQ(buffer[1], 1);
    EXPECT_EQ(buffer[17], 1);  // one configuration

    DESCRIPTOR_REQUEST configuration{2, 0, 0};
    outcome = port_->Control(kIoctlGetDescriptor, &configuration, 4, buffer, sizeof buffer);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.bytes, static_cast<DWORD>(buffer[2] | (buffer[3] << 8)));  // wTotalLength
    EXPECT_EQ(buffer[9 + 1], 4);  // the interface follows the configuration

    // A shorter buffer gets the first bytes, as a control transfer does.
    outcome = port_->Control(kIoctlGetDescriptor, &configuration, 4, buffer, 9);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.bytes, 9u);

    // The device stalls: the request was pending and then fails, however fast the camera.
    DESCRIPTOR_REQUEST missing{3, 9, 0};
    outcome = port_->Control(kIoctlGetDescriptor, &missing, 4, buffer, sizeof buffer);
    EXPECT_TRUE(outcome.pending);
    ASSERT_TRUE(outcome.Completed());
    EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_GEN_FAILURE));
}

TEST_F(Link, ChannelInformationAndResetWithAnySelector)
{
    CHANNEL_INFO info{};
    Outcome outcome = port_->Control(kIoctlGetChannelInfo, nullptr, 0, &info, sizeof info);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.bytes, 12u);
    EXPECT_EQ(info.EventChannelSize, 8u);
    EXPECT_EQ(info.uReadDataAlignment, 64u);
    EXPECT_EQ(info.uWriteDataAlignment, 64u);
    for (DWORD selector : {3u, 0u, 0xFFFFFFFFu}) {
        ASSERT_TRUE(port_->Control(kIoctlReset, &selector, sizeof selector, nullptr, 0).Succeeded());
    }
    std::vector<ReceivedRequest> requests = cam_->requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].kind, Step::GetChannelInfo);
    EXPECT_EQ(requests[1].kind, Step::Reset);
    EXPECT_EQ(requests[1].value, 3u);
    EXPECT_EQ(requests[3].value, 0xFFFFFFFFu);
}

TEST_F(Link, AResetIsDoneBeforeItsRequestReturns)
{
    DWORD selector = 3;
    Outcome outcome = port_->Control(kIoctlReset, &selector, sizeof selector, nullptr, 0);
    EXPECT_TRUE(outcome.atOnce);
    EXPECT_TRUE(outcome.Succeeded());
    // Unless a fault holds it back: then it is pending.
    ASSERT_TRUE(cam_->faults().Add(FaultRule::On(Step::Reset).Nth(2).Delay(1000)));
    outcome = port_->Control(kIoctlReset, &selector, sizeof selector, nullptr, 0, 0);
    EXPECT_TRUE(outcome.pending);
    EXPECT_TRUE(port_->Finish(100000).Succeeded());
}

TEST_F(Link, AResetClearsTheErrorAndEndsARead)
{
    std::string data;
    CAMERA_REPLY reply{};
    DWORD selector = 3;
    ASSERT_TRUE(port_->ReadCommand(PortClient::Command(kOpReadFile, 1, 0, 10, "MISSINGXJPG"), &data, &reply));
    ASSERT_TRUE(port_->Control(kIoctlReset, &selector, sizeof selector, nullptr, 0).Succeeded());
    ASSERT_TRUE(port_->GetReply(kOpStatus, &reply).Succeeded());
    EXPECT_EQ(reply.dwValue, 0u);

    cam_->card().PutFile("S0000001JPG", Pattern(100000));
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpReadFile, 2, 0, 100000, "S0000001JPG")).Succeeded());
    ASSERT_TRUE(port_->Control(kIoctlReset, &selector, sizeof selector, nullptr, 0).Succeeded());
    char buffer[64];
    Outcome outcome = port_->Read(buffer, sizeof buffer);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.bytes, 0u);  // nothing more comes
}

TEST_F(Link, HandlesOfOneProcessShareTheCamera)
{
    PortClient second(cam_->portName());
    ASSERT_TRUE(second.valid());
    cam_->card().PutFile("S0000001JPG", Pattern(50));
    ASSERT_TRUE(port_->SendCommand(PortClient::Command(kOpDeleteFile, 31, 0, 0, "S0000001JPG")).Succeeded());
    CAMERA_REPLY reply{};
    ASSERT_TRUE(second.GetReply(kOpDeleteFile, &reply).Succeeded());
    EXPECT_EQ(reply.dwStamp, 31u);
}

TEST_F(Link, PortNamesAreCaseBlindAndUnknownOnesDoNotOpen)
{
    std::string lower = cam_->portName();
    for (char& c : lower) c = static_cast<char>(tolower(c));
    PortClient sameCamera(lower);
    EXPECT_TRUE(sameCamera.valid());
    PortClient none("\\\\.\\CAMUSB77");
    EXPECT_FALSE(none.valid());
    EXPECT_EQ(none.openError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Link, TwoCamerasGetTwoPorts)
{
    VirtualCamera other;
    ASSERT_TRUE(other.PlugIn());
    EXPECT_NE(other.portName(), cam_->portName());
    other.card().PutFile("S0000001JPG", Pattern(10));
    PortClient port(other.portName());
    std::string data;
    CAMERA_REPLY reply{};
    ASSERT_TRUE(port.ReadCommand(PortClient::Command(kOpReadFile, 1, 0, 10, "S0000001JPG"), &data, &reply));
    EXPECT_EQ(reply.dwValue, 0u);
    EXPECT_TRUE(cam_->commands().empty());
}

}  // namespace
}  // namespace camera::testing
