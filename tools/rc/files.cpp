#include "files.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace rc {

bool HostFileReader::Read(const std::string& path, std::string* contents)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *contents = buffer.str();
    return !in.bad();
}

bool HostFileReader::Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MemoryFileReader::Read(const std::string& path, std::string* contents)
{
    auto it = files_.find(path);
    if (it == files_.end()) return false;
    *contents = it->second;
    return true;
}

namespace {

std::string ForwardSlashes(std::string path)
{
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

}  // namespace

bool IsAbsolutePath(const std::string& path) { return !path.empty() && (path[0] == '/' || path[0] == '\\'); }

std::string JoinPath(const std::string& dir, const std::string& name)
{
    std::string relative = ForwardSlashes(name);
    if (IsAbsolutePath(relative) || dir.empty()) return relative;
    return dir + "/" + relative;
}

std::string DirectoryOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace rc
