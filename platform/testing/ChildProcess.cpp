#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

extern char** environ;

namespace winplat::testing {

namespace {

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    Spawn(program, args, out[1]);
    close(out[1]);
    pipe_ = out[0];
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::string& outputs)
    : outFile_(outputs + ".out"), errFile_(outputs + ".err")
{
    Spawn(program, args, -1);
}

void ChildProcess::Spawn(const std::string& program, const std::vector<std::string>& args, int outputPipe)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outputPipe >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputPipe, STDOUT_FILENO);
    } else {
        const int flags = O_WRONLY | O_CREAT | O_TRUNC;
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile_.c_str(), flags, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile_.c_str(), flags, 0644);
    }
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    if (posix_spawn(&pid_, pointers[0], &actions, nullptr, pointers.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess()
{
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGTERM);
        if (Wait() < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    if (pipe_ >= 0) close(pipe_);
}

void ChildProcess::Signal(int signal)
{
    if (pid_ > 0 && !reaped_) kill(pid_, signal);
}

int ChildProcess::Wait()
{
    if (pid_ <= 0) return -1;
    int status = 0;
    if (!Eventually([&] { return waitpid(pid_, &status, WNOHANG) == pid_; })) return -1;
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string ChildProcess::Output(int lines)
{
    if (pipe_ < 0) return text_;
    Eventually([&] {
        pollfd p = {pipe_, POLLIN, 0};
        char buffer[512];
        while (poll(&p, 1, 0) > 0) {
            ssize_t n = read(pipe_, buffer, sizeof buffer);
            if (n <= 0) break;
            text_.append(buffer, static_cast<size_t>(n));
        }
        return std::count(text_.begin(), text_.end(), '\n') >= lines;
    });
    return text_;
}

std::string ChildProcess::Out() const { return ReadWhole(outFile_); }

std::string ChildProcess::Errors() const { return ReadWhole(errFile_); }

}  // namespace winplat::testing
