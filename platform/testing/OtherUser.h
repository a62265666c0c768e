// Test support for what other local users can do to the platform's shared
// state: a throwaway second user, a folder that works like /tmp, and a
// program run with a changed environment.
//
//   static winplat::testing::OtherUser* other = new OtherUser;   // per suite
//   SKIP_WITHOUT_OTHER_USER(*other);
//   other->Shell("mkdir -m 777 " + folder);                     // as that user
//
// The user can be made only by root (useradd); elsewhere available() is
// false and whyNot() says why, and the tests that need it are skipped.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace winplat::testing {

class OtherUser {
public:
    OtherUser();   // useradd -M -r (no home folder, no login)
    ~OtherUser();  // userdel
    OtherUser(const OtherUser&) = delete;
    OtherUser& operator=(const OtherUser&) = delete;

    bool available() const { return available_; }
    const std::string& whyNot() const { return whyNot_; }
    const std::string& name() const { return name_; }
    uid_t uid() const { return uid_; }

    // Runs `body` in a child process that has become this user and returns
    // its exit status (body's result), or -1 when it did not end normally
    // within a minute.
    int Run(const std::function<int()>& body) const;
    // Runs a /bin/sh command line as this user; its exit status.
    int Shell(const std::string& command) const;

private:
    bool available_ = false;
    std::string whyNot_;
    std::string name_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
};

#define SKIP_WITHOUT_OTHER_USER(user) \
    if (!(user).available()) GTEST_SKIP() << "no second local user: " << (user).whyNot()

// A fresh folder below /tmp that everyone can write, sticky as /tmp itself
// is, so that another user can plant things in it; removed with all it holds.
class StickyFolder {
public:
    StickyFolder();
    ~StickyFolder();
    StickyFolder(const StickyFolder&) = delete;
    StickyFolder& operator=(const StickyFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Names in `folder`, "." and ".." left out; empty when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// Runs `argv` with the environment of this process changed by `changes`
// ("NAME=value" sets, "NAME" removes) and its stdin from /dev/null; stdout
// and stderr go to `output`. The exit status, or -1 when the program did
// not end within a minute (it is killed then).
int RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& changes, std::string* output);

}  // namespace winplat::testing
