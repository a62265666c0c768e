#include "CameraDevice.h"

#include <algorithm>
#include <cstring>

namespace camera {
namespace {

constexpr size_t kLogLimit = 10000;

CAMERA_REPLY MakeReply(WORD error, DWORD stamp, DWORD value)
{
    CAMERA_REPLY reply{};
    reply.wState = kReplyDone;
    reply.wError = error;
    reply.dwStamp = stamp;
    reply.dwValue = value;
    return reply;
}

// The camera's status for what the storage did; *silent when it does not answer.
DWORD StorageStatus(StorageResult result, bool* silent)
{
    *silent = result == StorageResult::Busy || result == StorageResult::Gone;
    switch (result) {
        case StorageResult::Ok: return kCameraOk;
        case StorageResult::NotFound: return kCameraFileNotFound;
        case StorageResult::Failed: return kCameraStorageError;
        default: return kCameraOk;  // a busy camera reports no error: the driver sees a time-out
    }
}

}  // namespace

CameraDevice::CameraDevice(CameraSettings settings, std::shared_ptr<CameraStorage> storage)
    : settings_(std::move(settings)), ownStorage_(std::move(storage)), storage_(ownStorage_ ? ownStorage_.get() : &card_)
{
}

void CameraDevice::SetVersion(DWORD version)
{
    std::lock_guard<std::mutex> guard(lock_);
    settings_.version = version;
}

UsbStrings CameraDevice::Strings() const
{
    return {settings_.manufacturer, settings_.product.empty() ? settings_.description : settings_.product,
            settings_.serial};
}

void CameraDevice::LogLocked(const ReceivedRequest& request)
{
    if (log_.size() == kLogLimit) log_.pop_front();
    log_.push_back(request);
    if (observer_) observer_(request);
}

void CameraDevice::SetObserver(std::function<void(const ReceivedRequest&)> observer)
{
    std::lock_guard<std::mutex> guard(lock_);
    observer_ = std::move(observer);
}

DWORD CameraDevice::RunLocked(const CAMERA_COMMAND& command, DWORD* value, SharedBytes* source, bool* silent)
{
    *value = 0;
    *silent = false;
    if (command.wType != 1) return kCameraBadCommand;
    switch (command.wOpcode) {
        case kOpStatus: *value = currentError_; return kCameraOk;
        case kOpDirectorySize: {
            SharedBytes directory;
            DWORD status = StorageStatus(storage_->ListDirectory(&directory), silent);
            if (directory) *value = static_cast<DWORD>(directory->size());
            return status;
        }
        case kOpReadDirectory: return StorageStatus(storage_->LastDirectory(source), silent);
        case kOpReadFile: {
            std::string name = NameFromCommand(command.szName);
            if (name.empty()) return kCameraFileNotFound;
            return StorageStatus(storage_->FetchFile(name, source), silent);
        }
        case kOpPlain: return kCameraOk;
        case kOpVersion: *value = settings_.version; return kCameraOk;
        case kOpDeleteFile: {
            std::string name = NameFromCommand(command.szName);
            return name.empty() ? kCameraFileNotFound : StorageStatus(storage_->RemoveFile(name), silent);
        }
        default: return kCameraBadCommand;
    }
}

void CameraDevice::Command(uint64_t session, uint32_t phase, const CAMERA_COMMAND& command)
{
    std::lock_guard<std::mutex> guard(lock_);
    ReceivedRequest request;
    request.kind = Step::SendCommand;
    request.command = command;
    LogLocked(request);
    lastStamp_ = command.dwStamp;
    data_ = DataPhase();  // a new command ends any read still going on
    DWORD value = 0;
    SharedBytes source;
    bool silent = false;
    DWORD status = RunLocked(command, &value, &source, &silent);
    currentError_ = status;
    if (IsReadOpcode(command.wOpcode)) {
        // A read always delivers the length asked for; the status says
        // whether the bytes are real.
        data_.active = true;
        data_.session = session;
        data_.phase = phase;
        data_.source = status == kCameraOk ? source : nullptr;
        data_.silent = silent;
        data_.offset = command.dwParam;
        data_.length = command.dwLength;
        data_.reply = MakeReply(0, command.dwStamp, status);
        haveReply_ = false;
        return;
    }
    bool deleting = command.wOpcode == kOpDeleteFile && command.wType == 1;
    lastReply_ = MakeReply(static_cast<WORD>(deleting || status == kCameraBadCommand ? status : 0), command.dwStamp,
                           value);
    replyOpcode_ = command.wOpcode;
    haveReply_ = true;
    replySilent_ = silent;
}

std::optional<CAMERA_REPLY> CameraDevice::Reply(DWORD opcode)
{
    std::lock_guard<std::mutex> guard(lock_);
    ReceivedRequest request;
    request.kind = Step::GetReply;
    request.value = opcode;
    LogLocked(request);
    if (opcode == kOpStatus) return MakeReply(0, lastStamp_, currentError_);
    if (opcode == kOpDirectorySize) {
        SharedBytes directory;
        bool silent = false;
        DWORD status = StorageStatus(storage_->ListDirectory(&directory), &silent);
        if (silent) return std::nullopt;
        // A directory that cannot be listed is reported empty; the status tells why.
        if (status != kCameraOk) currentError_ = status;
        return MakeReply(0, lastStamp_, directory ? static_cast<DWORD>(directory->size()) : 0);
    }
    if (haveReply_ && replyOpcode_ == opcode && !IsReadOpcode(opcode)) {
        if (replySilent_) return std::nullopt;
        return lastReply_;
    }
    return MakeReply(static_cast<WORD>(kCameraBadCommand), 0, 0);
}

DWORD CameraDevice::Descriptor(const DESCRIPTOR_REQUEST& descriptor, DWORD maxLength, Bytes* out)
{
    std::lock_guard<std::mutex> guard(lock_);
    ReceivedRequest request;
    request.kind = Step::GetDescriptor;
    request.value = maxLength;
    request.descriptor = descriptor;
    LogLocked(request);
    DWORD error = BuildDescriptor(descriptor.bDescriptorType, descriptor.bDescriptorIndex, descriptor.wLanguageId,
                                  Strings(), out);
    if (error) {
        out->clear();
    } else if (out->size() > maxLength) {
        out->resize(maxLength);
    }
    return error;
}

CHANNEL_INFO CameraDevice::ChannelInfo()
{
    std::lock_guard<std::mutex> guard(lock_);
    ReceivedRequest request;
    request.kind = Step::GetChannelInfo;
    LogLocked(request);
    return {kEventChannelSize, kPacketSize, kPacketSize};
}

void CameraDevice::Reset(DWORD selector)
{
    std::lock_guard<std::mutex> guard(lock_);
    ReceivedRequest request;
    request.kind = Step::Reset;
    request.value = selector;
    LogLocked(request);
    data_ = DataPhase();
    currentError_ = 0;
    haveReply_ = false;
    replySilent_ = false;
}

void CameraDevice::Disconnected(uint64_t session)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (data_.session == session) data_ = DataPhase();
}

bool CameraDevice::NextPiece(uint64_t session, size_t most, Piece* piece)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!data_.active || data_.session != session || data_.silent) return false;
    bool dataLeft = data_.sent < data_.length;
    if (dataLeft && most == 0) return false;
    *piece = Piece();
    piece->phase = data_.phase;
    if (dataLeft) {
        size_t n = std::min<size_t>(most, data_.length - data_.sent);
        uint64_t at = data_.offset + data_.sent;
        data_.sent += static_cast<uint32_t>(n);
        piece->length = n;
        size_t have = data_.source ? data_.source->size() : 0;
        if (at + n <= have) {
            piece->source = data_.source;
            piece->offset = static_cast<size_t>(at);
            return true;
        }
        piece->own.assign(n, 0);  // past the end of the file: zeros
        if (at < have) memcpy(piece->own.data(), data_.source->data() + at, have - static_cast<size_t>(at));
        return true;
    }
    piece->reply = true;
    piece->length = sizeof(CAMERA_REPLY);
    piece->own.resize(sizeof(CAMERA_REPLY));
    memcpy(piece->own.data(), &data_.reply, sizeof(CAMERA_REPLY));
    data_ = DataPhase();
    return true;
}

std::vector<CAMERA_COMMAND> CameraDevice::Commands() const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<CAMERA_COMMAND> commands;
    for (const ReceivedRequest& r : log_) {
        if (r.kind == Step::SendCommand) commands.push_back(r.command);
    }
    return commands;
}

std::vector<ReceivedRequest> CameraDevice::Requests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return {log_.begin(), log_.end()};
}

void CameraDevice::ClearLog()
{
    std::lock_guard<std::mutex> guard(lock_);
    log_.clear();
}

}  // namespace camera
