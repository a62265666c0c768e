// The real camlink program on a folder camera: plugging in and out through
// the registry as the folder comes and goes and as camlink ends, and its
// command line.
#include "../CamlinkOptions.h"

#include <windows.h>
#include <winplat/host.h>
#include <winplat/stidevices.h>

#include <ChildProcess.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <filesystem>

namespace camlink {
namespace {

namespace fs = std::filesystem;

using winplat::testing::ChildProcess;
using winplat::testing::Eventually;

// The real camlink, with the arguments after its name.
class Camlink : public ChildProcess {
public:
    explicit Camlink(const std::vector<std::string>& args) : ChildProcess(CAMLINK_PATH, args) {}
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
