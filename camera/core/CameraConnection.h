// One link of the camera over a connected stream socket: a thread that
// receives the driver's frames and one that sends answers and data.
#pragma once

#include "CameraSession.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace camera {

class CameraConnection {
public:
    // Takes the socket. onUnplugged runs on the receiving thread when the
    // driver reports that a fault of the plan unplugged the camera.
    CameraConnection(int fd, CameraDevice& device, std::vector<FaultRule> plan, std::function<void()> onUnplugged);
    ~CameraConnection();
    CameraConnection(const CameraConnection&) = delete;
    CameraConnection& operator=(const CameraConnection&) = delete;

    void Start();
    // Closes the link (the driver sees the device gone) and waits for the threads.
    void Stop();
    bool Closed() const;

    // Changes the fault plan at the driver; true once the driver has it in
    // force (bounded wait).
    bool ChangeFaults(bool clear, const std::vector<FaultRule>& rules);

private:
    void ReceiveLoop();
    void SendLoop();
    bool Send(const CameraSession::Outgoing& frame);

    static DataRing MakeRing();

    int fd_;
    DataRing ring_;
    CameraDevice& device_;
    CameraSession session_;
    std::function<void()> onUnplugged_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool stopping_ = false;
    bool closed_ = false;
    std::thread receiver_;
    std::thread sender_;
};

}  // namespace camera
