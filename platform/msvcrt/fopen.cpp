// The C run-time's file opening for programs of the platform: a path with a
// drive letter or a backslash is a DOS path and is mapped like every other
// path the platform is given. Programs reach this through the linker's
// --wrap=fopen, so the host's own fopen stays untouched for everything else.
#include <windows.h>
#include <winplat/host.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

extern "C" WINPLAT_EXPORT FILE* __wrap_fopen(const char* path, const char* mode)
{
    if (!path || !mode) return nullptr;
    bool dos = std::strchr(path, '\\') || (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':');
    if (!dos) return std::fopen(path, mode);
    std::string host;
    if (winplat::DosToHostPath(path, &host) != 0) return nullptr;
    return std::fopen(host.c_str(), mode);
}
