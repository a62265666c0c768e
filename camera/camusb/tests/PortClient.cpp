#include "PortClient.h"

#include <winplat/host.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace camera::testing {

namespace {

using RealClock = std::chrono::steady_clock;

// Real time a wait of `waitMs` platform ms may take at the tests' time
// scale, with room for a busy machine, but never minutes.
RealClock::duration RealBound(DWORD waitMs)
{
    return std::chrono::milliseconds(3000) + std::chrono::microseconds(static_cast<long long>(waitMs * kTestTimeScale * 2000));
}

}  // namespace

bool UseTestTimeScale()
{
    winplat::SetTimeScale(kTestTimeScale);
    // 2000 platform ms are 20 ms of real time; a clock that takes more than
    // ten times that is not scaled.
    RealClock::time_point start = RealClock::now();
    Sleep(2000);
    return RealClock::now() - start < std::chrono::milliseconds(200);
}

PortClient::PortClient(const std::string& port)
{
    handle_ = CreateFileA(port.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                          nullptr);
    openError_ = valid() ? 0 : GetLastError();
    overlapped_.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

PortClient::~PortClient()
{
    if (valid()) CloseHandle(handle_);
    CloseHandle(overlapped_.hEvent);
}

Outcome PortClient::Await(BOOL submitted, DWORD waitMs)
{
    Outcome outcome;
    if (submitted) {
        outcome.atOnce = true;
        GetOverlappedResult(handle_, &overlapped_, &outcome.bytes, FALSE);
        return outcome;
    }
    DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) {
        outcome.submitError = error;
        return outcome;
    }
    outcome.pending = true;
    return Finish(waitMs);
}

Outcome PortClient::Finish(DWORD waitMs)
{
    Outcome outcome;
    outcome.pending = true;
    // In slices that end where the whole wait would end on the platform
    // clock, so that a clock that does not run at the tests' scale fails
    // the test within seconds instead of waiting for real.
    constexpr DWORD kSliceMs = 500;
    RealClock::time_point deadline = RealClock::now() + RealBound(waitMs);
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD left = elapsed >= waitMs ? 0 : waitMs - elapsed;
        DWORD slice = left < kSliceMs ? left : kSliceMs;
        outcome.wait = WaitForSingleObject(overlapped_.hEvent, slice);
        if (outcome.wait != WAIT_TIMEOUT || slice == left) break;
        if (RealClock::now() > deadline) {
            ADD_FAILURE() << "a wait of " << waitMs << " platform ms overran its real bound: is the time scale in effect?";
            break;
        }
    }
    if (outcome.wait == WAIT_OBJECT_0) {
        if (!GetOverlappedResult(handle_, &overlapped_, &outcome.bytes, FALSE)) outcome.error = GetLastError();
    }
    return outcome;
}

Outcome PortClient::Cancel()
{
    CancelIo(handle_);
    return Finish(0);
}

Outcome PortClient::Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD waitMs)
{
    DWORD bytes = 0;
    BOOL ok = DeviceIoControl(handle_, code, const_cast<void*>(in), inSize, out, outSize, &bytes, &overlapped_);
    return Await(ok, waitMs);
}

Outcome PortClient::Read(void* buffer, DWORD size, DWORD waitMs)
{
    BOOL ok = ReadFile(handle_, buffer, size, nullptr, &overlapped_);
    return Await(ok, waitMs);
}

Outcome PortClient::SendCommand(const CAMERA_COMMAND& command, DWORD waitMs)
{
    PIPE_REQUEST request{command.wOpcode, sizeof command, const_cast<CAMERA_COMMAND*>(&command), 0};
    return Control(kIoctlSendCommand, &request, sizeof request, nullptr, 0, waitMs);
}

Outcome PortClient::GetReply(DWORD opcode, CAMERA_REPLY* reply, CAMERA_REPLY* through, DWORD waitMs)
{
    PIPE_REQUEST request{opcode, sizeof(CAMERA_REPLY), through ? through : reply, 0};
    return Control(kIoctlGetReply, &request, sizeof request, reply, sizeof(CAMERA_REPLY), waitMs);
}

bool PortClient::ReadCommand(const CAMERA_COMMAND& command, std::string* data, CAMERA_REPLY* reply)
{
    if (!SendCommand(command).Succeeded()) return false;
    data->clear();
    std::string chunk(kMaxTransfer, '\0');
    for (DWORD left = command.dwLength; left > 0;) {
        DWORD size = left < kMaxTransfer ? left : kMaxTransfer;
        Outcome outcome = Read(chunk.data(), size);
        if (!outcome.Succeeded()) return false;
        data->append(chunk.data(), outcome.bytes);
        left -= size;
    }
    *reply = {};
    Outcome outcome = Read(reply, sizeof *reply);
    return outcome.Succeeded() && outcome.bytes == sizeof *reply;
}

CAMERA_COMMAND PortClient::Command(WORD opcode, DWORD stamp, DWORD param, DWORD length, const char* name)
{
    CAMERA_COMMAND command{};
    command.wType = 1;
    command.wOpcode = opcode;
    command.dwStamp = stamp;
    command.dwParam = param;
    command.dwLength = length;
    snprintf(command.szName, sizeof command.szName, "%s", name);
    return command;
}

}  // namespace camera::testing
