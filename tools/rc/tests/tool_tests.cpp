// The rc program as the build runs it: its exit status, its error report
// and the dependency file it writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

class RcTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
        dir_ = fs::path(scratch ? scratch : fs::temp_directory_path().string()) /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name, std::ios::binary) << text; }

    std::string Read(const std::string& name)
    {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::ostringstream buffer;
        buffer << in.rdbuf();
        return buffer.str();
    }

    // Runs rc on a script of the scratch folder; returns its exit status
    // and puts what it printed in *output.
    int Run(const std::string& script, std::string* output)
    {
        std::string command = std::string(RC_PROGRAM) + " -I " + WINPLAT_INCLUDE + " -d " + (dir_ / "out.d").string() +
                              " -o " + (dir_ / "out.cpp").string() + " " + (dir_ / script).string() + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return -1;
        char buffer[512];
        output->clear();
        while (fgets(buffer, sizeof buffer, pipe)) *output += buffer;
        int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
};

TEST_F(RcTool, CompilesAScriptAndListsWhatItRead)
{
    Write("ids.h", "#define IDD_MAIN 9876\n");
    Write("good.rc", "#include \"ids.h\"\n#include \"afxres.h\"\nIDD_MAIN DIALOG 0,0,10,10\nSTYLE WS_POPUP\nBEGIN\nEND\n");
    std::string output;
    ASSERT_EQ(Run("good.rc", &output), 0) << output;
    std::string source = Read("out.cpp");
    EXPECT_NE(source.find("MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(9876)"), std::string::npos);
    std::string deps = Read("out.d");
    EXPECT_NE(deps.find("good.rc"), std::string::npos);
    EXPECT_NE(deps.find("ids.h"), std::string::npos);
    EXPECT_NE(deps.find("winuser.h"), std::string::npos);
}

TEST_F(RcTool, SyntaxErrorFailsWithFileAndLineAndLeavesNoOutput)
{
    Write("out.cpp", "stale");
    Write("bad.rc", "1 DIALOG 0,0,10,10\nBEGIN\n  PUSHBUTTON \"OK\" 1, 0,0,1,1\nEND\n");
    std::string output;
    EXPECT_EQ(Run("bad.rc", &output), 1);
    EXPECT_NE(output.find("bad.rc:3: error: ',' expected"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(dir_ / "out.cpp")) << "a failed run must not leave a source for the build";
}

TEST_F(RcTool, BadArgumentsAreReported)
{
    std::string output;
    EXPECT_EQ(Run("missing.rc", &output), 1);
    EXPECT_NE(output.find("cannot read"), std::string::npos) << output;
    FILE* pipe = popen((std::string(RC_PROGRAM) + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[512];
    std::string usage;
    while (fgets(buffer, sizeof buffer, pipe)) usage += buffer;
    int status = pclose(pipe);
    EXPECT_NE(usage.find("usage: rc"), std::string::npos);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
