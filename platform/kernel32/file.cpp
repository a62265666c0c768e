// Files on the host behind DOS paths: CreateFileA, ReadFile, WriteFile and
// the other file functions. Sharing modes are enforced between the handles
// of this process, as the platform enforces them between all handles.
#include "io_object.h"

#include <winplat/host.h>
#include <winplat/sync.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <vector>

namespace kernel32 {
namespace {

DWORD ErrorFromErrno(int e)
{
    switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_GEN_FAILURE;
    }
}

// ---- Sharing -----------------------------------------------------------------

struct OpenRecord {
    DWORD access;
    DWORD share;
};

struct Sharing {
    std::mutex lock;
    std::multimap<std::pair<dev_t, ino_t>, OpenRecord> opens;
};

Sharing& sharing()
{
    static Sharing* instance = new Sharing;
    return *instance;
}

bool Compatible(const OpenRecord& a, const OpenRecord& b)
{
    auto allows = [](const OpenRecord& holder, const OpenRecord& other) {
        if ((other.access & GENERIC_READ) && !(holder.share & FILE_SHARE_READ)) return false;
        if ((other.access & GENERIC_WRITE) && !(holder.share & FILE_SHARE_WRITE)) return false;
        return true;
    };
    return allows(a, b) && allows(b, a);
}

class FileObject : public IoObject {
public:
    FileObject(int fd, std::pair<dev_t, ino_t> id, OpenRecord record, bool overlapped)
        : fd_(fd), id_(id), record_(record), overlapped_(overlapped)
    {
    }
    ~FileObject() override { Release(); }
    winplat::ObjectKind Kind() const override { return winplat::ObjectKind::File; }
    void OnClose() override { Release(); }

    BOOL Read(void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped) override
    {
        if (!(record_.access & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED, overlapped);
        ssize_t n = overlapped_ && overlapped ? pread(fd_, buffer, size, Offset(overlapped)) : read(fd_, buffer, size);
        if (n < 0) return Fail(ErrorFromErrno(errno), overlapped);
        return Succeed(static_cast<DWORD>(n), done, overlapped);
    }

    BOOL Write(const void* buffer, DWORD size, DWORD* done, OVERLAPPED* overlapped) override
    {
        if (!(record_.access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED, overlapped);
        size_t written = 0;
        off_t offset = overlapped_ && overlapped ? Offset(overlapped) : -1;
        while (written < size) {
            const char* from = static_cast<const char*>(buffer) + written;
            ssize_t n = offset >= 0 ? pwrite(fd_, from, size - written, offset + static_cast<off_t>(written))
                                    : write(fd_, from, size - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (done) *done = static_cast<DWORD>(written);
                return Fail(n < 0 ? ErrorFromErrno(errno) : ERROR_DISK_FULL, overlapped);
            }
            written += static_cast<size_t>(n);
        }
        return Succeed(size, done, overlapped);
    }

    int fd() const { return fd_; }

private:
    static off_t Offset(const OVERLAPPED* o)
    {
        return static_cast<off_t>((static_cast<uint64_t>(o->OffsetHigh) << 32) | o->Offset);
    }
    BOOL Fail(DWORD error, OVERLAPPED* overlapped)
    {
        if (overlapped) CompleteOverlapped(overlapped, error, 0);
        SetLastError(error);
        return FALSE;
    }
    static BOOL Succeed(DWORD bytes, DWORD* done, OVERLAPPED* overlapped)
    {
        if (done) *done = bytes;
        if (overlapped) CompleteOverlapped(overlapped, 0, bytes);
        return TRUE;
    }
    void Release()
    {
        std::lock_guard<std::mutex> guard(sharing().lock);
        if (fd_ < 0) return;
        close(fd_);
        fd_ = -1;
        auto range = sharing().opens.equal_range(id_);
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second.access == record_.access && it->second.share == record_.share) {
                sharing().opens.erase(it);
                break;
            }
        }
    }

    int fd_;
    std::pair<dev_t, ino_t> id_;
    OpenRecord record_;
    bool overlapped_;
};

std::shared_ptr<FileObject> LookupFile(HANDLE h)
{
    std::shared_ptr<FileObject> file = winplat::LookupAs<FileObject>(h);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

HANDLE OpenHostFile(const std::string& host, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    int oflags = O_CLOEXEC;
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE)) {
        oflags |= O_RDWR;
    } else if (access & GENERIC_WRITE) {
        oflags |= O_WRONLY;
    } else {
        oflags |= O_RDONLY;
    }
    struct stat st;
    bool existed = stat(host.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    switch (disposition) {
    case CREATE_NEW:
        if (existed) {
            SetLastError(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        oflags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS: oflags |= O_CREAT; break;  // emptied below, once sharing allows it
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: oflags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
        if (!(access & GENERIC_WRITE)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    if (!existed && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)) {
        SetLastError(MissingError(host));
        return INVALID_HANDLE_VALUE;
    }

    std::lock_guard<std::mutex> guard(sharing().lock);
    int fd = open(host.c_str(), oflags, 0644);
    if (fd < 0) {
        SetLastError(errno == ENOENT ? MissingError(host) : ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    fstat(fd, &st);
    std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
    OpenRecord record{access, share};
    auto range = sharing().opens.equal_range(id);
    for (auto it = range.first; it != range.second; ++it) {
        if (!Compatible(it->second, record)) {
            close(fd);
            if (!existed) unlink(host.c_str());
            SetLastError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE;
        }
    }
    if (existed && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) && ftruncate(fd, 0) != 0) {
        DWORD error = ErrorFromErrno(errno);
        close(fd);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    sharing().opens.emplace(id, record);
    auto file = std::make_shared<FileObject>(fd, id, record, (flags & FILE_FLAG_OVERLAPPED) != 0);
    HANDLE h = winplat::InsertObject(file);
    if (!h) {
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return INVALID_HANDLE_VALUE;
    }
    // CREATE_ALWAYS and OPEN_ALWAYS report whether the file was there.
    bool reportExisting = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

}  // namespace

DWORD MissingError(const std::string& host)
{
    size_t slash = host.rfind('/');
    std::string parent = slash == 0 || slash == std::string::npos ? "/" : host.substr(0, slash);
    struct stat st;
    if (stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

bool FileOpenWithoutDeleteSharing(const char* hostPath)
{
    struct stat st;
    if (stat(hostPath, &st) != 0) return false;
    std::lock_guard<std::mutex> guard(sharing().lock);
    auto range = sharing().opens.equal_range({st.st_dev, st.st_ino});
    for (auto it = range.first; it != range.second; ++it)
        if (!(it->second.share & FILE_SHARE_DELETE)) return true;
    return false;
}

void CompleteOverlapped(OVERLAPPED* overlapped, DWORD error, DWORD bytes)
{
    std::shared_ptr<winplat::Event> event = winplat::LookupAs<winplat::Event>(overlapped->hEvent);
    {
        std::lock_guard<std::mutex> guard(winplat::SyncLock());
        SetOverlappedLocked(overlapped, event.get(), error, bytes);
    }
    winplat::SyncChanged().notify_all();
}

}  // namespace kernel32

using kernel32::IoObject;

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE)
{
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (strncmp(lpFileName, "\\\\.\\", 4) == 0) {
        if (dwCreationDisposition != OPEN_EXISTING) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        return kernel32::OpenDevice(lpFileName + 4, dwDesiredAccess, dwFlagsAndAttributes);
    }
    std::string host;
    if (DWORD error = winplat::DosToHostPath(lpFileName, &host)) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    return kernel32::OpenHostFile(host, dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes);
}

namespace {
std::shared_ptr<IoObject> LookupIo(HANDLE h)
{
    std::shared_ptr<IoObject> object = winplat::LookupAs<IoObject>(h);
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}
}  // namespace

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped)
{
    std::shared_ptr<IoObject> object = LookupIo(hFile);
    if (!object) return FALSE;
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    if (!lpBuffer && nNumberOfBytesToRead) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return object->Read(lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped);
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped)
{
    std::shared_ptr<IoObject> object = LookupIo(hFile);
    if (!object) return FALSE;
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    if (!lpBuffer && nNumberOfBytesToWrite) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return object->Write(lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten, lpOverlapped);
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                            LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                            LPOVERLAPPED lpOverlapped)
{
    std::shared_ptr<IoObject> object = LookupIo(hDevice);
    if (!object) return FALSE;
    if (lpBytesReturned) *lpBytesReturned = 0;
    if ((!lpInBuffer && nInBufferSize) || (!lpOutBuffer && nOutBufferSize)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return object->Control(dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer, nOutBufferSize,
                           lpBytesReturned, lpOverlapped);
}

BOOL WINAPI GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred,
                                BOOL bWait)
{
    if (!LookupIo(hFile)) return FALSE;
    if (!lpOverlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ULONG_PTR status;
    DWORD bytes;
    {
        std::unique_lock<std::mutex> guard(winplat::SyncLock());
        if (bWait) {
            winplat::SyncChanged().wait(guard, [&] { return lpOverlapped->Internal != STATUS_PENDING; });
        }
        status = lpOverlapped->Internal;
        bytes = static_cast<DWORD>(lpOverlapped->InternalHigh);
    }
    if (status == STATUS_PENDING) {
        SetLastError(ERROR_IO_INCOMPLETE);
        return FALSE;
    }
    if (lpNumberOfBytesTransferred) *lpNumberOfBytesTransferred = bytes;
    if (DWORD error = kernel32::DecodeStatus(status)) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI CancelIo(HANDLE hFile)
{
    std::shared_ptr<IoObject> object = LookupIo(hFile);
    if (!object) return FALSE;
    object->CancelCallerIo();
    return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile)
{
    std::shared_ptr<kernel32::FileObject> file = kernel32::LookupFile(hFile);
    if (!file) return FALSE;
    if (fsync(file->fd()) != 0) {
        SetLastError(kernel32::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    std::shared_ptr<kernel32::FileObject> file = kernel32::LookupFile(hFile);
    struct stat st;
    if (!file || fstat(file->fd(), &st) != 0) {
        if (file) SetLastError(kernel32::ErrorFromErrno(errno));
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<uint64_t>(st.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(size);
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    std::shared_ptr<kernel32::FileObject> file = kernel32::LookupFile(hFile);
    if (!file) return INVALID_SET_FILE_POINTER;
    int64_t distance = lpDistanceToMoveHigh
                           ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                                  static_cast<uint32_t>(lDistanceToMove))
                           : lDistanceToMove;
    int whence = dwMoveMethod == FILE_BEGIN ? SEEK_SET : dwMoveMethod == FILE_CURRENT ? SEEK_CUR
                                                     : dwMoveMethod == FILE_END       ? SEEK_END
                                                                                      : -1;
    if (whence < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t position = lseek(file->fd(), distance, whence);
    if (position < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(position);
}

BOOL WINAPI SetEndOfFile(HANDLE hFile)
{
    std::shared_ptr<kernel32::FileObject> file = kernel32::LookupFile(hFile);
    if (!file) return FALSE;
    off_t position = lseek(file->fd(), 0, SEEK_CUR);
    if (position < 0 || ftruncate(file->fd(), position) != 0) {
        SetLastError(kernel32::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
