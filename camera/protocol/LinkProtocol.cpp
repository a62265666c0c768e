#include "LinkProtocol.h"

#include <winplat/host.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

namespace camera::link {
namespace {

constexpr int kSendWaitMs = 10000;

}  // namespace

void EncodeHeader(const FrameHeader& header, uint8_t out[kHeaderSize])
{
    Put32(out, header.length);
    Put16(out + 4, header.type);
    Put16(out + 6, header.flags);
    Put32(out + 8, header.id);
}

bool DecodeHeader(const uint8_t in[kHeaderSize], FrameHeader* header)
{
    header->length = Get32(in);
    header->type = Get16(in + 4);
    header->flags = Get16(in + 6);
    header->id = Get32(in + 8);
    return header->length <= kMaxPayload;
}

Bytes EncodeFrame(FrameType type, uint16_t flags, uint32_t id, const void* payload, size_t size)
{
    Bytes frame(kHeaderSize + size);
    EncodeHeader({static_cast<uint32_t>(size), static_cast<uint16_t>(type), flags, id}, frame.data());
    if (size) memcpy(frame.data() + kHeaderSize, payload, size);
    return frame;
}

FrameSplitter::Result FrameSplitter::Next(FrameHeader* header, Bytes* payload)
{
    if (buffer_.size() - offset_ < kHeaderSize) return Result::NeedMore;
    if (!DecodeHeader(buffer_.data() + offset_, header)) return Result::Broken;
    if (buffer_.size() - offset_ - kHeaderSize < header->length) return Result::NeedMore;
    const uint8_t* start = buffer_.data() + offset_ + kHeaderSize;
    payload->assign(start, start + header->length);
    offset_ += kHeaderSize + header->length;
    if (offset_ == buffer_.size()) {
        buffer_.clear();
        offset_ = 0;
    }
    return Result::Frame;
}

bool IsCameraDeviceName(const std::string& name)
{
    static const char prefix[] = "CAMUSB";
    if (name.size() <= 6 || name.size() > 9) return false;
    for (size_t i = 0; i < 6; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != prefix[i]) return false;
    }
    for (size_t i = 6; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    }
    return true;
}

std::string CameraDeviceName(int number) { return "CAMUSB" + std::to_string(number); }

std::string LinkFolder() { return winplat::RuntimeSubfolder("camusb"); }

std::string LinkSocketPath(const std::string& deviceName)
{
    std::string path = LinkFolder() + "/" + deviceName + ".sock";
    if (path.size() >= sizeof(sockaddr_un{}.sun_path)) return "";
    return path;
}

bool PeerIsSameUser(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer && peer.uid == geteuid();
}

void SizeSocketBuffers(int fd)
{
    int size = kSocketBuffer;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

bool SendParts(int fd, const void* head, size_t headSize, const void* body, size_t bodySize, int passFd)
{
    iovec parts[2] = {{const_cast<void*>(head), headSize}, {const_cast<void*>(body), bodySize}};
    size_t first = 0;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    bool passing = passFd >= 0;
    while (first < 2 && parts[first].iov_len == 0) ++first;
    while (first < 2) {
        msghdr message{};
        message.msg_iov = parts + first;
        message.msg_iovlen = 2 - first;
        if (passing) {
            // The descriptor rides with the first byte.
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            cmsghdr* c = CMSG_FIRSTHDR(&message);
            c->cmsg_level = SOL_SOCKET;
            c->cmsg_type = SCM_RIGHTS;
            c->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(c), &passFd, sizeof(int));
        }
        ssize_t n = sendmsg(fd, &message, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Nothing went out, so a retry carries the descriptor again. The
            // other end reads all the time: a link that stays full is dead.
            pollfd out = {fd, POLLOUT, 0};
            if (poll(&out, 1, kSendWaitMs) > 0 && !(out.revents & (POLLERR | POLLHUP))) continue;
            return false;
        }
        if (n <= 0) return false;
        passing = false;
        // Step over what went out.
        auto left = static_cast<size_t>(n);
        while (first < 2 && left >= parts[first].iov_len) left -= parts[first++].iov_len;
        if (first < 2) {
            parts[first].iov_base = static_cast<uint8_t*>(parts[first].iov_base) + left;
            parts[first].iov_len -= left;
        }
    }
    return true;
}

bool WriteAll(int fd, const void* data, size_t size) { return SendParts(fd, data, size, nullptr, 0); }

bool ReadAll(int fd, void* data, size_t size)
{
    auto* p = static_cast<uint8_t*>(data);
    while (size) {
        ssize_t n = read(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace camera::link
