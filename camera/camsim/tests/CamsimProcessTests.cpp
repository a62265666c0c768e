// The real camsim program: plugging in and out through the registry, and
// the port it serves over its socket, opened as a user-mode driver opens it.
#include "../../protocol/UsbBlocks.h"

#include <windows.h>
#include <winplat/host.h>
#include <winplat/stidevices.h>

#include <gtest/gtest.h>

#include <ChildProcess.h>

#include <dirent.h>
#include <signal.h>

namespace camera {
namespace {

using winplat::StillImageDevice;

using winplat::testing::ChildProcess;
using winplat::testing::Eventually;

// The real camsim, ended with SIGTERM if still running, so that it unplugs
// cleanly and the next test starts empty. Through a shell: a parent that
// ends without ending camsim.
class Camsim : public ChildProcess {
public:
    explicit Camsim(const std::vector<std::string>& args, bool throughShell = false)
        : ChildProcess(throughShell ? "/bin/sh" : CAMSIM_PATH, throughShell ? ShellArgs(args) : args)
    {
    }

private:
    static std::vector<std::string> ShellArgs(const std::vector<std::string>& args)
    {
        std::string line = std::string("'") + CAMSIM_PATH + "'";
        for (const std::string& a : args) line += " '" + a + "'";
        return {"-c", line + " & wait"};
    }
};

std::vector<StillImageDevice> Devices() { return winplat::ListStillImageDevices(); }

bool Listed(const std::string& description)
{
    for (const StillImageDevice& device : Devices()) {
        if (device.description == description) return true;
    }
    return false;
}

// Entry files still on disk: a camera that unplugged cleanly leaves none.
int EntryFiles()
{
    int count = 0;
    if (DIR* dir = opendir((winplat::RuntimeFolder() + "/stillimage").c_str())) {
        while (dirent* item = readdir(dir)) count += std::string(item->d_name).find(".dev") != std::string::npos;
        closedir(dir);
    }
    return count;
}

HANDLE OpenPort(const std::string& port)
{
    return CreateFileA(port.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
}

// GET_REPLY of an opcode; returns the Win32 error (0 on success).
DWORD AskReply(HANDLE port, DWORD opcode, CAMERA_REPLY* reply)
{
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    PIPE_REQUEST request{opcode, sizeof *reply, reply, 0};
    DWORD bytes = 0, error = 0;
    if (!DeviceIoControl(port, kIoctlGetReply, &request, sizeof request, reply, sizeof *reply, &bytes, &overlapped)) {
        error = GetLastError();
        if (error == ERROR_IO_PENDING) {
            error = WaitForSingleObject(overlapped.hEvent, 8000) != WAIT_OBJECT_0                ? WAIT_TIMEOUT
                    : GetOverlappedResult(port, &overlapped, &bytes, FALSE) ? 0
                                                                            : GetLastError();
        }
    }
    CloseHandle(overlapped.hEvent);
    return error;
}

class CamsimProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string folder = winplat::RuntimeFolder() + "/stillimage";
        if (DIR* dir = opendir(folder.c_str())) {
            while (dirent* item = readdir(dir)) {
                if (item->d_name[0] != '.') unlink((folder + "/" + item->d_name).c_str());
            }
            closedir(dir);
        }
    }
};

TEST_F(CamsimProcess, PluggingInAndOutFollowsTheProgram)
{
    Camsim camsim({"--pictures", "2"});
    ASSERT_TRUE(Eventually([] { return Listed("Marovane"); }));
    std::vector<StillImageDevice> devices = Devices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].portName, "\\\\.\\CAMUSB0");
    EXPECT_EQ(devices[0].internalName, "CAMUSB0");
    EXPECT_EQ(devices[0].classId, "{8BB36A61-B445-11D2-A764-5254ABD116D5}");
    EXPECT_EQ(devices[0].ownerProcess, static_cast<DWORD>(camsim.pid()));
    std::string output = camsim.Output(2);
    EXPECT_NE(output.find("\"Marovane\""), std::string::npos) << output;
    EXPECT_NE(output.find("\\\\.\\CAMUSB0"), std::string::npos) << output;
    EXPECT_NE(output.find("2 pictures"), std::string::npos) << output;

    HANDLE port = OpenPort(devices[0].portName);
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << GetLastError();
    CAMERA_REPLY reply{};
    ASSERT_EQ(AskReply(port, kOpDirectorySize, &reply), 0u);
    EXPECT_EQ(reply.wState, kReplyDone);
    EXPECT_EQ(reply.dwValue, 512u);

    camsim.Signal(SIGTERM);
    EXPECT_EQ(camsim.Wait(), 0);
    EXPECT_TRUE(Devices().empty());
    EXPECT_EQ(EntryFiles(), 0);
    // The handle sees the device gone.
    EXPECT_TRUE(Eventually([&] { return AskReply(port, kOpStatus, &reply) == ERROR_DEV_NOT_EXIST; }));
    CloseHandle(port);
    EXPECT_EQ(OpenPort("\\\\.\\CAMUSB0"), INVALID_HANDLE_VALUE);
}

TEST_F(CamsimProcess, AKilledCameraIsDroppedFromTheList)
{
    Camsim camsim({"--pictures", "1", "--description", "Lumitra"});
    ASSERT_TRUE(Eventually([] { return Listed("Lumitra"); }));
    camsim.Signal(SIGKILL);
    EXPECT_TRUE(Eventually([] { return Devices().empty(); }));  // even before it is reaped
    camsim.Wait();
    EXPECT_EQ(EntryFiles(), 1);  // it had no chance to remove its entry

    // Its name is free again, and its stale entry is replaced.
    Camsim next({"--pictures", "1", "--description", "Pardex"});
    ASSERT_TRUE(Eventually([] { return Listed("Pardex"); }));
    EXPECT_EQ(Devices()[0].portName, "\\\\.\\CAMUSB0");
}

TEST_F(CamsimProcess, TwoCamerasAtOnceKeepTheirOrderAndDescriptions)
{
    Camsim first({"--pictures", "1", "--description", "marovane"});
    ASSERT_TRUE(Eventually([] { return Listed("marovane"); }));
    Camsim second({"--pictures", "1", "--description", "Marovane "});
    ASSERT_TRUE(Eventually([] { return Listed("Marovane "); }));
    std::vector<StillImageDevice> devices = Devices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].description, "marovane");
    EXPECT_EQ(devices[1].description, "Marovane ");
    EXPECT_NE(devices[0].portName, devices[1].portName);
    Camsim list({"--list"});
    EXPECT_EQ(list.Wait(), 0);
    EXPECT_EQ(list.Output(2), devices[0].internalName + "\tmarovane\t" + devices[0].portName + "\n" +
                                  devices[1].internalName + "\tMarovane \t" + devices[1].portName + "\n");
    first.Signal(SIGINT);
    EXPECT_EQ(first.Wait(), 0);
    devices = Devices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].description, "Marovane ");
}

TEST_F(CamsimProcess, AFaultCanUnplugTheCameraFromCamsimsCommandLine)
{
    Camsim camsim({"--pictures", "1", "--fault", "get-reply:1@2=unplug"});
    ASSERT_TRUE(Eventually([] { return Listed("Marovane"); }));
    HANDLE port = OpenPort("\\\\.\\CAMUSB0");
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    CAMERA_REPLY reply{};
    EXPECT_EQ(AskReply(port, kOpStatus, &reply), 0u);
    EXPECT_EQ(AskReply(port, kOpStatus, &reply), static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    EXPECT_EQ(camsim.Wait(), 0);  // the camera went away by itself
    EXPECT_TRUE(Devices().empty());
    CloseHandle(port);
}

TEST_F(CamsimProcess, TheEndOfItsParentUnplugsIt)
{
    Camsim shell({"--pictures", "1", "--description", "Orphan"}, true);
    ASSERT_TRUE(Eventually([] { return Listed("Orphan"); }));
    shell.Signal(SIGKILL);
    shell.Wait();
    EXPECT_TRUE(Eventually([] { return EntryFiles() == 0; }));  // removed by camsim itself
}

TEST_F(CamsimProcess, HelpAndMistakes)
{
    Camsim help({"--help"});
    EXPECT_NE(help.Output(5).find("Usage: camsim"), std::string::npos);
    EXPECT_EQ(help.Wait(), 0);
    // Alone, --version is the program's own and plugs nothing in.
    Camsim version({"--version"});
    EXPECT_NE(version.Output(1).find(std::string("camsim ") + SNAPFETCH_VERSION + "\n"), std::string::npos);
    EXPECT_EQ(version.Wait(), 0);
    EXPECT_TRUE(Devices().empty());
    Camsim wrong({"--fault", "nonsense"});
    EXPECT_EQ(wrong.Wait(), 2);
    EXPECT_TRUE(Devices().empty());
}

}  // namespace
}  // namespace camera
