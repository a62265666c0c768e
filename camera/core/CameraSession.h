// The camera's end of one link, without the socket: turns the driver's
// frames into calls on the camera and says what to send back. The answers
// go first; the data of a read command follows within the credit window the
// driver grants and, when the link has a speed, no faster than that speed.
#pragma once

#include "../protocol/FaultPlan.h"
#include "../protocol/LinkProtocol.h"
#include "CameraDevice.h"

#include <chrono>
#include <deque>

namespace camera {

// Memory shared with the driver that data pieces are written into.
struct DataRing {
    uint8_t* base = nullptr;  // null: the pieces go inline
    uint32_t size = 0;
    int fd = -1;              // handed to the driver with the HelloAck
};

class CameraSession {
public:
    using Clock = std::chrono::steady_clock;

    CameraSession(CameraDevice& device, uint64_t id, std::vector<FaultRule> plan, DataRing ring = {});

    // One frame from the driver. A malformed request is answered with a
    // Win32 error (ERROR_INVALID_PARAMETER, or ERROR_INVALID_FUNCTION for an
    // unknown kind); nothing the driver sends is fatal to the camera.
    void OnFrame(const link::FrameHeader& header, const uint8_t* payload);

    struct Outgoing {
        link::FrameHeader header;
        CameraDevice::Piece body;  // the payload: its own bytes, or straight from a file
        int passFd = -1;           // a descriptor to send along
        const uint8_t* payload() const { return body.data(); }
    };
    // The next frame to send now; when there is none, *wakeAt says when to
    // ask again at the latest (a paced link's next slot).
    bool NextFrame(Clock::time_point now, Outgoing* frame, Clock::time_point* wakeAt);

    // A change of the fault plan for the driver; returns its number.
    uint32_t QueuePlanChange(bool clear, const std::vector<FaultRule>& rules);
    uint32_t PlanAcknowledged() const { return planAcked_; }
    bool UnplugNoticed() const { return unplugged_; }
    uint64_t id() const { return id_; }

private:
    void Answer(uint32_t id, DWORD error, const void* data = nullptr, size_t size = 0);
    void Queue(link::FrameType type, uint32_t id, Bytes payload);
    bool NextData(Clock::time_point now, Outgoing* frame, Clock::time_point* wakeAt);

    CameraDevice& device_;
    uint64_t id_;
    std::vector<FaultRule> plan_;
    std::deque<Outgoing> outbox_;
    DataRing ring_;
    uint64_t ringHead_ = 0;  // data bytes ever written to the ring
    uint64_t inFlight_ = 0;  // data bytes sent and not yet credited back
    Clock::time_point nextData_{};
    uint32_t planSequence_ = 0;
    uint32_t planAcked_ = 0;
    bool unplugged_ = false;
};

}  // namespace camera
