// Folders of the platform's own state, checked before use: live state and
// drive C: must not sit where another local user could read, swap or plant
// files.
#include "host_folders.h"

#include <winplat/host.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace winplat {
namespace {

std::string Octal(mode_t mode)
{
    char text[8];
    snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string WhyNotOpened(const std::string& path, int openError)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return "it is a symbolic link";
    if (openError == ENOTDIR) return "it is not a folder";
    return std::string("it cannot be opened (") + strerror(openError) + ")";
}

}  // namespace

std::string CheckOwnFolder(const std::string& path, FolderRule rule)
{
    // mkdir never follows a symbolic link, and a folder made here is ours and
    // closed to others from its first moment.
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return std::string("it cannot be made (") + strerror(errno) + ")";
    // The checks look at what was opened, so nothing can be swapped in
    // between looking and opening.
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return WhyNotOpened(path, errno);
    struct stat st;
    int statted = fstat(fd, &st);
    close(fd);
    if (statted != 0) return std::string("it cannot be examined (") + strerror(errno) + ")";
    if (st.st_uid != geteuid()) return "it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    if (rule == FolderRule::Private && (st.st_mode & 077))
        return "group or others have access to it (mode " + Octal(st.st_mode) + ")";
    if (rule == FolderRule::NotWritableByOthers && (st.st_mode & 022))
        return "group or others can write into it (mode " + Octal(st.st_mode) + ")";
    return "";
}

void RefuseFolder(const std::string& role, const std::string& path, const std::string& why, const std::string& remedy)
{
    // Called from any thread; the first refusal is the one reported.
    static std::mutex once;
    once.lock();
    const char* program = program_invocation_short_name;
    fprintf(stderr, "%s: refusing %s %s: %s.\n%s: %s\n", program, role.c_str(), path.c_str(), why.c_str(), program,
            remedy.c_str());
    fflush(nullptr);
    // Not exit(): other threads may be running, and nothing of this process
    // should be written after the refusal.
    _exit(1);
}

std::string TempFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp == '/' ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

int OpenPrivateLockFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace winplat
