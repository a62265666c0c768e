#include "InPipe.h"

#include "../protocol/UsbBlocks.h"

#include <algorithm>
#include <cstring>

namespace camusb {

using camera::kReplySize;

void InPipe::Begin(uint32_t phase, uint32_t opcode, uint32_t length)
{
    End();
    active_ = true;
    phase_ = phase;
    opcode_ = opcode;
    length_ = length;
}

size_t InPipe::End()
{
    size_t dropped = 0;
    for (const Chunk& chunk : chunks_) {
        if (!chunk.reply) dropped += chunk.size - chunk.offset;
    }
    *this = InPipe();
    return dropped;
}

InPipe::ReadPlan InPipe::Plan(uint32_t size)
{
    ReadPlan plan;
    if (!active_ || size == 0) return plan;
    if (planned_ < length_) {
        plan.idle = false;
        plan.bytes = std::min(size, length_ - planned_);
        planned_ += plan.bytes;
    } else if (!replyPlanned_) {
        plan.idle = false;
        plan.reply = true;
        plan.bytes = std::min(size, kReplySize);
        replyPlanned_ = true;
    }
    return plan;
}

void InPipe::Unplan(const ReadPlan& plan)
{
    if (plan.idle) return;
    if (plan.reply) {
        replyPlanned_ = false;
    } else {
        planned_ -= std::min(planned_, plan.bytes);
    }
}

size_t InPipe::Accept(uint32_t phase, bool reply, Block bytes, size_t size)
{
    bool fits = active_ && phase == phase_ && size > 0 &&
                (reply ? size == kReplySize && !replyReceived_ && received_ == length_ : received_ + size <= length_);
    if (!fits) return reply ? 0 : size;
    chunks_.push_back({std::move(bytes), size, 0, reply});
    if (reply) {
        replyReceived_ = true;
    } else {
        received_ += size;
        available_ += size;
    }
    return 0;
}

bool InPipe::Ready(const ReadPlan& plan) const
{
    if (plan.idle) return true;
    if (plan.reply) return available_ == 0 && !chunks_.empty() && chunks_.front().reply;
    return available_ >= plan.bytes;
}

InPipe::Taken InPipe::Take(const ReadPlan& plan)
{
    Taken taken;
    if (plan.idle) return taken;
    Chunk& front = chunks_.front();
    size_t left = front.size - front.offset;
    if (plan.reply || left >= plan.bytes) {
        // Within one chunk: handed out in place.
        taken.hold = front.bytes;
        taken.data = front.bytes.get() + front.offset;
        taken.size = plan.bytes;
        taken.credit = plan.reply ? 0 : plan.bytes;
        front.offset += plan.reply ? kReplySize : plan.bytes;
        if (!plan.reply) available_ -= plan.bytes;
        if (front.offset == front.size) chunks_.pop_front();
        if (plan.reply) *this = InPipe();  // the transfer is over
        return taken;
    }
    auto gathered = std::make_shared<Bytes>(plan.bytes);  // a read across pieces: rare
    size_t at = 0;
    while (at < plan.bytes) {
        Chunk& chunk = chunks_.front();
        size_t n = std::min<size_t>(plan.bytes - at, chunk.size - chunk.offset);
        memcpy(gathered->data() + at, chunk.bytes.get() + chunk.offset, n);
        at += n;
        chunk.offset += n;
        if (chunk.offset == chunk.size) chunks_.pop_front();
    }
    available_ -= plan.bytes;
    taken.hold = gathered;
    taken.data = gathered->data();
    taken.size = plan.bytes;
    taken.credit = plan.bytes;
    return taken;
}

}  // namespace camusb
