// The camera served on a listening Unix-domain socket (camsim): every
// process that opens the camera's port gets a link of its own to the one
// camera.
#pragma once

#include "CameraConnection.h"

#include <memory>
#include <string>

namespace camera {

class CameraServer {
public:
    CameraServer(CameraDevice& device, std::vector<FaultRule> plan, std::function<void()> onUnplugged);
    ~CameraServer();

    // Replaces a socket file left by a camera that was killed.
    bool Listen(const std::string& socketPath, std::string* error);
    // Closes every link and the socket.
    void Stop();

private:
    void AcceptLoop();

    CameraDevice& device_;
    std::vector<FaultRule> plan_;
    std::function<void()> onUnplugged_;
    std::string path_;
    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::thread acceptor_;
    std::vector<std::unique_ptr<CameraConnection>> connections_;  // the acceptor's
};

}  // namespace camera
