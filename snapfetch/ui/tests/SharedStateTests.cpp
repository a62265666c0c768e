// The program without a session's runtime folder or a home folder, where
// another local user has taken the predictable names of its folders first:
// it says which folder it refuses and why on stderr and ends with status 1,
// and leaves that user's folder untouched.
#include <OtherUser.h>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using winplat::testing::FolderEntries;
using winplat::testing::OtherUser;
using winplat::testing::RunProgram;
using winplat::testing::StickyFolder;

class ProgramSharedState : public ::testing::Test {
protected:
    static void SetUpTestSuite() { other_ = new OtherUser; }
    static void TearDownTestSuite()
    {
        delete other_;
        other_ = nullptr;
    }
    void SetUp() override { SKIP_WITHOUT_OTHER_USER(*other_); }

    int Snapfetch(std::vector<std::string> changes, std::string* output)
    {
        changes.insert(changes.end(), {"WINPLAT_DISPLAY=headless", "WINPLAT_RUNTIME_DIR", "XDG_RUNTIME_DIR",
                                       "TMPDIR=" + tmp_.path()});
        return RunProgram({SNAPFETCH_PROGRAM}, changes, output);
    }
    std::string Named(const std::string& prefix) const
    {
        return tmp_.path() + "/" + prefix + std::to_string(geteuid());
    }

    static OtherUser* other_;
    StickyFolder tmp_;
};

OtherUser* ProgramSharedState::other_ = nullptr;

TEST_F(ProgramSharedState, RefusesALiveStateFolderAnotherUserMadeFirst)
{
    std::string folder = Named("winplat-");
    ASSERT_EQ(other_->Shell("mkdir -m 777 " + folder), 0);
    std::string output;
    EXPECT_EQ(Snapfetch({}, &output), 1) << output;
    EXPECT_NE(output.find("snapfetch: refusing the live-state folder " + folder + ": it belongs to another user"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("Set WINPLAT_RUNTIME_DIR"), std::string::npos) << output;
    EXPECT_TRUE(FolderEntries(folder).empty());
}

TEST_F(ProgramSharedState, RefusesASymbolicLinkInThePlaceOfTheLiveStateFolder)
{
    std::string theirs = tmp_.path() + "/theirs";
    std::string folder = Named("winplat-");
    ASSERT_EQ(other_->Shell("mkdir -m 777 " + theirs + " && ln -s " + theirs + " " + folder), 0);
    std::string output;
    EXPECT_EQ(Snapfetch({}, &output), 1) << output;
    EXPECT_NE(output.find("snapfetch: refusing the live-state folder " + folder + ": it is a symbolic link"),
              std::string::npos)
        << output;
    EXPECT_TRUE(FolderEntries(theirs).empty());
}

TEST_F(ProgramSharedState, RefusesADataFolderAnotherUserMadeFirst)
{
    std::string folder = Named("winplat-data-");
    ASSERT_EQ(other_->Shell("mkdir -m 777 " + folder), 0);
    std::string output;
    EXPECT_EQ(Snapfetch({"HOME", "XDG_DATA_HOME", "WINPLAT_DRIVE_C"}, &output), 1) << output;
    EXPECT_NE(output.find("snapfetch: refusing the data folder (drive C: and the per-user registry) " + folder +
                          ": it belongs to another user"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("Set XDG_DATA_HOME"), std::string::npos) << output;
    EXPECT_TRUE(FolderEntries(folder).empty());
}

}  // namespace
