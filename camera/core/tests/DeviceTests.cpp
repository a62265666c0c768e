// The camera on its own: what a read command puts on the data pipe.
#include "../CameraDevice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace camera {
namespace {

CAMERA_COMMAND Read(WORD opcode, DWORD stamp, DWORD offset, DWORD length, const char* name = "")
{
    CAMERA_COMMAND command{};
    command.wType = 1;
    command.wOpcode = opcode;
    command.dwStamp = stamp;
    command.dwParam = offset;
    command.dwLength = length;
    snprintf(command.szName, sizeof command.szName, "%s", name);
    return command;
}

TEST(DataPipe, PiecesReferenceTheFileThenZerosThenTheReply)
{
    CameraDevice camera;
    Bytes file(100);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i + 1);
    camera.card().PutFile("S0000001JPG", file);
    camera.Command(1, 77, Read(kOpReadFile, 5, 10, 120, "S0000001JPG"));
    CameraDevice::Piece piece;
    ASSERT_TRUE(camera.NextPiece(1, 50, &piece));
    EXPECT_EQ(piece.phase, 77u);
    EXPECT_EQ(piece.length, 50u);
    EXPECT_TRUE(piece.source);  // no copy of the file
    EXPECT_EQ(piece.data()[0], 11);
    ASSERT_TRUE(camera.NextPiece(1, 1000, &piece));
    ASSERT_EQ(piece.length, 70u);  // 40 bytes of file, 30 zeros
    EXPECT_EQ(piece.data()[39], 100);
    EXPECT_EQ(piece.data()[40], 0);
    EXPECT_EQ(piece.data()[69], 0);
    EXPECT_FALSE(camera.NextPiece(2, 1000, &piece));  // another link gets nothing
    ASSERT_TRUE(camera.NextPiece(1, 0, &piece));       // the reply needs no room
    ASSERT_TRUE(piece.reply);
    CAMERA_REPLY reply;
    memcpy(&reply, piece.data(), sizeof reply);
    EXPECT_EQ(reply.wState, 3);
    EXPECT_EQ(reply.dwStamp, 5u);
    EXPECT_EQ(reply.dwValue, 0u);
    EXPECT_FALSE(camera.NextPiece(1, 1000, &piece));
}

TEST(DataPipe, AHugeLengthIsServedLazily)
{
    CameraDevice camera;
    camera.Command(1, 1, Read(kOpReadDirectory, 1, 0xFFFFFFF0u, 0xFFFFFFFFu));
    CameraDevice::Piece piece;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(camera.NextPiece(1, 65536, &piece));
        EXPECT_EQ(piece.length, 65536u);
    }
}

TEST(Replies, RequestsAreLoggedInOrder)
{
    CameraDevice camera;
    std::vector<Step> seen;
    camera.SetObserver([&](const ReceivedRequest& r) { seen.push_back(r.kind); });
    camera.Reply(kOpStatus);
    camera.Command(1, 1, Read(kOpPlain, 9, 0, 0));
    camera.Reset(3);
    camera.ChannelInfo();
    Bytes descriptor;
    EXPECT_EQ(camera.Descriptor({3, 2, 0x0409}, 4, &descriptor), 0u);
    EXPECT_EQ(descriptor.size(), 4u);  // cut to the length asked
    EXPECT_EQ(seen, (std::vector<Step>{Step::GetReply, Step::SendCommand, Step::Reset, Step::GetChannelInfo,
                                       Step::GetDescriptor}));
    EXPECT_EQ(camera.Requests().size(), 5u);
    EXPECT_EQ(camera.Commands().size(), 1u);
    EXPECT_EQ(camera.Commands()[0].dwStamp, 9u);
    camera.ClearLog();
    EXPECT_TRUE(camera.Requests().empty());
}

TEST(Replies, TheProductStringDefaultsToTheDescription)
{
    CameraSettings settings;
    settings.description = "Lumitra";
    CameraDevice camera(settings);
    Bytes descriptor;
    ASSERT_EQ(camera.Descriptor({3, 2, 0}, 255, &descriptor), 0u);
    EXPECT_EQ(descriptor, (Bytes{16, 3, 'L', 0, 'u', 0, 'm', 0, 'i', 0, 't', 0, 'r', 0, 'a', 0}));
    settings.product = "\xC3\xA9\xF0\x9F\x93\xB7";  // e acute and a camera: one unit and a surrogate pair
    CameraDevice other(settings);
    ASSERT_EQ(other.Descriptor({3, 2, 0}, 255, &descriptor), 0u);
    EXPECT_EQ(descriptor, (Bytes{8, 3, 0xE9, 0, 0x3D, 0xD8, 0xF7, 0xDC}));
    settings.product = std::string(300, 'x');
    CameraDevice longName(settings);
    ASSERT_EQ(longName.Descriptor({3, 2, 0}, 512, &descriptor), 0u);
    EXPECT_EQ(descriptor.size(), 254u);  // bLength fits in a byte
    EXPECT_EQ(descriptor[0], 254);
}

// A storage that answers every request with one result: how a real camera's
// troubles (busy, gone, failing) reach the driver.
class ResultStorage : public CameraStorage {
public:
    explicit ResultStorage(StorageResult result) : result_(result) {}
    StorageResult ListDirectory(SharedBytes*) override { return result_; }
    StorageResult LastDirectory(SharedBytes*) override { return result_; }
    StorageResult FetchFile(const std::string&, SharedBytes*) override { return result_; }
    StorageResult RemoveFile(const std::string&) override { return result_; }

private:
    StorageResult result_;
};

TEST(StorageTroubles, ABusyOrGoneStorageLeavesTheCameraSilentWithStatusZero)
{
    for (StorageResult result : {StorageResult::Busy, StorageResult::Gone}) {
        CameraDevice camera({}, std::make_shared<ResultStorage>(result));
        EXPECT_FALSE(camera.Reply(kOpDirectorySize).has_value());  // the driver's wait runs out
        camera.Command(1, 7, Read(kOpReadFile, 5, 0, 100, "S0000001JPG"));
        CameraDevice::Piece piece;
        EXPECT_FALSE(camera.NextPiece(1, 65536, &piece));  // no data, no reply
        EXPECT_EQ(camera.Reply(kOpStatus)->dwValue, 0u);  // so the driver reports a time-out
        camera.Command(1, 8, Read(kOpDeleteFile, 6, 0, 0, "S0000001JPG"));
        EXPECT_FALSE(camera.Reply(kOpDeleteFile).has_value());
        camera.Reset(0);  // a new start: the next command is answered again
        camera.Command(1, 9, Read(kOpPlain, 7, 0, 0));
        EXPECT_TRUE(camera.Reply(kOpPlain).has_value());
    }
}

TEST(StorageTroubles, AFailingStorageGivesTheCamerasErrors)
{
    CameraDevice failing({}, std::make_shared<ResultStorage>(StorageResult::Failed));
    failing.Command(1, 7, Read(kOpReadFile, 5, 0, 4, "S0000001JPG"));
    CameraDevice::Piece piece;
    ASSERT_TRUE(failing.NextPiece(1, 65536, &piece));  // the length asked for, zeros
    ASSERT_TRUE(failing.NextPiece(1, 65536, &piece));
    ASSERT_TRUE(piece.reply);
    CAMERA_REPLY reply;
    memcpy(&reply, piece.data(), sizeof reply);
    EXPECT_EQ(reply.dwValue, kCameraStorageError);
    failing.Command(1, 8, Read(kOpDeleteFile, 6, 0, 0, "S0000001JPG"));
    EXPECT_EQ(failing.Reply(kOpDeleteFile)->wError, kCameraStorageError);

    CameraDevice missing({}, std::make_shared<ResultStorage>(StorageResult::NotFound));
    missing.Command(1, 8, Read(kOpDeleteFile, 6, 0, 0, "S0000001JPG"));
    EXPECT_EQ(missing.Reply(kOpDeleteFile)->wError, kCameraFileNotFound);
}

}  // namespace
}  // namespace camera
