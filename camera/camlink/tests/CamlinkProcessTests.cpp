// The real camlink program on a folder camera: plugging in and out through
// the registry as the folder comes and goes and as camlink ends, and its
// command line.
#include "../CamlinkOptions.h"

#include <windows.h>
#include <winplat/host.h>
#include <winplat/stidevices.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char** environ;

namespace camlink {
namespace {

namespace fs = std::filesystem;

// Polls for up to twenty seconds of real time.
template <class Condition>
bool Eventually(Condition condition)
{
    for (int i = 0; i < 2000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

class Camlink {
public:
    explicit Camlink(std::vector<std::string> args)
    {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<std::string> argv = {CAMLINK_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (std::string& a : argv) pointers.push_back(a.data());
        pointers.push_back(nullptr);
        if (posix_spawn(&pid_, pointers[0], &actions, nullptr, pointers.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        output_ = out[0];
    }
    ~Camlink()
    {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGTERM);
            if (Wait() < 0) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
            }
        }
        if (output_ >= 0) close(output_);
    }
    void Signal(int signal) { kill(pid_, signal); }
    int Wait()
    {
        int status = 0;
        if (!Eventually([&] { return waitpid(pid_, &status, WNOHANG) == pid_; })) return -1;
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // What it printed so far (waits up to twenty seconds for `lines` lines).
    std::string Output(int lines)
    {
        Eventually([&] {
            pollfd p = {output_, POLLIN, 0};
            char buffer[512];
            while (poll(&p, 1, 0) > 0) {
                ssize_t n = read(output_, buffer, sizeof buffer);
                if (n <= 0) break;
                text_.append(buffer, static_cast<size_t>(n));
            }
            return std::count(text_.begin(), text_.end(), '\n') >= lines;
        });
        return text_;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    bool reaped_ = false;
    std::string text_;
};

bool Listed(const std::string& description)
{
    for (const auto& device : winplat::ListStillImageDevices()) {
        if (device.description == description && device.portName == "\\\\.\\GPHOTO0") return true;
    }
    return false;
}

std::string Folder()
{
    const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
    return (fs::path(scratch ? scratch : "/tmp") / "camlink-card").string();
}

TEST(CamlinkProgram, PlugsTheFolderCameraInWhileTheFolderIsThere)
{
    fs::create_directories(Folder());
    Camlink camlink({"--model", "Directory Browse", "--port", "disk:" + Folder(), "--description", "Pardex"});
    std::string said = camlink.Output(1);
    EXPECT_NE(said.find("plugged in as \"Pardex\" on \\\\.\\GPHOTO0"), std::string::npos) << said;
    EXPECT_TRUE(Listed("Pardex"));

    fs::remove_all(Folder());
    said = camlink.Output(2);
    EXPECT_NE(said.find("went away: unplugged \\\\.\\GPHOTO0"), std::string::npos) << said;
    EXPECT_TRUE(Eventually([] { return !Listed("Pardex"); }));

    fs::create_directories(Folder());
    camlink.Output(3);
    EXPECT_TRUE(Eventually([] { return Listed("Pardex"); }));

    camlink.Signal(SIGINT);
    EXPECT_EQ(camlink.Wait(), 0);
    EXPECT_NE(camlink.Output(4).find("unplugged \\\\.\\GPHOTO0"), std::string::npos);
    EXPECT_FALSE(Listed("Pardex"));
}

TEST(CamlinkProgram, RefusesAModelLibgphoto2DoesNotKnow)
{
    Camlink camlink({"--model", "No Such Camera 9000", "--port", "disk:/"});
    EXPECT_EQ(camlink.Wait(), 1);
}

TEST(CamlinkOptions, ModelAndPortGoTogether)
{
    CamlinkOptions options;
    std::string error;
    EXPECT_FALSE(ParseCamlinkOptions({"--model", "Directory Browse"}, &options, &error));
    EXPECT_FALSE(ParseCamlinkOptions({"--port"}, &options, &error));
    EXPECT_FALSE(ParseCamlinkOptions({"--speed", "1"}, &options, &error));
    CamlinkOptions given;
    ASSERT_TRUE(ParseCamlinkOptions({"--port", "disk:/x", "--model", "Directory Browse"}, &given, &error));
    EXPECT_EQ(given.description, "Marovane");
    EXPECT_EQ(given.port, "disk:/x");
    CamlinkOptions asked;
    ASSERT_TRUE(ParseCamlinkOptions({"--version"}, &asked, &error));
    EXPECT_TRUE(asked.version);
    EXPECT_FALSE(given.version);
}

}  // namespace
}  // namespace camlink
