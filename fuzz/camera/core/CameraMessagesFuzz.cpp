// Feeds arbitrary link frames to the camera's end of a link, as a driver
// (or a broken one) might send them, and drains what the camera sends back.
// The first byte picks a shared ring or inline data and a link speed.
#include "camera/core/CameraSession.h"
#include "camera/protocol/LinkProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

using namespace camera;

CameraDevice* FreshCamera(uint8_t choice)
{
    CameraSettings settings;
    settings.linkBitsPerSecond = (choice & 2) ? 12000000 : 0;
    auto* device = new CameraDevice(settings);
    for (int i = 0; i < 27; ++i) device->card().AddPicture(Bytes(100 + i, 0x11), Bytes(1000, 0x22));
    device->card().PutFile("BIG00000BIN", Bytes(200000, 0x33));
    device->card().SetBlockEntryCount(1, choice >> 2);
    return device;
}

// Checks what the camera sends: well-formed frames, ring pieces inside the ring.
void Check(const CameraSession::Outgoing& frame, const DataRing& ring)
{
    if (frame.header.length > link::kMaxPayload) abort();
    if (frame.header.type == static_cast<uint16_t>(link::FrameType::RingData)) {
        uint32_t offset = link::Get32(frame.payload()), length = link::Get32(frame.payload() + 4);
        if (!ring.base || length == 0 || offset + static_cast<uint64_t>(length) > ring.size) abort();
    }
    volatile uint8_t sink = 0;
    for (uint32_t i = 0; i < frame.header.length; i += 509) sink = sink + frame.payload()[i];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    uint8_t choice = data[0];
    CameraDevice* device = FreshCamera(choice);
    static std::vector<uint8_t> memory(link::kDataWindow);
    DataRing ring = (choice & 1) ? DataRing{memory.data(), link::kDataWindow, -1} : DataRing{};
    CameraSession session(*device, 1, {FaultRule::On(Step::GetReply, 1).Nth(2).NoAnswer()}, ring);
    link::FrameSplitter splitter;
    splitter.Feed(data + 1, size - 1);
    link::FrameHeader header;
    link::Bytes payload;
    auto now = CameraSession::Clock::now();
    while (splitter.Next(&header, &payload) == link::FrameSplitter::Result::Frame) {
        session.OnFrame(header, payload.data());
        // A bounded drain: a huge read is only ever sent up to its window.
        CameraSession::Outgoing frame;
        CameraSession::Clock::time_point wake;
        for (int i = 0; i < 80 && session.NextFrame(now, &frame, &wake); ++i) Check(frame, ring);
        now += std::chrono::milliseconds(25);
    }
    delete device;
    return 0;
}
