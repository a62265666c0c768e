#include "UsbLink.h"

#include <winerror.h>
#include <winplat/host.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace camusb {

using camera::link::FrameType;
namespace link = camera::link;

namespace {

constexpr auto kGreetingWait = std::chrono::seconds(10);

// An answer with the wrong size for its request is as good as a failure.
bool AnswerMalformed(Step kind, size_t size)
{
    return (kind == Step::GetReply && size != camera::kReplySize) ||
           (kind == Step::GetChannelInfo && size != sizeof(camera::CHANNEL_INFO));
}

}  // namespace

UsbLink::UsbLink(int fd, int wakeFd) : fd_(fd), wakeFd_(wakeFd) {}

UsbLink::~UsbLink()
{
    close(fd_);
    close(wakeFd_);
    if (ringFd_ >= 0) close(ringFd_);
}

std::shared_ptr<UsbLink> UsbLink::Open(int fd, DWORD* error)
{
    int wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake < 0) {
        close(fd);
        *error = ERROR_GEN_FAILURE;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    link::SizeSocketBuffers(fd);
    std::shared_ptr<UsbLink> link(new UsbLink(fd, wake));
    // The reader keeps the link alive until the camera is gone.
    std::thread([link] { link->ReaderLoop(); }).detach();
    Bytes hello;
    link::Append32(&hello, link::kProtocolVersion);
    link::Append32(&hello, static_cast<uint32_t>(getpid()));
    bool greeted = link->SendFrame(link::EncodeFrame(FrameType::Hello, 0, hello));
    {
        std::unique_lock<std::mutex> guard(link->lock_);
        greeted = greeted &&
                  link->greeted_.wait_for(guard, kGreetingWait, [&] { return link->helloDone_ || link->dead_; }) &&
                  !link->dead_;
    }
    if (!greeted) {
        link->Unplug();
        *error = ERROR_GEN_FAILURE;
        return nullptr;
    }
    return link;
}

bool UsbLink::Alive() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return !dead_;
}

// ---- Requests -----------------------------------------------------------------------

bool UsbLink::BeginStepLocked(IoRequest* request, Step kind, uint32_t opcode, Pending* pending, Completions* done,
                              bool* unplugNow)
{
    if (dead_) {
        done->push_back({request, ERROR_DEV_NOT_EXIST});
        return false;
    }
    StepOutcome outcome = faults_.OnStep(kind, opcode);
    if (outcome.unplug) {
        done->push_back({request, ERROR_DEV_NOT_EXIST});
        KillLocked(done);
        *unplugNow = true;
        return false;
    }
    if (outcome.fail) {
        done->push_back({request, outcome.failError});
        return false;
    }
    pending->request = request;
    pending->kind = kind;
    pending->outcome = outcome;
    pending->submitted = Clock::now();
    pending->notBefore = pending->submitted + std::chrono::nanoseconds(winplat::ScaledNanoseconds(outcome.delayMs));
    return true;
}

void UsbLink::StartControl(IoRequest* request, Step kind, uint32_t opcode, FrameType type, Bytes payload,
                           void* replyAddress, const camera::CAMERA_COMMAND* command)
{
    bool unplug = false;
    uint32_t id = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        Completions done;
        Pending pending;
        if (BeginStepLocked(request, kind, opcode, &pending, &done, &unplug)) {
            id = nextId_++;
            pending.replyAddress = replyAddress;
            pending.submitting = true;
            if (kind == Step::SendCommand || kind == Step::Reset) {
                // The camera drops the data of an earlier read on a new command or a reset.
                creditOwed_ += pipe_.End();
                AbortReadsLocked(&done);
                if (command && camera::IsReadOpcode(command->wOpcode))
                    pipe_.Begin(id, command->wOpcode, command->dwLength);
            }
            control_[id] = std::move(pending);
        }
        DeliverLocked(done);
    }
    AfterUnlock(unplug);
    if (!id) return;
    if (!SendFrame(link::EncodeFrame(type, id, payload))) Unplug();
    if (kind == Step::Reset) return FinishSynchronously(id);
    // The answer may be back already; the reader thread completes the
    // request, so that the caller always finds a forwarded request pending
    // and its outcome never depends on how fast the camera was.
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = control_.find(id);
        if (it != control_.end()) it->second.submitting = false;
    }
    Wake();
}

// The caller waits for the camera's answer and the request completes before
// it returns (bounded: a camera that does not answer leaves it pending). A
// reset the plan delays or holds back stays pending as well.
void UsbLink::FinishSynchronously(uint32_t id)
{
    constexpr auto kLongest = std::chrono::seconds(10);
    {
        std::unique_lock<std::mutex> guard(lock_);
        auto it = control_.find(id);
        if (it == control_.end()) return;  // completed meanwhile: the camera was unplugged
        if (it->second.outcome.delayMs == 0 && !it->second.outcome.noAnswer) {
            answered_.wait_for(guard, kLongest, [&] {
                auto found = control_.find(id);
                return found == control_.end() || found->second.answered;
            });
            it = control_.find(id);
            if (it == control_.end()) return;
            if (it->second.answered) {
                Completions done;
                CompleteControlLocked(it->second, &done);
                control_.erase(it);
                DeliverLocked(done);
                return;
            }
        }
        it->second.submitting = false;
    }
    Wake();
}

void UsbLink::SendCommand(IoRequest* request, const camera::CAMERA_COMMAND& command)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(&command);
    StartControl(request, Step::SendCommand, command.wOpcode, FrameType::Command,
                 Bytes(bytes, bytes + sizeof command), nullptr, &command);
}

void UsbLink::GetReply(IoRequest* request, DWORD opcode, void* replyAddress)
{
    Bytes payload;
    link::Append32(&payload, opcode);
    StartControl(request, Step::GetReply, opcode, FrameType::QueryReply, payload, replyAddress);
}

void UsbLink::GetDescriptor(IoRequest* request, const camera::DESCRIPTOR_REQUEST& descriptor, DWORD length)
{
    Bytes payload = {descriptor.bDescriptorType, descriptor.bDescriptorIndex,
                     static_cast<uint8_t>(descriptor.wLanguageId), static_cast<uint8_t>(descriptor.wLanguageId >> 8)};
    link::Append32(&payload, length);
    StartControl(request, Step::GetDescriptor, descriptor.bDescriptorType, FrameType::QueryDescriptor, payload);
}

void UsbLink::GetChannelInfo(IoRequest* request)
{
    StartControl(request, Step::GetChannelInfo, 0, FrameType::QueryChannelInfo, {});
}

void UsbLink::Reset(IoRequest* request, DWORD selector)
{
    Bytes payload;
    link::Append32(&payload, selector);
    StartControl(request, Step::Reset, selector, FrameType::Reset, payload);
}

void UsbLink::Read(IoRequest* request, DWORD size)
{
    TakeArrivals();
    bool unplug = false;
    bool delayed = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        Completions done;
        InPipe::ReadPlan plan = dead_ ? InPipe::ReadPlan() : pipe_.Plan(size);
        Pending pending;
        if (plan.reply && size < camera::kReplySize) {
            pipe_.Unplan(plan);  // the reply would not fit: refused before it is a step
            done.push_back({request, ERROR_INSUFFICIENT_BUFFER});
        } else if (BeginStepLocked(request, plan.reply ? Step::StatusRead : Step::DataRead, pipe_.opcode(), &pending,
                                   &done, &unplug)) {
            pending.plan = plan;
            delayed = pending.outcome.delayMs > 0;
            reads_.push_back(std::move(pending));
            ServeLocked(Clock::now(), &done);
        } else if (!unplug) {
            pipe_.Unplan(plan);
        }
        DeliverLocked(done);
    }
    AfterUnlock(unplug);
    if (delayed) Wake();
}

void UsbLink::Cancel(IoRequest* request)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        Completions done;
        for (auto it = control_.begin(); it != control_.end(); ++it) {
            if (it->second.request != request) continue;
            done.push_back({request, ERROR_OPERATION_ABORTED});
            control_.erase(it);
            break;
        }
        for (auto it = reads_.begin(); done.empty() && it != reads_.end(); ++it) {
            if (it->request != request) continue;
            pipe_.Unplan(it->plan);
            done.push_back({request, ERROR_OPERATION_ABORTED});
            reads_.erase(it);
            ServeLocked(Clock::now(), &done);  // a read behind it may be ready now
            break;
        }
        DeliverLocked(done);
    }
    AfterUnlock();
}

// ---- Completion ---------------------------------------------------------------------

bool UsbLink::ControlReadyLocked(const Pending& pending, Clock::time_point now) const
{
    return pending.answered && !pending.submitting && !pending.outcome.noAnswer && now >= pending.notBefore;
}

void UsbLink::CompleteControlLocked(Pending& pending, Completions* done)
{
    Completion completion{pending.request, pending.error};
    if (!completion.error) {
        auto answer = std::make_shared<Bytes>(std::move(pending.answer));
        if (AnswerMalformed(pending.kind, answer->size())) {
            completion.error = ERROR_GEN_FAILURE;
        } else {
            if (pending.kind == Step::GetReply) {
                FaultEngine::ApplyToReply(pending.outcome, answer->data());
                completion.replyAddress = pending.replyAddress;
            }
            completion.hold = answer;
            completion.data = answer->data();
            completion.size = pending.outcome.Delivered(static_cast<DWORD>(answer->size()));
        }
    }
    done->push_back(completion);
}

void UsbLink::ServeLocked(Clock::time_point now, Completions* done)
{
    for (auto it = control_.begin(); it != control_.end();) {
        if (!ControlReadyLocked(it->second, now)) {
            ++it;
            continue;
        }
        CompleteControlLocked(it->second, done);
        it = control_.erase(it);
    }
    // Reads complete in order: a read held back holds back those behind it,
    // as on a USB pipe.
    while (!reads_.empty()) {
        Pending& head = reads_.front();
        if (head.outcome.noAnswer || now < head.notBefore || !pipe_.Ready(head.plan)) break;
        InPipe::Taken taken = pipe_.Take(head.plan);
        Completion completion{head.request, 0, taken.hold, taken.data, head.outcome.Delivered(taken.size)};
        completion.credit = taken.credit;
        if (head.plan.reply) {
            auto reply = std::make_shared<Bytes>(taken.data, taken.data + camera::kReplySize);
            FaultEngine::ApplyToReply(head.outcome, reply->data());
            completion.hold = reply;
            completion.data = reply->data();
        }
        done->push_back(completion);
        reads_.pop_front();
    }
}

void UsbLink::AbortReadsLocked(Completions* done)
{
    for (const Pending& read : reads_) done->push_back({read.request, ERROR_OPERATION_ABORTED});
    reads_.clear();
}

void UsbLink::KillLocked(Completions* done)
{
    if (dead_) return;
    dead_ = true;
    for (auto& entry : control_) done->push_back({entry.second.request, ERROR_DEV_NOT_EXIST});
    control_.clear();
    for (const Pending& read : reads_) done->push_back({read.request, ERROR_DEV_NOT_EXIST});
    reads_.clear();
    pipe_.End();
    greeted_.notify_all();
    answered_.notify_all();
}

// Completing takes the platform's own lock, never the other way round, so
// it may run under the link's lock; the data a read takes from the ring is
// copied out before its credit goes back.
void UsbLink::DeliverLocked(Completions& done)
{
    for (Completion& c : done) {
        if (c.replyAddress && c.error == 0)
            winplat::IoCopyToCaller(c.request, c.replyAddress, c.data, std::min<DWORD>(c.size, camera::kReplySize));
        winplat::IoComplete(c.request, c.error, c.data, c.size);
        creditOwed_ += c.credit;
    }
    done.clear();
}

void UsbLink::AfterUnlock(bool unplugged)
{
    if (unplugged) {
        SendFrame(link::EncodeFrame(FrameType::Unplugged, 0));
        shutdown(fd_, SHUT_RDWR);
        Wake();
        return;
    }
    uint64_t credit = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (creditOwed_ >= link::kCreditBatch && !dead_) std::swap(credit, creditOwed_);
    }
    if (credit) {
        Bytes payload;
        link::Append32(&payload, static_cast<uint32_t>(credit));
        SendFrame(link::EncodeFrame(FrameType::Credit, 0, payload));
    }
}

void UsbLink::Unplug()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (dead_) return;
        Completions done;
        KillLocked(&done);
        DeliverLocked(done);
    }
    shutdown(fd_, SHUT_RDWR);
    Wake();
}

// ---- The reader thread --------------------------------------------------------------

// The next moment a held-back request falls due. A request that is due
// already waits for something else (its answer, its data, its StartIo to
// return), which wakes the reader by itself.
UsbLink::Clock::time_point UsbLink::NextDeadlineLocked() const
{
    Clock::time_point now = Clock::now(), next = Clock::time_point::max();
    for (const auto& entry : control_) {
        const Pending& pending = entry.second;
        if (pending.answered && !pending.outcome.noAnswer && pending.notBefore > now)
            next = std::min(next, pending.notBefore);
    }
    if (!reads_.empty() && !reads_.front().outcome.noAnswer && reads_.front().notBefore > now)
        next = std::min(next, reads_.front().notBefore);
    return next;
}

void UsbLink::ReaderLoop()
{
    for (;;) {
        int timeoutMs = -1;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (dead_) break;
            Clock::time_point deadline = NextDeadlineLocked();
            if (deadline != Clock::time_point::max()) {
                auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
                timeoutMs = static_cast<int>(std::clamp<long long>(wait, 0, 60000));
            }
        }
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) {
            Unplug();
            break;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            (void)!read(wakeFd_, &count, sizeof count);
        }
        bool open = true;
        if (fds[0].revents) {
            std::lock_guard<std::mutex> reading(readLock_);
            open = ReadAvailable();
        }
        if (!open) {
            Unplug();  // the camera closed the link, or broke it: it is gone
            break;
        }
        {
            std::lock_guard<std::mutex> guard(lock_);
            Completions done;
            ServeLocked(Clock::now(), &done);
            DeliverLocked(done);
        }
        AfterUnlock();
    }
}

// Data that has arrived is taken on the caller's thread, when the reader
// thread is not at it already: a read then need not wait for that thread to
// be scheduled on a busy machine.
void UsbLink::TakeArrivals()
{
    std::unique_lock<std::mutex> reading(readLock_, std::try_to_lock);
    if (!reading.owns_lock()) return;
    bool open = ReadAvailable();
    reading.unlock();
    if (!open) Unplug();
}

bool UsbLink::ReadAvailable()
{
    if (broken_) return false;
    broken_ = !ReadFrames();
    return !broken_;
}

bool UsbLink::ReadFrames()
{
    for (;;) {
        bool inHeader = headerGot_ < link::kHeaderSize;
        uint8_t* to = inHeader ? header_ + headerGot_ : payload_.get() + payloadGot_;
        size_t want = inHeader ? link::kHeaderSize - headerGot_ : frame_.length - payloadGot_;
        ssize_t n = 0;
        if (want) {
            iovec part = {to, want};
            msghdr message{};
            message.msg_iov = &part;
            message.msg_iovlen = 1;
            alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            n = recvmsg(fd_, &message, MSG_CMSG_CLOEXEC);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
            if (n == 0) return false;
            // The camera's ring arrives with its greeting; any other descriptor is closed.
            for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
                if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
                size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
                for (size_t i = 0; i < count; ++i) {
                    int fd;
                    memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
                    if (ringFd_ < 0 && !ring_) {
                        ringFd_ = fd;
                    } else {
                        close(fd);
                    }
                }
            }
        }
        if (inHeader) {
            headerGot_ += static_cast<size_t>(n);
            if (headerGot_ < link::kHeaderSize) continue;
            // A header that announces too much means the stream cannot be trusted.
            if (!link::DecodeHeader(header_, &frame_)) return false;
            payload_ = Block(new uint8_t[frame_.length ? frame_.length : 1]);  // left unfilled: the read fills it
            payloadGot_ = 0;
        } else {
            payloadGot_ += static_cast<size_t>(n);
        }
        if (headerGot_ == link::kHeaderSize && payloadGot_ == frame_.length) {
            headerGot_ = 0;
            Dispatch(frame_, std::move(payload_));
            payload_.reset();
            std::lock_guard<std::mutex> guard(lock_);
            if (dead_) return false;
        }
    }
}

bool UsbLink::MapRing(uint32_t size)
{
    struct stat info{};
    if (size == 0 || ringFd_ < 0 || fstat(ringFd_, &info) != 0 || info.st_size < static_cast<off_t>(size)) return false;
    void* base = mmap(nullptr, size, PROT_READ, MAP_SHARED, ringFd_, 0);
    close(ringFd_);
    ringFd_ = -1;
    if (base == MAP_FAILED) return false;
    ring_ = Block(static_cast<uint8_t*>(base), [size](uint8_t* p) { munmap(p, size); });
    ringSize_ = size;
    return true;
}

// A piece of data in the ring: checked against the ring before it is used.
bool UsbLink::AcceptRingData(const link::FrameHeader& header, const uint8_t* payload, size_t size, Completions* done)
{
    if (size != 8 || !ring_) return false;
    uint32_t offset = link::Get32(payload), length = link::Get32(payload + 4);
    if (length == 0 || offset > ringSize_ || length > ringSize_ - offset) return false;
    Block piece(ring_, ring_.get() + offset);
    creditOwed_ += pipe_.Accept(header.id, false, std::move(piece), length);
    ServeLocked(Clock::now(), done);
    return true;
}

void UsbLink::Dispatch(const link::FrameHeader& header, Block payload)
{
    const uint8_t* bytes = payload.get();
    const size_t size = header.length;
    switch (static_cast<FrameType>(header.type)) {
        case FrameType::HelloAck: {
            std::vector<FaultRule> rules;
            bool wellFormed = size >= 8 && camera::ParseRules(bytes + 8, size - 8, &rules);
            std::lock_guard<std::mutex> guard(lock_);
            if (helloDone_) return;
            if (!wellFormed || (link::Get32(bytes + 4) && !MapRing(link::Get32(bytes + 4)))) {
                Completions none;
                KillLocked(&none);  // a camera that cannot greet properly is not there: the open fails
                return;
            }
            faults_.Add(rules);
            helloDone_ = true;
            greeted_.notify_all();
            return;
        }
        case FrameType::Answer: {
            std::lock_guard<std::mutex> guard(lock_);
            auto it = control_.find(header.id);
            if (it == control_.end() || it->second.answered) return;  // cancelled meanwhile, or a stray
            Pending& pending = it->second;
            pending.answered = true;
            pending.error = size < 4 ? ERROR_GEN_FAILURE : link::Get32(bytes);
            if (size > 4) pending.answer.assign(bytes + 4, bytes + size);
            answered_.notify_all();
            Completions done;
            ServeLocked(Clock::now(), &done);
            DeliverLocked(done);
            return;
        }
        case FrameType::Data: {
            std::lock_guard<std::mutex> guard(lock_);
            Completions done;
            creditOwed_ += pipe_.Accept(header.id, (header.flags & link::kDataReply) != 0, std::move(payload), size);
            ServeLocked(Clock::now(), &done);
            DeliverLocked(done);
            return;
        }
        case FrameType::RingData: {
            Completions done;
            bool valid;
            {
                std::lock_guard<std::mutex> guard(lock_);
                valid = AcceptRingData(header, bytes, size, &done);
                DeliverLocked(done);
            }
            if (!valid) Unplug();  // the camera points outside its ring: the link is broken
            return;
        }
        case FrameType::PlanAdd:
        case FrameType::PlanClear: {
            std::vector<FaultRule> rules;
            if (!camera::ParseRules(bytes, size, &rules)) return;  // left unacknowledged
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (header.type == static_cast<uint16_t>(FrameType::PlanClear)) faults_.Clear();
                faults_.Add(rules);
            }
            SendFrame(link::EncodeFrame(FrameType::PlanAck, header.id));
            return;
        }
        default:
            return;  // not for the driver: ignored
    }
}

// ---- Writing --------------------------------------------------------------------------

bool UsbLink::SendFrame(const Bytes& frame)
{
    std::lock_guard<std::mutex> guard(writeLock_);
    return link::WriteAll(fd_, frame.data(), frame.size());
}

void UsbLink::Wake()
{
    uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof one);
}

}  // namespace camusb
