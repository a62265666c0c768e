// One process's link to one camera: the kernel driver's side of the cable.
//
// Control requests go to the camera as frames and complete, from the link's
// reader thread, when the answer comes (a reset is done before the request
// returns, as a USB port reset is; only a fault can hold it back); reads are served from the data the
// camera pushes (InPipe), most of it in the ring of memory it shares.
// Requests are completed under the link's lock, so data leaves the ring and
// its credit goes back to the camera strictly in order. Every request is a step of the fault plan
// (FaultEngine), which may fail it at once, hold it back or never complete
// it, change its reply, or unplug the camera. Once the camera is gone every
// outstanding and later request fails with ERROR_DEV_NOT_EXIST.
#pragma once

#include "../protocol/LinkProtocol.h"
#include "../protocol/UsbBlocks.h"
#include "FaultEngine.h"
#include "InPipe.h"

#include <winplat/devices.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace camusb {

using winplat::IoRequest;

class UsbLink : public std::enable_shared_from_this<UsbLink> {
public:
    // Takes the connected socket and greets the camera; null (with a Win32
    // error) when the camera does not answer.
    static std::shared_ptr<UsbLink> Open(int fd, DWORD* error);
    ~UsbLink();
    UsbLink(const UsbLink&) = delete;
    UsbLink& operator=(const UsbLink&) = delete;

    bool Alive() const;
    // The camera is gone (detached, or its link closed or broke): every
    // outstanding request fails and the link is shut.
    void Unplug();

    // Requests, already checked for sizes. Each is completed exactly once.
    void SendCommand(IoRequest* request, const camera::CAMERA_COMMAND& command);
    void GetReply(IoRequest* request, DWORD opcode, void* replyAddress);
    void GetDescriptor(IoRequest* request, const camera::DESCRIPTOR_REQUEST& descriptor, DWORD length);
    void GetChannelInfo(IoRequest* request);
    void Reset(IoRequest* request, DWORD selector);
    void Read(IoRequest* request, DWORD size);
    void Cancel(IoRequest* request);

private:
    using Clock = std::chrono::steady_clock;

    struct Pending {
        IoRequest* request = nullptr;
        Step kind = Step::Any;
        StepOutcome outcome;
        Clock::time_point notBefore;
        bool submitting = false;  // its StartIo has not returned yet
        Clock::time_point submitted;
        bool answered = false;
        DWORD error = 0;
        Bytes answer;
        void* replyAddress = nullptr;  // GET_REPLY: the caller's pBuffer
        InPipe::ReadPlan plan;         // reads
    };
    struct Completion {
        Completion(IoRequest* r, DWORD e, std::shared_ptr<const void> h = nullptr, const uint8_t* d = nullptr,
                   DWORD s = 0)
            : request(r), error(e), hold(std::move(h)), data(d), size(s)
        {
        }
        IoRequest* request;
        DWORD error;
        std::shared_ptr<const void> hold;
        const uint8_t* data;
        DWORD size;
        void* replyAddress = nullptr;
        uint32_t credit = 0;  // data bytes that go back to the camera once delivered
    };
    using Completions = std::vector<Completion>;

    UsbLink(int fd, int wakeFd);
    // Runs the plan on a new step. False when the request is already
    // completed (failed, unplugged, or the device is gone).
    bool BeginStepLocked(IoRequest* request, Step kind, uint32_t opcode, Pending* pending, Completions* done,
                         bool* unplugNow);
    // command: the block of a SEND_COMMAND, whose read opcode starts a transfer on the pipe.
    void StartControl(IoRequest* request, Step kind, uint32_t opcode, camera::link::FrameType type, Bytes payload,
                      void* replyAddress = nullptr, const camera::CAMERA_COMMAND* command = nullptr);
    void FinishSynchronously(uint32_t id);
    bool ControlReadyLocked(const Pending& pending, Clock::time_point now) const;
    void CompleteControlLocked(Pending& pending, Completions* done);
    void ServeLocked(Clock::time_point now, Completions* done);
    void AbortReadsLocked(Completions* done);
    void KillLocked(Completions* done);
    void DeliverLocked(Completions& done);
    // After the lock: credit back to the camera, and the end of the link when
    // the plan unplugged the camera.
    void AfterUnlock(bool unplugged = false);
    bool MapRing(uint32_t size);
    bool AcceptRingData(const camera::link::FrameHeader& header, const uint8_t* payload, size_t size, Completions* done);

    void ReaderLoop();
    bool ReadAvailable();
    bool ReadFrames();
    void TakeArrivals();
    void Dispatch(const camera::link::FrameHeader& header, Block payload);
    Clock::time_point NextDeadlineLocked() const;
    bool SendFrame(const Bytes& frame);
    void Wake();

    const int fd_;
    const int wakeFd_;
    mutable std::mutex lock_;
    std::condition_variable greeted_;
    std::condition_variable answered_;
    bool helloDone_ = false;
    bool dead_ = false;
    uint32_t nextId_ = 1;
    std::map<uint32_t, Pending> control_;
    std::deque<Pending> reads_;
    InPipe pipe_;
    FaultEngine faults_;
    uint64_t creditOwed_ = 0;
    std::mutex writeLock_;
    Block ring_;             // the camera's shared memory, read-only
    uint32_t ringSize_ = 0;
    int ringFd_ = -1;        // received, not yet mapped (reader thread only)

    // Incoming frame being assembled: by the reader thread, or by a caller
    // that takes what has arrived before it waits (both under readLock_).
    std::mutex readLock_;
    uint8_t header_[camera::link::kHeaderSize];
    size_t headerGot_ = 0;
    camera::link::FrameHeader frame_;
    Block payload_;
    size_t payloadGot_ = 0;
    bool broken_ = false;  // the stream ended or cannot be trusted: nothing more is read
};

}  // namespace camusb
