// The kernel driver talks only to a camera of its own user: a socket that
// another user's process listens on, found where the camera's socket
// belongs, is closed before anything is sent, and the port does not open.
#include "../../protocol/LinkProtocol.h"

#include <windows.h>

#include <OtherUser.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

namespace {

using winplat::testing::OtherUser;
using winplat::testing::StickyFolder;

enum Heard { kNothing = 0, kHello = 1, kNoCall = 2, kBroken = 3 };

// A camera of another user: listens on `path`, says so on `ready`, takes one
// connection and tells whether the driver sent anything before it closed.
int PoseAsCamera(const std::string& path, int ready)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 1) != 0)
        return kBroken;
    (void)!write(ready, "r", 1);
    pollfd call = {fd, POLLIN, 0};
    if (poll(&call, 1, 20000) <= 0) return kNoCall;
    int link = accept(fd, nullptr, nullptr);
    pollfd in = {link, POLLIN, 0};
    if (link < 0 || poll(&in, 1, 20000) <= 0) return kBroken;
    char byte;
    return read(link, &byte, 1) == 0 ? kNothing : kHello;
}

TEST(LinkPeer, TheDriverTalksToNoCameraOfAnotherUser)
{
    OtherUser other;
    SKIP_WITHOUT_OTHER_USER(other);
    StickyFolder folder;
    std::string theirs = folder.path() + "/camera.sock";
    int ready[2];
    ASSERT_EQ(pipe2(ready, O_CLOEXEC), 0);
    int heard = -1;
    std::thread camera([&] { heard = other.Run([&] { return PoseAsCamera(theirs, ready[1]); }); });
    pollfd up = {ready[0], POLLIN, 0};
    bool listening = poll(&up, 1, 20000) > 0;
    // That user cannot reach our folder; the test moves the socket in, as
    // if the folder had been theirs.
    std::string ours = camera::link::LinkSocketPath("CAMUSB7");
    bool moved = listening && rename(theirs.c_str(), ours.c_str()) == 0;
    HANDLE port = moved ? CreateFileA("\\\\.\\CAMUSB7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OVERLAPPED, nullptr)
                        : INVALID_HANDLE_VALUE;
    DWORD error = GetLastError();
    camera.join();
    close(ready[0]);
    close(ready[1]);
    unlink(ours.c_str());
    ASSERT_TRUE(moved);
    EXPECT_EQ(port, INVALID_HANDLE_VALUE);
    if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(heard, kNothing) << "the driver said nothing to it";
}

}  // namespace
