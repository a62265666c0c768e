#include "OtherUser.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

extern char** environ;

namespace winplat::testing {
namespace {

constexpr auto kBound = std::chrono::minutes(1);

// Waits for `pid` at most kBound; kills it after that.
int Reap(pid_t pid)
{
    auto end = std::chrono::steady_clock::now() + kBound;
    int status = 0;
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0) return -1;
        if (std::chrono::steady_clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// useradd and userdel wait for the password file's lock only a little;
// test programs run side by side may hold it.
bool Retried(const std::string& command)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        int status = std::system(command.c_str());
        if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace

OtherUser::OtherUser()
{
    if (geteuid() != 0) {
        whyNot_ = "the tests do not run as root, so no throwaway user can be made";
        return;
    }
    name_ = "wpt" + std::to_string(getpid());
    if (!Retried("useradd -M -r -s /usr/sbin/nologin " + name_ + " >/dev/null 2>&1")) {
        whyNot_ = "useradd " + name_ + " failed";
        name_.clear();
        return;
    }
    passwd* entry = getpwnam(name_.c_str());
    if (!entry || entry->pw_uid == 0) {
        whyNot_ = "user " + name_ + " was made but cannot be found";
        return;
    }
    uid_ = entry->pw_uid;
    gid_ = entry->pw_gid;
    available_ = true;
}

OtherUser::~OtherUser()
{
    if (!name_.empty()) Retried("userdel " + name_ + " >/dev/null 2>&1");
}

int OtherUser::Run(const std::function<int()>& body) const
{
    if (!available_) return -1;
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(gid_) != 0 || setuid(uid_) != 0) _exit(125);
        _exit(body());
    }
    return Reap(child);
}

int OtherUser::Shell(const std::string& command) const
{
    return Run([&] {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        return 127;
    });
}

StickyFolder::StickyFolder()
{
    char name[] = "/tmp/winplat-test-XXXXXX";
    if (!mkdtemp(name)) return;
    path_ = name;
    chmod(name, 01777);
}

StickyFolder::~StickyFolder()
{
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* item = readdir(dir)) {
            if (strcmp(item->d_name, ".") != 0 && strcmp(item->d_name, "..") != 0) names.push_back(item->d_name);
        }
        closedir(dir);
    }
    return names;
}

int RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& changes, std::string* output)
{
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) environment.push_back(*e);
    for (const std::string& change : changes) {
        std::string name = change.substr(0, change.find('='));
        std::erase_if(environment, [&](const std::string& e) { return e.compare(0, name.size() + 1, name + "=") == 0; });
        if (change.find('=') != std::string::npos) environment.push_back(change);
    }
    std::vector<char*> envp, args;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argvCopy = argv;
    for (std::string& a : argvCopy) args.push_back(a.data());
    args.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    pid_t pid = -1;
    bool spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned) {
        // Read until the program and anything it left running close the pipe,
        // or the bound passes.
        auto end = std::chrono::steady_clock::now() + kBound;
        char buffer[512];
        for (;;) {
            pollfd p = {out[0], POLLIN, 0};
            if (poll(&p, 1, 100) > 0) {
                ssize_t n = read(out[0], buffer, sizeof buffer);
                if (n <= 0) break;
                output->append(buffer, static_cast<size_t>(n));
            }
            if (std::chrono::steady_clock::now() > end) break;
        }
    }
    close(out[0]);
    return spawned ? Reap(pid) : -1;
}

}  // namespace winplat::testing
