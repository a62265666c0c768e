// Folders and names: creating and removing folders, deleting, renaming and
// naming temporary files, attributes and directory searches.
#include "io_object.h"

#include <winplat/host.h>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool MapPath(LPCSTR dosPath, std::string* host)
{
    if (!dosPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (DWORD error = winplat::DosToHostPath(dosPath, host)) {
        SetLastError(error);
        return false;
    }
    return true;
}

DWORD AttributesOf(const std::string& host, const struct stat& st)
{
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (access(host.c_str(), W_OK) != 0) attributes |= FILE_ATTRIBUTE_READONLY;
    size_t slash = host.rfind('/');
    if (slash != std::string::npos && host.compare(slash + 1, 1, ".") == 0 && host.size() > slash + 2 &&
        host.compare(slash + 1, 2, "..") != 0)
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

FILETIME ToFileTime(const struct timespec& ts)
{
    // 100 ns intervals since 1601-01-01.
    uint64_t ticks = (static_cast<uint64_t>(ts.tv_sec) + 11644473600ull) * 10000000ull +
                     static_cast<uint64_t>(ts.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

class FindSearch : public winplat::KernelObject {
public:
    winplat::ObjectKind Kind() const override { return winplat::ObjectKind::FindSearch; }
    bool ClosableByCloseHandle() const override { return false; }
    std::vector<WIN32_FIND_DATAA> results;
    size_t next = 0;
};

}  // namespace

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES)
{
    std::string host;
    if (!MapPath(lpPathName, &host)) return FALSE;
    if (mkdir(host.c_str(), 0755) == 0) return TRUE;
    DWORD error;
    switch (errno) {
    case EEXIST: error = ERROR_ALREADY_EXISTS; break;
    case ENOENT:
    case ENOTDIR: error = ERROR_PATH_NOT_FOUND; break;
    case ENOSPC: error = ERROR_DISK_FULL; break;
    default: error = ERROR_ACCESS_DENIED; break;
    }
    SetLastError(error);
    return FALSE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName)
{
    std::string host;
    if (!MapPath(lpPathName, &host)) return FALSE;
    if (rmdir(host.c_str()) == 0) return TRUE;
    DWORD error;
    switch (errno) {
    case ENOENT: error = ERROR_FILE_NOT_FOUND; break;
    case ENOTDIR: error = ERROR_DIRECTORY; break;
    case ENOTEMPTY:
    case EEXIST: error = ERROR_DIR_NOT_EMPTY; break;
    default: error = ERROR_ACCESS_DENIED; break;
    }
    SetLastError(error);
    return FALSE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName)
{
    std::string host;
    if (!MapPath(lpFileName, &host)) return FALSE;
    struct stat st;
    if (lstat(host.c_str(), &st) != 0) {
        SetLastError(kernel32::MissingError(host));
        return FALSE;
    }
    if (S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (kernel32::FileOpenWithoutDeleteSharing(host.c_str())) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (unlink(host.c_str()) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

// The rename itself is the host's, so a file put in place with
// MOVEFILE_REPLACE_EXISTING is either the old one or the new one, never a
// mixture or nothing.
BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags)
{
    std::string from, to;
    if (!MapPath(lpExistingFileName, &from) || !MapPath(lpNewFileName, &to)) return FALSE;
    struct stat st;
    if (lstat(from.c_str(), &st) != 0) {
        SetLastError(kernel32::MissingError(from));
        return FALSE;
    }
    struct stat target;
    bool targetExists = lstat(to.c_str(), &target) == 0;
    if (targetExists && !(dwFlags & MOVEFILE_REPLACE_EXISTING)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (targetExists && S_ISDIR(target.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (kernel32::FileOpenWithoutDeleteSharing(from.c_str()) ||
        (targetExists && kernel32::FileOpenWithoutDeleteSharing(to.c_str()))) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (rename(from.c_str(), to.c_str()) == 0) return TRUE;
    DWORD error;
    switch (errno) {
    case ENOENT:
    case ENOTDIR: error = ERROR_PATH_NOT_FOUND; break;
    case EXDEV: error = ERROR_NOT_SAME_DEVICE; break;
    case ENOSPC: error = ERROR_DISK_FULL; break;
    default: error = ERROR_ACCESS_DENIED; break;
    }
    SetLastError(error);
    return FALSE;
}

// "<path>\<prefix><hex>.TMP", at most three characters of the prefix. With
// uUnique 0 the name is made unique by creating the file empty; otherwise
// the name is only formed.
UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName)
{
    if (!lpPathName || !lpTempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string folder = lpPathName;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    std::string prefix = std::string(lpPrefixString ? lpPrefixString : "").substr(0, 3);
    if (folder.size() + prefix.size() + 8 >= MAX_PATH) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    auto form = [&](UINT unique) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%s%s%X.TMP", folder.c_str(), prefix.c_str(), unique & 0xFFFF);
        return std::string(name);
    };
    if (uUnique) {
        memcpy(lpTempFileName, form(uUnique).c_str(), form(uUnique).size() + 1);
        return uUnique & 0xFFFF;
    }
    UINT start = (GetTickCount() ^ static_cast<UINT>(getpid())) & 0xFFFF;
    for (UINT step = 0; step < 0x10000; ++step) {
        UINT unique = (start + step) & 0xFFFF;
        if (unique == 0) continue;
        std::string dos = form(unique), host;
        if (!MapPath(dos.c_str(), &host)) return 0;
        int fd = open(host.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
            memcpy(lpTempFileName, dos.c_str(), dos.size() + 1);
            return unique;
        }
        if (errno == EEXIST) continue;
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_DIRECTORY
                     : errno == ENOSPC                   ? ERROR_DISK_FULL
                                                         : ERROR_ACCESS_DENIED);
        return 0;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName)
{
    std::string host;
    if (!MapPath(lpFileName, &host)) return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (stat(host.c_str(), &st) != 0) {
        SetLastError(kernel32::MissingError(host));
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(host, st);
}

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData)
{
    if (!lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string dos(lpFileName);
    size_t cut = dos.find_last_of("\\/");
    const std::string name = cut == std::string::npos ? dos : dos.substr(cut + 1);
    const std::string pattern = (name.empty() || name == "*.*") ? std::string(1, '*') : name;
    std::string folderDos = cut == std::string::npos ? "." : dos.substr(0, cut + 1);
    if (folderDos.size() == 2 && folderDos[1] == ':') folderDos += '\\';
    std::string folder;
    if (!MapPath(folderDos.c_str(), &folder)) return INVALID_HANDLE_VALUE;
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<FindSearch>();
    while (dirent* entry = readdir(dir)) {
        if (fnmatch(pattern.c_str(), entry->d_name, FNM_CASEFOLD) != 0) continue;
        if (strlen(entry->d_name) >= MAX_PATH) continue;
        std::string path = folder;
        if (path.back() != '/') path.push_back('/');
        path += entry->d_name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0) continue;
        WIN32_FIND_DATAA data = {};
        data.dwFileAttributes = AttributesOf(path, st);
        data.ftCreationTime = data.ftLastWriteTime = ToFileTime(st.st_mtim);
        data.ftLastAccessTime = ToFileTime(st.st_atim);
        auto size = static_cast<uint64_t>(S_ISDIR(st.st_mode) ? 0 : st.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size);
        strcpy(data.cFileName, entry->d_name);
        search->results.push_back(data);
    }
    closedir(dir);
    if (search->results.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *lpFindFileData = search->results[0];
    search->next = 1;
    HANDLE h = winplat::InsertObject(search);
    if (!h) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData)
{
    std::shared_ptr<FindSearch> search = winplat::LookupAs<FindSearch>(hFindFile);
    if (!search) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (search->next >= search->results.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *lpFindFileData = search->results[search->next++];
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile)
{
    if (!winplat::LookupAs<FindSearch>(hFindFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    winplat::RemoveObject(hFindFile);
    return TRUE;
}

DWORD WINAPI GetLogicalDrives(void) { return (1u << ('C' - 'A')) | (1u << ('Z' - 'A')); }

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer)
{
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    std::string dos = winplat::HostToDosPath(cwd);
    if (!lpBuffer || nBufferLength <= dos.size()) return static_cast<DWORD>(dos.size() + 1);
    memcpy(lpBuffer, dos.c_str(), dos.size() + 1);
    return static_cast<DWORD>(dos.size());
}
