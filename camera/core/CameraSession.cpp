#include "CameraSession.h"

#include <winerror.h>

#include <algorithm>
#include <cstring>

namespace camera {

using link::FrameType;

CameraSession::CameraSession(CameraDevice& device, uint64_t id, std::vector<FaultRule> plan, DataRing ring)
    : device_(device), id_(id), plan_(std::move(plan)), ring_(ring)
{
}

void CameraSession::Queue(FrameType type, uint32_t id, Bytes payload)
{
    Outgoing frame;
    frame.header = {static_cast<uint32_t>(payload.size()), static_cast<uint16_t>(type), 0, id};
    frame.body.own = std::move(payload);
    outbox_.push_back(std::move(frame));
}

void CameraSession::Answer(uint32_t id, DWORD error, const void* data, size_t size)
{
    Bytes payload;
    link::Append32(&payload, error);
    if (size) payload.insert(payload.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    Queue(FrameType::Answer, id, std::move(payload));
}

void CameraSession::OnFrame(const link::FrameHeader& header, const uint8_t* payload)
{
    const uint32_t id = header.id, size = header.length;
    auto sized = [&](uint32_t expected) {
        if (size == expected) return true;
        Answer(id, ERROR_INVALID_PARAMETER);
        return false;
    };
    switch (static_cast<FrameType>(header.type)) {
        case FrameType::Hello: {
            if (size < 4) return Answer(id, ERROR_INVALID_PARAMETER);
            Bytes ack;
            link::Append32(&ack, link::kProtocolVersion);
            link::Append32(&ack, ring_.base ? ring_.size : 0);
            AppendRules(plan_, &ack);
            Queue(FrameType::HelloAck, id, std::move(ack));
            if (ring_.base) outbox_.back().passFd = ring_.fd;
            return;
        }
        case FrameType::Command: {
            if (!sized(sizeof(CAMERA_COMMAND))) return;
            CAMERA_COMMAND command;
            memcpy(&command, payload, sizeof command);
            device_.Command(id_, id, command);
            return Answer(id, 0);
        }
        case FrameType::QueryReply: {
            if (!sized(4)) return;
            std::optional<CAMERA_REPLY> reply = device_.Reply(link::Get32(payload));
            if (!reply) return;  // the camera stays silent; the driver's wait runs out
            return Answer(id, 0, &*reply, sizeof *reply);
        }
        case FrameType::QueryDescriptor: {
            if (!sized(8)) return;
            DESCRIPTOR_REQUEST request{payload[0], payload[1], link::Get16(payload + 2)};
            Bytes descriptor;
            DWORD error = device_.Descriptor(request, link::Get32(payload + 4), &descriptor);
            return Answer(id, error, descriptor.data(), descriptor.size());
        }
        case FrameType::QueryChannelInfo: {
            if (!sized(0)) return;
            CHANNEL_INFO info = device_.ChannelInfo();
            return Answer(id, 0, &info, sizeof info);
        }
        case FrameType::Reset:
            if (!sized(4)) return;
            device_.Reset(link::Get32(payload));
            return Answer(id, 0);
        case FrameType::Credit:
            if (size == 4) inFlight_ -= std::min<uint64_t>(inFlight_, link::Get32(payload));
            return;
        case FrameType::PlanAck:
            if (id <= planSequence_) planAcked_ = std::max(planAcked_, id);
            return;
        case FrameType::Unplugged:
            unplugged_ = true;
            return;
        default:
            return Answer(id, ERROR_INVALID_FUNCTION);
    }
}

uint32_t CameraSession::QueuePlanChange(bool clear, const std::vector<FaultRule>& rules)
{
    if (clear) {
        Queue(FrameType::PlanClear, ++planSequence_, {});
        return planSequence_;
    }
    // A frame holds a few thousand rules; a bigger plan goes in several.
    const size_t perFrame = (link::kMaxPayload - 16) / kRuleSize;
    size_t at = 0;
    do {
        size_t end = std::min(at + perFrame, rules.size());
        Bytes payload;
        AppendRules({rules.begin() + static_cast<ptrdiff_t>(at), rules.begin() + static_cast<ptrdiff_t>(end)}, &payload);
        Queue(FrameType::PlanAdd, ++planSequence_, std::move(payload));
        at = end;
    } while (at < rules.size());
    return planSequence_;
}

bool CameraSession::NextFrame(Clock::time_point now, Outgoing* frame, Clock::time_point* wakeAt)
{
    *wakeAt = now + std::chrono::hours(1);
    if (!outbox_.empty()) {
        *frame = std::move(outbox_.front());
        outbox_.pop_front();
        return true;
    }
    return NextData(now, frame, wakeAt);
}

bool CameraSession::NextData(Clock::time_point now, Outgoing* frame, Clock::time_point* wakeAt)
{
    uint64_t speed = device_.settings().linkBitsPerSecond;
    if (speed && now < nextData_) {
        *wakeAt = nextData_;
        return false;
    }
    uint64_t window = ring_.base ? ring_.size : link::kDataWindow;
    uint64_t most = window - std::min(inFlight_, window);
    // A slow link sends pieces of about 20 ms, so that progress shows smoothly;
    // a fast one sends pieces as big as the frame (inline) or an eighth of the ring.
    uint64_t biggest = ring_.base ? ring_.size / 8 : kMaxTransfer;
    most = std::min<uint64_t>(most, speed ? std::clamp<uint64_t>(speed / 8 / 50, 512, biggest) : biggest);
    if (ring_.base) most = std::min<uint64_t>(most, ring_.size - ringHead_ % ring_.size);  // a piece never wraps
    CameraDevice::Piece data;
    if (!device_.NextPiece(id_, static_cast<size_t>(most), &data)) return false;
    const bool reply = data.reply;
    const size_t length = data.length;  // the piece itself may move into the frame
    *frame = Outgoing();
    uint16_t flags = reply ? link::kDataReply : 0;
    if (reply || !ring_.base) {
        frame->header = {static_cast<uint32_t>(length), static_cast<uint16_t>(FrameType::Data), flags, data.phase};
        frame->body = std::move(data);
    } else {
        auto at = static_cast<uint32_t>(ringHead_ % ring_.size);
        memcpy(ring_.base + at, data.data(), length);
        ringHead_ += length;
        link::Append32(&frame->body.own, at);
        link::Append32(&frame->body.own, static_cast<uint32_t>(length));
        frame->header = {8, static_cast<uint16_t>(FrameType::RingData), flags, data.phase};
    }
    if (reply) return true;  // the reply takes no credit
    inFlight_ += length;
    if (speed) {
        auto duration = std::chrono::nanoseconds(length * 8 * 1000000000ull / speed);
        nextData_ = std::max(now, nextData_) + std::chrono::duration_cast<Clock::duration>(duration);
    }
    return true;
}

}  // namespace camera
