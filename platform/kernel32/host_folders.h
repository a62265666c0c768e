// kernel32-internal: host folder helpers shared by the host and DOS path code.
#pragma once

#include <sys/types.h>

#include <string>

namespace winplat {

// mkdir -p; existing folders are fine.
void MakeFolders(const std::string& path, mode_t mode);

// What a folder of the platform's own state must keep others from.
enum class FolderRule {
    Private,              // no access at all for group and others (live state)
    NotWritableByOthers,  // others may look, not plant or swap (per-user data)
};

// Makes the last component of `path` (mode 0700) unless it exists, then
// checks that it is a real folder, not a symbolic link, owned by this
// process's user and within `rule`. Returns "" when it may be used, else
// why not, as a phrase ("it belongs to another user (uid 1001)").
std::string CheckOwnFolder(const std::string& path, FolderRule rule);

// Reports on stderr that `path` (a `role` such as "the live-state folder")
// is not used and why, with `remedy`, and ends the process with status 1.
[[noreturn]] void RefuseFolder(const std::string& role, const std::string& path, const std::string& why,
                               const std::string& remedy);

// $TMPDIR when it is an absolute path, else /tmp.
std::string TempFolder();

}  // namespace winplat
