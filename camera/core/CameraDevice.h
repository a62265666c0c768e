// The camera itself: its card, its settings and what it does with each
// request that comes over its link.
//
//   opcode 1  status: dwValue = the current error code (that of the last
//             command; 0 after a reset)
//   opcode 2  directory size in bytes
//   opcode 3  read directory: dwLength bytes from dwParam, then a reply
//   opcode 4  read file szName: the same; past the file's end, or for a
//             missing file, zeros; the reply's dwValue is 0, or 9 when the
//             file does not exist
//   opcode 6  acknowledged, dwValue 0
//   opcode 7  dwValue = the version (default 0x01000000)
//   opcode 16 delete szName: wError = 0, or 9 when no such file
// Opcodes 1 and 2 are answered at once when asked (no command needed);
// the replies of 6, 7 and 16 are fetched after the command; the replies of 3
// and 4 follow their data. A command with wType other than 1, an unknown
// opcode, or a fetch of a reply that no command left gives wError 2 (or, for
// the reads, dwValue 2). Every reply has wState 3 and echoes the stamp of the
// command that made it (the last command's stamp for opcodes 1 and 2).
//
// The directory and the files come from a storage (CameraStorage.h): the
// camera's own card, or one given. A storage that fails gives error 10 (9
// for a missing file); one that is busy or gone leaves the camera silent
// for that command: a read delivers nothing, a reply is not given, and the
// driver's wait runs out, while the status stays 0.
//
// Thread-safe; several links (processes) may share one camera.
#pragma once

#include "../protocol/FaultPlan.h"
#include "../protocol/UsbBlocks.h"
#include "CameraCard.h"
#include "Descriptors.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace camera {

struct CameraSettings {
    std::string description = "Marovane";  // the still-image device description
    std::string product;                   // USB product string; empty: the description
    std::string manufacturer = "Virtual Camera Works";
    std::string serial = "VC0001";
    DWORD version = kCameraVersion;
    uint64_t linkBitsPerSecond = 0;        // data speed of the link; 0: unlimited
};

// One request as the camera received it.
struct ReceivedRequest {
    Step kind = Step::Any;           // SendCommand, GetReply, GetDescriptor, GetChannelInfo or Reset
    DWORD value = 0;                 // GetReply: the opcode; Reset: the selector; GetDescriptor: the length asked
    CAMERA_COMMAND command{};        // SendCommand
    DESCRIPTOR_REQUEST descriptor{};  // GetDescriptor
};

class CameraDevice {
public:
    // Without a storage the camera serves its own card.
    explicit CameraDevice(CameraSettings settings = {}, std::shared_ptr<CameraStorage> storage = nullptr);

    CameraCard& card() { return card_; }
    const CameraSettings& settings() const { return settings_; }
    void SetVersion(DWORD version);

    // Requests of a link. `session` tells the links apart; `phase` names the
    // data of a read command.
    void Command(uint64_t session, uint32_t phase, const CAMERA_COMMAND& command);
    // Nothing when the camera stays silent (its storage is busy or gone).
    std::optional<CAMERA_REPLY> Reply(DWORD opcode);
    DWORD Descriptor(const DESCRIPTOR_REQUEST& request, DWORD maxLength, Bytes* out);
    CHANNEL_INFO ChannelInfo();
    void Reset(DWORD selector);
    void Disconnected(uint64_t session);

    // The bulk IN pipe: the data of the current read command, then its reply.
    struct Piece {
        uint32_t phase = 0;
        bool reply = false;
        SharedBytes source;  // when the bytes lie wholly in a file: no copy
        size_t offset = 0;
        size_t length = 0;
        Bytes own;           // otherwise
        const uint8_t* data() const { return source ? source->data() + offset : own.data(); }
    };
    // The next piece for `session`: at most `most` bytes of data, or the
    // reply once the data is all sent; false when there is none.
    bool NextPiece(uint64_t session, size_t most, Piece* piece);

    // What the camera received (the most recent 10,000 requests).
    std::vector<CAMERA_COMMAND> Commands() const;
    std::vector<ReceivedRequest> Requests() const;
    void ClearLog();
    // Called (on a link's thread) with each request as it arrives.
    void SetObserver(std::function<void(const ReceivedRequest&)> observer);

private:
    struct DataPhase {
        bool active = false;
        uint64_t session = 0;
        uint32_t phase = 0;
        SharedBytes source;  // null: zeros
        bool silent = false;  // the storage is busy or gone: no data, no reply
        uint64_t offset = 0;
        uint32_t length = 0;
        uint32_t sent = 0;
        CAMERA_REPLY reply{};
    };

    void LogLocked(const ReceivedRequest& request);
    // Carries out a command; returns its status, with the reply's value and,
    // for the reads, what the data comes from. *silent: the storage is busy
    // or gone.
    DWORD RunLocked(const CAMERA_COMMAND& command, DWORD* value, SharedBytes* source, bool* silent);
    UsbStrings Strings() const;

    CameraSettings settings_;
    CameraCard card_;
    std::shared_ptr<CameraStorage> ownStorage_;
    CameraStorage* storage_;
    mutable std::mutex lock_;
    DWORD currentError_ = 0;
    DWORD lastStamp_ = 0;
    bool haveReply_ = false;
    bool replySilent_ = false;  // the last command's reply is not given
    WORD replyOpcode_ = 0;
    CAMERA_REPLY lastReply_{};
    DataPhase data_;
    std::deque<ReceivedRequest> log_;
    std::function<void(const ReceivedRequest&)> observer_;
};

}  // namespace camera
