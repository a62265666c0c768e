// The still-image device registry that plugging a camera in writes to.
#include <winplat/stidevices.h>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace {

using winplat::StillImageDevice;

class Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const StillImageDevice& device : winplat::ListStillImageDevices())
            winplat::RemoveStillImageDevice(device.internalName);
    }
    static StillImageDevice Device(const std::string& name, const std::string& description, DWORD owner = getpid())
    {
        return {name, description, std::string("\\\\.\\").append(name), "{8BB36A61-B445-11D2-A764-5254ABD116D5}",
                owner};
    }
    // A letter and a number ("P12"), appended: GCC 12 at -O3 misreads a
    // literal put in front of a temporary string as an overlapping copy.
    static std::string Numbered(char letter, int n) { return std::string(1, letter).append(std::to_string(n)); }
    static std::vector<std::string> Descriptions()
    {
        std::vector<std::string> list;
        for (const StillImageDevice& device : winplat::ListStillImageDevices()) list.push_back(device.description);
        return list;
    }
    // A process id that has just ended.
    static DWORD EndedProcess()
    {
        pid_t child = fork();
        if (child == 0) _exit(0);
        waitpid(child, nullptr, 0);
        return static_cast<DWORD>(child);
    }
};

TEST_F(Registry, EntriesAreListedInTheOrderOfPluggingIn)
{
    ASSERT_TRUE(winplat::AddStillImageDevice(Device("CAMUSB1", "Marovane")));
    ASSERT_TRUE(winplat::AddStillImageDevice(Device("CAMUSB0", "Pardex")));
    std::vector<StillImageDevice> devices = winplat::ListStillImageDevices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].internalName, "CAMUSB1");
    EXPECT_EQ(devices[0].portName, "\\\\.\\CAMUSB1");
    EXPECT_EQ(devices[0].classId, "{8BB36A61-B445-11D2-A764-5254ABD116D5}");
    EXPECT_EQ(devices[0].ownerProcess, static_cast<DWORD>(getpid()));
    EXPECT_EQ(devices[1].description, "Pardex");
    EXPECT_TRUE(winplat::RemoveStillImageDevice("CAMUSB1"));
    EXPECT_FALSE(winplat::RemoveStillImageDevice("CAMUSB1"));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Pardex"});
}

TEST_F(Registry, DescriptionsAreKeptExactly)
{
    const std::string texts[] = {"marovane", "Marovane ", " Marovane", "Corvana Qa410m", "Caf\xC3\xA9\nline two\\n\r"};
    for (size_t i = 0; i < std::size(texts); ++i)
        ASSERT_TRUE(winplat::AddStillImageDevice(Device("CAM" + std::to_string(i), texts[i])));
    EXPECT_EQ(Descriptions(), std::vector<std::string>(std::begin(texts), std::end(texts)));
}

TEST_F(Registry, InternalNamesAreUniqueAmongLiveOwners)
{
    ASSERT_TRUE(winplat::AddStillImageDevice(Device("CAMUSB0", "first")));
    EXPECT_FALSE(winplat::AddStillImageDevice(Device("CAMUSB0", "second")));
    ASSERT_TRUE(winplat::AddStillImageDevice(Device("camusb0", "other case, other name")));
    ASSERT_TRUE(winplat::AddStillImageDevice(Device("CAM\\USB/0 ", "odd characters")));
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "other case, other name", "odd characters"}));
}

TEST_F(Registry, EntriesOfEndedProcessesAreDroppedAndReplaced)
{
    ASSERT_TRUE(winplat::AddStillImageDevice(Device("CAMUSB0", "killed", EndedProcess())));
    ASSERT_TRUE(winplat::AddStillImageDevice(Device("CAMUSB1", "alive")));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"alive"});
    ASSERT_TRUE(winplat::AddStillImageDevice(Device("CAMUSB0", "plugged again")));
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"alive", "plugged again"}));
}

TEST_F(Registry, AnOwnerKilledButNotYetReapedIsGone)
{
    pid_t child = fork();
    if (child == 0) {
        pause();
        _exit(0);
    }
    ASSERT_TRUE(winplat::AddStillImageDevice(Device("CAMUSB0", "zombie", static_cast<DWORD>(child))));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"zombie"});
    kill(child, SIGKILL);
    for (int i = 0; i < 500 && !Descriptions().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(Descriptions().empty());
    waitpid(child, nullptr, 0);
}

TEST_F(Registry, ThreadsAndProcessesMayPlugAtOnce)
{
    std::vector<pid_t> children;
    for (int i = 0; i < 4; ++i) {
        pid_t child = fork();
        if (child == 0) {
            // Entries owned by the test process, written from another process.
            bool ok = true;
            for (int k = 0; k < 10; ++k)
                ok = winplat::AddStillImageDevice(Device(Numbered('P', i * 10 + k), "x", getppid())) && ok;
            _exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([i] {
            for (int k = 0; k < 10; ++k) winplat::AddStillImageDevice(Device(Numbered('T', i * 10 + k), "y"));
        });
    }
    for (std::thread& t : threads) t.join();
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(winplat::ListStillImageDevices().size(), 120u);
}

}  // namespace
