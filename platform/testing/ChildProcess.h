// Programs that tests run as child processes, and polling with a bound.
//
//   ChildProcess camsim(CAMSIM_PATH, {"--pictures", "2"});    // output through a pipe
//   camsim.Output(1);                                          // waits for its first line
//   ChildProcess get(SNAPCTL_PATH, {"get", "--all"}, folder + "/get");  // get.out, get.err
//   EXPECT_EQ(get.Wait(), 0) << get.Errors();
//
// Standard input is /dev/null. The object ends a child that still runs:
// SIGTERM first, so that it can clean up (unplug its camera), then SIGKILL.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace winplat::testing {

// Polls `condition` every 10 ms for up to `seconds` of real time; true once
// it holds. The bound is there for hangs only.
template <class Condition>
bool Eventually(Condition condition, int seconds = 20)
{
    for (int i = 0; i < seconds * 100; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

class ChildProcess {
public:
    // Runs `program` (a path) with `args`. Standard output goes to a pipe
    // that Output reads; standard error is the test's own.
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    // Standard output goes to the file `outputs`.out, standard error to
    // `outputs`.err.
    ChildProcess(const std::string& program, const std::vector<std::string>& args, const std::string& outputs);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // -1 when the program could not be started.
    pid_t pid() const { return pid_; }
    void Signal(int signal);
    // The exit status, 128 + the signal that ended it, or -1 when it does not
    // end within twenty seconds.
    int Wait();
    // Through the pipe: what it printed so far, after waiting up to twenty
    // seconds for `lines` lines.
    std::string Output(int lines);
    // With files: what it printed on standard output and standard error.
    std::string Out() const;
    std::string Errors() const;

private:
    void Spawn(const std::string& program, const std::vector<std::string>& args, int outputPipe);

    pid_t pid_ = -1;
    bool reaped_ = false;
    int pipe_ = -1;
    std::string text_;  // read from the pipe so far
    std::string outFile_, errFile_;
};

}  // namespace winplat::testing
