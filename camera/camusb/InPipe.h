// The camera's bulk IN pipe as the kernel driver sees it: after a read
// command, the command's data and then its 16-byte reply arrive unasked and
// wait here for the ReadFile calls that take them, in order.
//
// A ReadFile is planned when it is submitted: a data read takes up to its
// size of the data still to come, the read after all the data takes the
// reply, and a read with nothing to come (or of 0 bytes) is idle: it
// completes at once with 0 bytes, as a zero-length packet would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace camusb {

using Bytes = std::vector<uint8_t>;
// Data as it came off the link: not zero-filled first, shared with the
// reads that hand it out.
using Block = std::shared_ptr<uint8_t[]>;

class InPipe {
public:
    struct ReadPlan {
        bool idle = true;
        bool reply = false;
        uint32_t bytes = 0;  // what the read will deliver
    };
    struct Taken {
        std::shared_ptr<const void> hold;  // keeps data alive
        const uint8_t* data = nullptr;
        uint32_t size = 0;
        uint32_t credit = 0;  // data bytes consumed
    };

    // A read command went to the camera. The caller ends any earlier
    // transfer first (End), which returns the data bytes it drops.
    void Begin(uint32_t phase, uint32_t opcode, uint32_t length);
    // No more data is coming (another command, a reset); returns data bytes dropped.
    size_t End();

    ReadPlan Plan(uint32_t size);
    void Unplan(const ReadPlan& plan);  // a planned read was cancelled

    // A piece of data, or the reply; returns the data bytes dropped because
    // they belong to no transfer in progress or do not fit it.
    size_t Accept(uint32_t phase, bool reply, Block bytes, size_t size);

    bool Ready(const ReadPlan& plan) const;
    Taken Take(const ReadPlan& plan);

    uint32_t opcode() const { return active_ ? opcode_ : 0; }

private:
    struct Chunk {
        Block bytes;
        size_t size;
        size_t offset;
        bool reply;
    };

    bool active_ = false;
    uint32_t phase_ = 0;
    uint32_t opcode_ = 0;
    uint32_t length_ = 0;
    uint32_t planned_ = 0;   // data bytes promised to reads
    bool replyPlanned_ = false;
    uint64_t received_ = 0;  // data bytes that arrived
    bool replyReceived_ = false;
    size_t available_ = 0;   // data bytes waiting
    std::deque<Chunk> chunks_;
};

}  // namespace camusb
