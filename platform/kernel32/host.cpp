// Host folders of the stand-in and its registry files.
#include "host_folders.h"

#include <windows.h>
#include <winplat/host.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <strings.h>

namespace winplat {
namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::vector<std::string> RegistryFiles()
{
    std::vector<std::string> files;
    std::string list = Environment("WINPLAT_REGISTRY");
    size_t start = 0;
    while (start <= list.size() && !list.empty()) {
        size_t colon = list.find(':', start);
        std::string item = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!item.empty()) files.push_back(item);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    files.push_back(ProgramFolder() + "/winplat.reg");
    // An installed system keeps its registry beside the platform's
    // libraries, in the project's private library folder.
    std::string libraries = LibraryFolder();
    if (!libraries.empty() && libraries != ProgramFolder()) files.push_back(libraries + "/winplat.reg");
    files.push_back(DataFolder() + "/winplat.reg");
    return files;
}

std::string FolderOf(const std::string& file)
{
    size_t slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

// A value written "./x" or "../x" names a file relative to the registry
// file's own folder, so that an installed tree can be moved as a whole.
std::string ResolveRelative(const std::string& value, const std::string& registryFile)
{
    if (value.rfind("./", 0) != 0 && value.rfind("../", 0) != 0) return value;
    return FolderOf(registryFile) + "/" + value;
}

}  // namespace

void MakeFolders(const std::string& path, mode_t mode)
{
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), mode);
    }
}

namespace {

const char kRuntimeRole[] = "the live-state folder";
const char kRuntimeRemedy[] =
    "Set WINPLAT_RUNTIME_DIR to a folder of your own that only you can open (mkdir -m 700 FOLDER), "
    "or run in a login session that sets XDG_RUNTIME_DIR.";
const char kDataRole[] = "the data folder (drive C: and the per-user registry)";
const char kDataRemedy[] =
    "Set XDG_DATA_HOME (or HOME) to a folder of your own that others cannot write into.";

std::string UserNumber() { return std::to_string(geteuid()); }

void RequireOwnFolder(const std::string& path, FolderRule rule, const char* role, const char* remedy)
{
    std::string why = CheckOwnFolder(path, rule);
    if (!why.empty()) RefuseFolder(role, path, why, remedy);
}

std::string ParentOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

}  // namespace

std::string DataFolder()
{
    std::string base = Environment("XDG_DATA_HOME");
    if (base.empty()) {
        std::string home = Environment("HOME");
        if (!home.empty()) base = home + "/.local/share";
    }
    if (base.empty()) {
        // A name anyone can guess, in a folder everyone can write: usable
        // only when it turns out to be ours.
        base = TempFolder() + "/winplat-data-" + UserNumber();
        RequireOwnFolder(base, FolderRule::NotWritableByOthers, kDataRole, kDataRemedy);
    } else {
        MakeFolders(base, 0755);
    }
    std::string folder = base + "/winplat";
    RequireOwnFolder(folder, FolderRule::NotWritableByOthers, kDataRole, kDataRemedy);
    return folder;
}

std::string RuntimeFolder()
{
    std::string folder = Environment("WINPLAT_RUNTIME_DIR");
    if (folder.empty()) {
        std::string xdg = Environment("XDG_RUNTIME_DIR");
        folder = xdg.empty() ? TempFolder() + "/winplat-" + UserNumber() : xdg + "/winplat";
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // Folders above a named one are made as before; the folder itself is
    // checked each time, since every use trusts it.
    if (!ParentOf(folder).empty()) MakeFolders(ParentOf(folder), 0700);
    RequireOwnFolder(folder, FolderRule::Private, kRuntimeRole, kRuntimeRemedy);
    return folder;
}

std::string RuntimeSubfolder(const std::string& name)
{
    std::string folder = RuntimeFolder() + "/" + name;
    RequireOwnFolder(folder, FolderRule::Private, kRuntimeRole, kRuntimeRemedy);
    return folder;
}

std::string ProgramFolder()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string full(path);
    size_t slash = full.rfind('/');
    return slash == std::string::npos || slash == 0 ? "/" : full.substr(0, slash);
}

std::string LibraryFolder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) || !info.dli_fname) return std::string();
    std::string self(info.dli_fname);
    if (self.find('/') == std::string::npos) return std::string();
    return FolderOf(self);
}

std::vector<std::pair<std::string, std::string>> RegistrySection(const std::string& section)
{
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& file : RegistryFiles()) {
        std::ifstream in(file);
        std::string line;
        bool inSection = false;
        while (std::getline(in, line)) {
            line = Trim(line);
            if (line.empty() || line[0] == ';' || line[0] == '#') continue;
            if (line.front() == '[' && line.back() == ']') {
                inSection = strcasecmp(Trim(line.substr(1, line.size() - 2)).c_str(), section.c_str()) == 0;
                continue;
            }
            size_t eq = line.find('=');
            if (!inSection || eq == std::string::npos) continue;
            std::string key = Trim(line.substr(0, eq));
            std::string value = Trim(line.substr(eq + 1));
            bool known = false;
            for (const auto& e : entries) known = known || strcasecmp(e.first.c_str(), key.c_str()) == 0;
            if (!known) entries.emplace_back(key, ResolveRelative(value, file));
        }
    }
    return entries;
}

bool RegistryValue(const std::string& section, const std::string& key, std::string* value)
{
    for (const auto& entry : RegistrySection(section)) {
        if (strcasecmp(entry.first.c_str(), key.c_str()) == 0) {
            if (value) *value = entry.second;
            return true;
        }
    }
    return false;
}

}  // namespace winplat
