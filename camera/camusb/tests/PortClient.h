// The port as a user-mode driver uses it: CreateFileA with
// FILE_FLAG_OVERLAPPED, DeviceIoControl and ReadFile with an OVERLAPPED and
// an event, waits on the platform clock.
#pragma once

#include "../../protocol/UsbBlocks.h"

#include <windows.h>

#include <string>

namespace camera::testing {

// The platform clock of these tests runs at 1/100 of real time.
constexpr double kTestTimeScale = 0.01;

// Sets the tests' time scale and checks that the platform's waits obey it:
// false when a platform second still takes anywhere near a real one, so
// that the tests fail at once instead of waiting minutes for real.
bool UseTestTimeScale();

struct Outcome {
    bool atOnce = false;       // the submission returned TRUE
    DWORD submitError = 0;     // the submission failed with this (not ERROR_IO_PENDING)
    bool pending = false;      // ERROR_IO_PENDING
    DWORD wait = WAIT_FAILED;  // the wait on the event, when pending
    DWORD error = 0;           // completion error (GetOverlappedResult)
    DWORD bytes = 0;

    bool Completed() const { return atOnce || (pending && wait == WAIT_OBJECT_0); }
    bool Succeeded() const { return Completed() && error == 0; }
};

class PortClient {
public:
    explicit PortClient(const std::string& port);
    ~PortClient();
    PortClient(const PortClient&) = delete;
    PortClient& operator=(const PortClient&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    DWORD openError() const { return openError_; }
    HANDLE handle() const { return handle_; }

    // One step; a request still outstanding after waitMs (platform ms) stays
    // outstanding until Finish or Cancel.
    Outcome Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD waitMs = 8000);
    Outcome Read(void* buffer, DWORD size, DWORD waitMs = 8000);
    // Waits again for the outstanding request.
    Outcome Finish(DWORD waitMs);
    // CancelIo, as the driver does after a timed-out read.
    Outcome Cancel();

    Outcome SendCommand(const CAMERA_COMMAND& command, DWORD waitMs = 8000);
    // GET_REPLY with the reply buffer as pBuffer and as output, as the escapes do;
    // with `through`, a separate pBuffer, as the status query does.
    Outcome GetReply(DWORD opcode, CAMERA_REPLY* reply, CAMERA_REPLY* through = nullptr, DWORD waitMs = 8000);
    // A whole read command: command, data in 65,536-byte reads, final reply.
    bool ReadCommand(const CAMERA_COMMAND& command, std::string* data, CAMERA_REPLY* reply);

    static CAMERA_COMMAND Command(WORD opcode, DWORD stamp, DWORD param = 0, DWORD length = 0, const char* name = "");

private:
    Outcome Await(BOOL submitted, DWORD waitMs);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DWORD openError_ = 0;
    OVERLAPPED overlapped_{};
};

}  // namespace camera::testing
