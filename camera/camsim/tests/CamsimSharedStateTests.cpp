// camsim without a session's runtime folder: it makes a private folder of
// its own under TMPDIR, and when another user holds that name first (a
// folder or a symbolic link) it says so and ends, leaving that user's
// folder untouched.
#include <OtherUser.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using winplat::testing::FolderEntries;
using winplat::testing::OtherUser;
using winplat::testing::RunProgram;
using winplat::testing::StickyFolder;

class CamsimSharedState : public ::testing::Test {
protected:
    static void SetUpTestSuite() { other_ = new OtherUser; }
    static void TearDownTestSuite()
    {
        delete other_;
        other_ = nullptr;
    }

    int Camsim(std::vector<std::string> args, std::string* output)
    {
        args.insert(args.begin(), CAMSIM_PATH);
        return RunProgram(args, {"WINPLAT_RUNTIME_DIR", "XDG_RUNTIME_DIR", "TMPDIR=" + tmp_.path()}, output);
    }
    std::string Fallback() const { return tmp_.path() + "/winplat-" + std::to_string(geteuid()); }

    static OtherUser* other_;
    StickyFolder tmp_;
};

OtherUser* CamsimSharedState::other_ = nullptr;

TEST_F(CamsimSharedState, MakesAPrivateFolderWhenTheNameIsFree)
{
    std::string output;
    EXPECT_EQ(Camsim({"--list"}, &output), 0) << output;
    struct stat st {};
    ASSERT_EQ(lstat(Fallback().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode, S_IFDIR | 0700u);
    EXPECT_EQ(st.st_uid, geteuid());
}

TEST_F(CamsimSharedState, RefusesAFolderAnotherUserMadeFirst)
{
    SKIP_WITHOUT_OTHER_USER(*other_);
    ASSERT_EQ(other_->Shell("mkdir -m 777 " + Fallback()), 0);
    for (const auto& args : {std::vector<std::string>{"--pictures", "1"}, std::vector<std::string>{"--list"}}) {
        std::string output;
        EXPECT_EQ(Camsim(args, &output), 1) << output;
        EXPECT_NE(output.find("camsim: refusing the live-state folder " + Fallback() +
                              ": it belongs to another user (uid " + std::to_string(other_->uid()) + ")."),
                  std::string::npos)
            << output;
        EXPECT_NE(output.find("Set WINPLAT_RUNTIME_DIR"), std::string::npos) << output;
        EXPECT_EQ(output.find("plugged in"), std::string::npos) << output;
    }
    EXPECT_TRUE(FolderEntries(Fallback()).empty());
}

TEST_F(CamsimSharedState, RefusesASymbolicLinkInThePlaceOfItsFolder)
{
    SKIP_WITHOUT_OTHER_USER(*other_);
    std::string theirs = tmp_.path() + "/theirs";
    ASSERT_EQ(other_->Shell("mkdir -m 777 " + theirs + " && ln -s " + theirs + " " + Fallback()), 0);
    std::string output;
    EXPECT_EQ(Camsim({"--pictures", "1"}, &output), 1) << output;
    EXPECT_NE(output.find("camsim: refusing the live-state folder " + Fallback() + ": it is a symbolic link."),
              std::string::npos)
        << output;
    EXPECT_TRUE(FolderEntries(theirs).empty());
}

}  // namespace
