#include "CameraServer.h"

#include "../protocol/LinkProtocol.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace camera {

CameraServer::CameraServer(CameraDevice& device, std::vector<FaultRule> plan, std::function<void()> onUnplugged)
    : device_(device), plan_(std::move(plan)), onUnplugged_(std::move(onUnplugged))
{
}

CameraServer::~CameraServer() { Stop(); }

bool CameraServer::Listen(const std::string& socketPath, std::string* error)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        *error = "socket path too long: " + socketPath;
        return false;
    }
    mkdir(socketPath.substr(0, socketPath.rfind('/')).c_str(), 0700);
    memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    unlink(socketPath.c_str());  // the caller holds the name's claim: any file here is stale
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // bind() makes the socket file with the umask's mode; it is closed to
    // others before anyone is listened to.
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        chmod(socketPath.c_str(), 0600) != 0 || listen(listenFd_, 16) != 0 || pipe2(stopPipe_, O_CLOEXEC) != 0) {
        *error = socketPath + ": " + strerror(errno);
        Stop();
        return false;
    }
    path_ = socketPath;
    acceptor_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void CameraServer::AcceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
        if (fds[1].revents) break;
        if (!(fds[0].revents & POLLIN)) continue;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        if (!link::PeerIsSameUser(fd)) {
            close(fd);  // another user's process gets no camera
            continue;
        }
        // Links whose process has gone are closed here, one accept later.
        connections_.erase(std::remove_if(connections_.begin(), connections_.end(),
                                          [](const std::unique_ptr<CameraConnection>& c) { return c->Closed(); }),
                           connections_.end());
        connections_.push_back(std::make_unique<CameraConnection>(fd, device_, plan_, onUnplugged_));
        connections_.back()->Start();
    }
}

void CameraServer::Stop()
{
    if (stopPipe_[1] >= 0) {
        char stop = 1;
        (void)!write(stopPipe_[1], &stop, 1);
    }
    if (acceptor_.joinable()) acceptor_.join();
    connections_.clear();  // each connection closes its link
    for (int* fd : {&listenFd_, &stopPipe_[0], &stopPipe_[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    if (!path_.empty()) unlink(path_.c_str());
    path_.clear();
}

}  // namespace camera
