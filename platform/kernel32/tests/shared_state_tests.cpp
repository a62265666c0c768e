// Where the platform keeps live state and drive C:, and that it uses those
// folders only when no other local user can reach into them: a folder or a
// symbolic link that another user put at the predictable name is refused
// with a message, and nothing is put into it. Files in the live state are
// made exclusively, without following symbolic links.
#include <winplat/host.h>
#include <winplat/stidevices.h>

#include <OtherUser.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

using winplat::testing::FolderEntries;
using winplat::testing::OtherUser;
using winplat::testing::StickyFolder;

// Sets or removes environment variables for one test, restoring them after.
class ScopedEnvironment {
public:
    ~ScopedEnvironment()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                unsetenv(it->first.c_str());
            }
        }
    }
    void Set(const std::string& name, const std::string& value)
    {
        Save(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void Remove(const std::string& name)
    {
        Save(name);
        unsetenv(name.c_str());
    }

private:
    void Save(const std::string& name)
    {
        const char* value = std::getenv(name.c_str());
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string Me() { return std::to_string(geteuid()); }

mode_t Mode(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// Without a session's runtime folder: the fallback below TMPDIR, which is a
// fresh sticky folder like /tmp that another user may write into first.
class FallbackFolders : public ::testing::Test {
protected:
    static void SetUpTestSuite() { other_ = new OtherUser; }
    static void TearDownTestSuite()
    {
        delete other_;
        other_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_FALSE(tmp_.path().empty());
        env_.Remove("WINPLAT_RUNTIME_DIR");
        env_.Remove("XDG_RUNTIME_DIR");
        env_.Set("TMPDIR", tmp_.path());
    }

    std::string Fallback() const { return tmp_.path() + "/winplat-" + Me(); }
    std::string Theirs() const { return tmp_.path() + "/theirs"; }
    // The other user's own open folder, with a symbolic link to it at `name`.
    void PlantLink(const std::string& name)
    {
        ASSERT_EQ(other_->Shell("mkdir -m 777 " + Theirs() + " && ln -s " + Theirs() + " " + name), 0);
    }

    static OtherUser* other_;
    StickyFolder tmp_;
    ScopedEnvironment env_;
};

OtherUser* FallbackFolders::other_ = nullptr;

TEST_F(FallbackFolders, APrivateFolderIsMadeWhenTheNameIsFree)
{
    EXPECT_EQ(winplat::RuntimeFolder(), Fallback());
    EXPECT_EQ(Mode(Fallback()), S_IFDIR | 0700u);
    EXPECT_EQ(winplat::RuntimeSubfolder("stillimage"), Fallback() + "/stillimage");
    EXPECT_EQ(Mode(Fallback() + "/stillimage"), S_IFDIR | 0700u);
    EXPECT_EQ(winplat::RuntimeFolder(), Fallback()) << "and used again";
}

TEST_F(FallbackFolders, AFolderAnotherUserMadeFirstIsRefused)
{
    SKIP_WITHOUT_OTHER_USER(*other_);
    ASSERT_EQ(other_->Shell("mkdir -m 777 " + Fallback()), 0);
    EXPECT_EXIT(winplat::RuntimeFolder(), ::testing::ExitedWithCode(1),
                "refusing the live-state folder " + Fallback() + ": it belongs to another user \\(uid " +
                    std::to_string(other_->uid()) + "\\).*Set WINPLAT_RUNTIME_DIR");
    EXPECT_EXIT(winplat::ListStillImageDevices(), ::testing::ExitedWithCode(1), "WINPLAT_RUNTIME_DIR");
    EXPECT_TRUE(FolderEntries(Fallback()).empty());
}

TEST_F(FallbackFolders, ASymbolicLinkInItsPlaceIsNotFollowed)
{
    SKIP_WITHOUT_OTHER_USER(*other_);
    PlantLink(Fallback());
    EXPECT_EXIT(winplat::RuntimeFolder(), ::testing::ExitedWithCode(1),
                "refusing the live-state folder " + Fallback() + ": it is a symbolic link");
    EXPECT_TRUE(FolderEntries(Theirs()).empty());
}

TEST_F(FallbackFolders, OurOwnFolderThatOthersCanOpenIsRefused)
{
    ASSERT_EQ(mkdir(Fallback().c_str(), 0700), 0);
    chmod(Fallback().c_str(), 0755);
    EXPECT_EXIT(winplat::RuntimeFolder(), ::testing::ExitedWithCode(1),
                "group or others have access to it \\(mode 0755\\)");
    ASSERT_EQ(unlink(Fallback().c_str()) == 0 || rmdir(Fallback().c_str()) == 0, true);
    ASSERT_EQ(symlink(tmp_.path().c_str(), Fallback().c_str()), 0);
    EXPECT_EXIT(winplat::RuntimeFolder(), ::testing::ExitedWithCode(1), "it is a symbolic link")
        << "even a link of our own";
}

TEST_F(FallbackFolders, NamedRuntimeFoldersAreCheckedToo)
{
    // WINPLAT_RUNTIME_DIR: missing folders are made, the last one private.
    env_.Set("WINPLAT_RUNTIME_DIR", tmp_.path() + "/mine/run/");
    EXPECT_EQ(winplat::RuntimeFolder(), tmp_.path() + "/mine/run");
    EXPECT_EQ(Mode(tmp_.path() + "/mine/run"), S_IFDIR | 0700u);
    env_.Set("WINPLAT_RUNTIME_DIR", tmp_.path() + "/link");
    ASSERT_EQ(symlink((tmp_.path() + "/mine/run").c_str(), (tmp_.path() + "/link").c_str()), 0);
    EXPECT_EXIT(winplat::RuntimeFolder(), ::testing::ExitedWithCode(1), "link: it is a symbolic link");

    SKIP_WITHOUT_OTHER_USER(*other_);
    ASSERT_EQ(other_->Shell("mkdir -m 700 " + Theirs()), 0);
    env_.Set("WINPLAT_RUNTIME_DIR", Theirs());
    EXPECT_EXIT(winplat::RuntimeFolder(), ::testing::ExitedWithCode(1), "theirs: it belongs to another user");
    // XDG_RUNTIME_DIR whose winplat folder is someone else's.
    env_.Remove("WINPLAT_RUNTIME_DIR");
    ASSERT_EQ(other_->Shell("mkdir -m 777 " + Theirs() + "-session && mkdir -m 777 " + Theirs() + "-session/winplat"), 0);
    env_.Set("XDG_RUNTIME_DIR", Theirs() + "-session");
    EXPECT_EXIT(winplat::RuntimeFolder(), ::testing::ExitedWithCode(1),
                "theirs-session/winplat: it belongs to another user");
    EXPECT_TRUE(FolderEntries(Theirs() + "-session/winplat").empty());
}

TEST_F(FallbackFolders, TheDataFolderFallbackIsOursOrRefused)
{
    env_.Remove("XDG_DATA_HOME");
    env_.Remove("HOME");
    std::string base = tmp_.path() + "/winplat-data-" + Me();
    if (other_->available()) {
        ASSERT_EQ(other_->Shell("mkdir -m 777 " + base), 0);
        EXPECT_EXIT(winplat::DataFolder(), ::testing::ExitedWithCode(1),
                    "refusing the data folder \\(drive C: and the per-user registry\\) " + base +
                        ": it belongs to another user.*Set XDG_DATA_HOME");
        EXPECT_EXIT(winplat::RegistryValue("Classes", "x", nullptr), ::testing::ExitedWithCode(1), "XDG_DATA_HOME");
        EXPECT_TRUE(FolderEntries(base).empty());
        ASSERT_EQ(rmdir(base.c_str()), 0);
    }
    EXPECT_EQ(winplat::DataFolder(), base + "/winplat");
    EXPECT_EQ(Mode(base), S_IFDIR | 0700u);
    EXPECT_EQ(Mode(base + "/winplat"), S_IFDIR | 0700u);
    if (!other_->available()) GTEST_SKIP() << "the refusal needs a second local user: " << other_->whyNot();
}

// The still-image registry in the test's own runtime folder.
class RegistryFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const auto& d : winplat::ListStillImageDevices()) winplat::RemoveStillImageDevice(d.internalName);
        folder_ = winplat::RuntimeSubfolder("stillimage");
        outside_ = tmp_.path() + "/precious";
        std::ofstream(outside_) << kPrecious;
    }
    void TearDown() override
    {
        for (const std::string& name : FolderEntries(folder_)) unlink((folder_ + "/" + name).c_str());
    }

    std::string Outside() const
    {
        std::ifstream in(outside_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static winplat::StillImageDevice Device(const std::string& name)
    {
        return {name, "Marovane", "\\\\.\\TEST0", "{00000000-0000-0000-0000-000000000000}", 0};
    }

    static constexpr const char* kPrecious = "internalName=FAKE\ndescription=Planted\n";
    StickyFolder tmp_;
    std::string folder_;
    std::string outside_;
};

TEST_F(RegistryFiles, EntriesAreMadeExclusivelyAndOnlyForUs)
{
    // Links at the names temporary files once had (process id and a count)
    // lead nowhere: temporary names are random and made exclusively.
    for (int i = 0; i < 16; ++i) {
        std::string name = folder_ + "/.tmp-" + std::to_string(getpid()) + "-" + std::to_string(i);
        ASSERT_EQ(symlink(outside_.c_str(), name.c_str()), 0);
    }
    ASSERT_TRUE(winplat::AddStillImageDevice(Device("cam")));
    EXPECT_EQ(Outside(), kPrecious);
    std::string entry = folder_ + "/" + winplat::StillImageFileName("cam") + ".dev";
    EXPECT_EQ(Mode(entry), S_IFREG | 0600u);
    int temporaries = 0;
    for (const std::string& name : FolderEntries(folder_)) temporaries += name.rfind(".tmp-", 0) == 0;
    EXPECT_EQ(temporaries, 16) << "only the planted links; no temporary file is left";
}

TEST_F(RegistryFiles, ALinkAtAnEntrysNameIsNeitherReadNorFollowed)
{
    std::string entry = folder_ + "/" + winplat::StillImageFileName("FAKE") + ".dev";
    ASSERT_EQ(symlink(outside_.c_str(), entry.c_str()), 0);
    EXPECT_TRUE(winplat::ListStillImageDevices().empty()) << "the linked file's entry is not listed";
    EXPECT_FALSE(winplat::AddStillImageDevice(Device("FAKE"))) << "nor is the link replaced";
    EXPECT_EQ(Outside(), kPrecious);
    EXPECT_TRUE(S_ISLNK(Mode(entry)));
}

}  // namespace
