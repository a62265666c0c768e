#include "CameraConnection.h"

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

namespace camera {
namespace {

uint64_t NextSessionId()
{
    static std::atomic<uint64_t> next{1};
    return next++;
}

constexpr auto kPlanWait = std::chrono::seconds(10);

}  // namespace

CameraConnection::CameraConnection(int fd, CameraDevice& device, std::vector<FaultRule> plan,
                                   std::function<void()> onUnplugged)
    : fd_(fd),
      ring_(MakeRing()),
      device_(device),
      session_(device, NextSessionId(), std::move(plan), ring_),
      onUnplugged_(std::move(onUnplugged))
{
    link::SizeSocketBuffers(fd_);
}

CameraConnection::~CameraConnection()
{
    Stop();
    if (ring_.base) munmap(ring_.base, ring_.size);
    if (ring_.fd >= 0) close(ring_.fd);
}

// The shared memory for the data; without it the data goes inline.
DataRing CameraConnection::MakeRing()
{
    DataRing ring;
    ring.fd = memfd_create("camera-link", MFD_CLOEXEC);
    if (ring.fd < 0) return {};
    void* base = MAP_FAILED;
    if (ftruncate(ring.fd, link::kDataWindow) == 0)
        base = mmap(nullptr, link::kDataWindow, PROT_READ | PROT_WRITE, MAP_SHARED, ring.fd, 0);
    if (base == MAP_FAILED) {
        close(ring.fd);
        return {};
    }
    ring.base = static_cast<uint8_t*>(base);
    ring.size = link::kDataWindow;
    return ring;
}

void CameraConnection::Start()
{
    receiver_ = std::thread([this] { ReceiveLoop(); });
    sender_ = std::thread([this] { SendLoop(); });
}

void CameraConnection::Stop()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (fd_ >= 0) shutdown(fd_, SHUT_RDWR);  // wakes a blocked read or write
    if (receiver_.joinable()) receiver_.join();
    if (sender_.joinable()) sender_.join();
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

bool CameraConnection::Closed() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return closed_;
}

bool CameraConnection::ChangeFaults(bool clear, const std::vector<FaultRule>& rules)
{
    std::unique_lock<std::mutex> guard(lock_);
    uint32_t change = session_.QueuePlanChange(clear, rules);
    changed_.notify_all();
    return changed_.wait_for(guard, kPlanWait, [&] { return closed_ || session_.PlanAcknowledged() >= change; }) &&
           !closed_;
}

void CameraConnection::ReceiveLoop()
{
    bool unplugNoticed = false;
    for (;;) {
        uint8_t raw[link::kHeaderSize];
        link::FrameHeader header;
        if (!link::ReadAll(fd_, raw, sizeof raw) || !link::DecodeHeader(raw, &header)) break;
        Bytes payload(header.length);
        if (header.length && !link::ReadAll(fd_, payload.data(), payload.size())) break;
        bool unplug;
        {
            std::lock_guard<std::mutex> guard(lock_);
            session_.OnFrame(header, payload.data());
            unplug = session_.UnplugNoticed() && !unplugNoticed;
        }
        changed_.notify_all();
        if (unplug) {
            unplugNoticed = true;
            if (onUnplugged_) onUnplugged_();
        }
    }
    device_.Disconnected(session_.id());
    {
        std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
    }
    changed_.notify_all();
}

bool CameraConnection::Send(const CameraSession::Outgoing& frame)
{
    uint8_t header[link::kHeaderSize];
    link::EncodeHeader(frame.header, header);
    return link::SendParts(fd_, header, sizeof header, frame.payload(), frame.header.length, frame.passFd);
}

void CameraConnection::SendLoop()
{
    std::unique_lock<std::mutex> guard(lock_);
    while (!stopping_ && !closed_) {
        CameraSession::Outgoing frame;
        CameraSession::Clock::time_point wakeAt;
        if (!session_.NextFrame(CameraSession::Clock::now(), &frame, &wakeAt)) {
            changed_.wait_until(guard, wakeAt);
            continue;
        }
        guard.unlock();
        bool sent = Send(frame);
        guard.lock();
        if (!sent) closed_ = true;
    }
    changed_.notify_all();
}

}  // namespace camera
