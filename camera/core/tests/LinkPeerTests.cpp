// The camera's listening socket serves only processes of its own user: a
// connection from another user is closed before a word is answered, even
// when the socket's file modes would let that user in.
#include "../../protocol/LinkProtocol.h"
#include "../CameraServer.h"

#include <OtherUser.h>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace camera {
namespace {

using winplat::testing::OtherUser;
using winplat::testing::StickyFolder;

enum Knocked { kRefused = 0, kGreeted = 1, kOther = 2, kNoConnection = 3, kSilence = 4 };

// Connects to `path` as a driver would, says Hello and tells what came back.
int Knock(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return kNoConnection;
    link::Bytes hello;
    link::Append32(&hello, link::kProtocolVersion);
    link::Append32(&hello, static_cast<uint32_t>(getpid()));
    link::Bytes frame = link::EncodeFrame(link::FrameType::Hello, 0, hello);
    link::WriteAll(fd, frame.data(), frame.size());  // may fail once refused
    pollfd in = {fd, POLLIN, 0};
    if (poll(&in, 1, 20000) <= 0) {
        close(fd);
        return kSilence;
    }
    uint8_t header[link::kHeaderSize];
    ssize_t n = recv(fd, header, sizeof header, MSG_WAITALL);
    int error = errno;
    close(fd);
    if (n == 0 || (n < 0 && error == ECONNRESET)) return kRefused;
    if (n == static_cast<ssize_t>(sizeof header) && link::Get16(header + 4) == static_cast<uint16_t>(link::FrameType::HelloAck))
        return kGreeted;
    return kOther;
}

TEST(LinkPeer, TheCameraServesOnlyItsOwnUser)
{
    StickyFolder folder;
    CameraDevice device;
    CameraServer server(device, {}, [] {});
    std::string path = folder.path() + "/CAMUSB9.sock";
    std::string error;
    ASSERT_TRUE(server.Listen(path, &error)) << error;
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode, S_IFSOCK | 0600u) << "the socket is closed to others";
    EXPECT_EQ(Knock(path), kGreeted);

    OtherUser other;
    SKIP_WITHOUT_OTHER_USER(other);
    chmod(path.c_str(), 0666);  // as a careless setup might
    EXPECT_EQ(other.Run([&] { return Knock(path); }), kRefused);
    EXPECT_EQ(Knock(path), kGreeted) << "and the camera still serves its user";
}

}  // namespace
}  // namespace camera
