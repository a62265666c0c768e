// DOS paths: drive C: is a folder of the user's, Z: is the host's root.
#include "host_folders.h"

#include <windows.h>
#include <winplat/host.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <strings.h>
#include <vector>

namespace winplat {
namespace {

struct DriveC {
    std::mutex lock;
    std::string folder;  // empty until first use
};

DriveC& driveC()
{
    static DriveC* instance = new DriveC;
    return *instance;
}

// Makes `folder` drive C (lock held): without trailing slashes, and with
// the folders every installation of the platform has.
void SetFolderLocked(DriveC& d, const std::string& folder)
{
    d.folder = folder;
    while (d.folder.size() > 1 && d.folder.back() == '/') d.folder.pop_back();
    MakeFolders(d.folder + "/WINDOWS/TWAIN_32", 0755);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsInvalidNameChar(unsigned char c)
{
    return c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}

std::vector<std::string> SplitHost(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The entry of `folder` named `name` in any letter case, exact match first.
bool FindEntry(const std::string& folder, const std::string& name, std::string* found)
{
    struct stat st;
    if (lstat(Join(folder, name).c_str(), &st) == 0) {
        *found = name;
        return true;
    }
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    bool ok = false;
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            *found = entry->d_name;
            ok = true;
            break;
        }
    }
    closedir(dir);
    return ok;
}

}  // namespace

std::string DriveCFolder()
{
    DriveC& d = driveC();
    std::lock_guard<std::mutex> guard(d.lock);
    if (d.folder.empty()) {
        const char* env = std::getenv("WINPLAT_DRIVE_C");
        SetFolderLocked(d, (env && *env) ? env : DataFolder() + "/drive_c");
    }
    return d.folder;
}

void SetDriveCFolder(const std::string& hostFolder)
{
    DriveC& d = driveC();
    std::lock_guard<std::mutex> guard(d.lock);
    SetFolderLocked(d, hostFolder);
}

namespace {

// Where a DOS path starts: the host folder, the folders already below it (for
// a relative path, the current directory's) and the text of the names left.
struct PathStart {
    std::string root;
    std::vector<std::string> parts;
    const char* rest = nullptr;
};

// Each start is built whole: GCC 12 at -O3 misreads a literal assigned to a
// string that already holds text as an overlapping copy.
DWORD StartOf(const char* dosPath, PathStart* start)
{
    if (isalpha(static_cast<unsigned char>(dosPath[0])) && dosPath[1] == ':') {
        char drive = static_cast<char>(toupper(static_cast<unsigned char>(dosPath[0])));
        if (drive != 'C' && drive != 'Z') return ERROR_PATH_NOT_FOUND;  // the drive does not exist
        *start = PathStart{drive == 'C' ? DriveCFolder() : std::string(1, '/'), {}, dosPath + 2};
        return 0;
    }
    if (IsSeparator(dosPath[0]) && IsSeparator(dosPath[1]))
        return ERROR_BAD_PATHNAME;  // network and device names are not files
    if (IsSeparator(dosPath[0])) {
        *start = PathStart{DriveCFolder(), {}, dosPath};  // the root of the current drive, which is C:
        return 0;
    }
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return ERROR_PATH_NOT_FOUND;
    *start = PathStart{std::string(1, '/'), SplitHost(cwd), dosPath};
    return 0;
}

}  // namespace

DWORD DosToHostPath(const char* dosPath, std::string* hostPath)
{
    if (!dosPath || !*dosPath) return ERROR_PATH_NOT_FOUND;
    PathStart start;
    if (DWORD error = StartOf(dosPath, &start)) return error;
    std::vector<std::string>& parts = start.parts;
    const char* rest = start.rest;

    std::string name;
    auto takeName = [&]() -> DWORD {
        if (name.empty() || name == ".") return 0;
        if (name == "..") {
            if (!parts.empty()) parts.pop_back();
            return 0;
        }
        for (unsigned char c : name)
            if (IsInvalidNameChar(c)) return ERROR_INVALID_NAME;
        // The platform drops trailing dots and blanks of a name.
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
        if (name.empty()) return ERROR_INVALID_NAME;
        parts.push_back(name);
        return 0;
    };
    for (const char* p = rest;; ++p) {
        if (*p == '\0' || IsSeparator(*p)) {
            if (DWORD error = takeName()) return error;
            name.clear();
            if (*p == '\0') break;
        } else {
            name.push_back(*p);
        }
    }

    std::string current = start.root;
    bool exists = true;
    for (const std::string& part : parts) {
        std::string found = part;
        if (exists && !FindEntry(current, part, &found)) exists = false;
        current = Join(current, found);
    }
    *hostPath = current;
    return 0;
}

std::string HostToDosPath(const std::string& hostPath)
{
    const std::string c = DriveCFolder();
    const bool onDriveC = hostPath == c || hostPath.compare(0, c.size() + 1, c + "/") == 0;
    std::string tail = onDriveC ? hostPath.substr(c.size()) : hostPath;
    if (tail.empty()) tail.push_back('/');
    for (char& ch : tail)
        if (ch == '/') ch = '\\';
    if (tail.size() > 1 && tail.back() == '\\') tail.pop_back();
    return (onDriveC ? "C:" : "Z:") + tail;
}

}  // namespace winplat
