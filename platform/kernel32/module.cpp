// Modules: the program and its shared libraries. A module handle is the
// module's load address, as on the platform. Modules loaded with LoadLibraryA
// get their DllMain attach and detach calls.
#include <windows.h>
#include <winplat/host.h>
#include <winplat/resources.h>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>
#include <strings.h>

namespace {

// A program linked at a fixed address reports load bias 0; it gets the
// platform's customary image base instead so that its handle is not null.
constexpr uintptr_t kFixedProgramBase = 0x400000;

struct LoadedModule {
    void* dl;
    int references;
};

struct Modules {
    std::recursive_mutex lock;  // DllMain may load further modules
    std::map<uintptr_t, LoadedModule> loaded;
};

Modules& modules()
{
    static Modules* instance = new Modules;
    return *instance;
}

struct ObjectInfo {
    uintptr_t base = 0;
    std::string path;
    bool found = false;
};

std::string BaseName(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "kernel32.dll" and "kernel32" name libkernel32.so; anything else is taken as is.
bool NameMatches(const std::string& objectPath, std::string wanted)
{
    std::string base = BaseName(objectPath);
    if (strcasecmp(base.c_str(), wanted.c_str()) == 0) return true;
    if (wanted.size() > 4 && strcasecmp(wanted.c_str() + wanted.size() - 4, ".dll") == 0)
        wanted.resize(wanted.size() - 4);
    return strcasecmp(base.c_str(), ("lib" + wanted + ".so").c_str()) == 0;
}

uintptr_t ProgramBase(uintptr_t bias) { return bias ? bias : kFixedProgramBase; }

// Finds a loaded object by base address or by name (first match).
ObjectInfo FindObject(uintptr_t base, const char* name)
{
    struct Query {
        uintptr_t base;
        const char* name;
        ObjectInfo result;
        bool first = true;
    } query{base, name, {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* q = static_cast<Query*>(data);
            bool isProgram = q->first;
            q->first = false;
            std::string path = info->dlpi_name ? info->dlpi_name : "";
            uintptr_t objectBase = isProgram ? ProgramBase(info->dlpi_addr) : info->dlpi_addr;
            if (isProgram) path = "/proc/self/exe";
            bool match = q->name ? (!isProgram && NameMatches(path, q->name)) : objectBase == q->base;
            if (!match) return 0;
            q->result = {objectBase, path, true};
            return 1;
        },
        &query);
    return query.result;
}

uintptr_t BaseOf(void* dl)
{
    link_map* map = nullptr;
    if (dlinfo(dl, RTLD_DI_LINKMAP, &map) != 0 || !map) return 0;
    return map->l_addr;
}

void* DlHandleFor(HMODULE module)
{
    auto base = reinterpret_cast<uintptr_t>(module);
    {
        std::lock_guard<std::recursive_mutex> guard(modules().lock);
        auto it = modules().loaded.find(base);
        if (it != modules().loaded.end()) return it->second.dl;
    }
    ObjectInfo info = FindObject(base, nullptr);
    if (!info.found) return nullptr;
    if (info.path == "/proc/self/exe") return dlopen(nullptr, RTLD_NOW);
    void* dl = dlopen(info.path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (dl) dlclose(dl);  // RTLD_NOLOAD took a reference; the object stays loaded
    return dl;
}

typedef BOOL(WINAPI* DllMainProc)(HINSTANCE, DWORD, LPVOID);

// The module's own DllMain: dlsym also searches a module's dependencies,
// whose entry point must not be taken for the module's.
DllMainProc OwnDllMain(void* dl, uintptr_t base)
{
    void* symbol = dlsym(dl, "DllMain");
    Dl_info info;
    if (!symbol || !dladdr(symbol, &info) || reinterpret_cast<uintptr_t>(info.dli_fbase) != base) return nullptr;
    return reinterpret_cast<DllMainProc>(symbol);
}

}  // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    if (!lpModuleName) {
        struct {
            uintptr_t base = 0;
        } program;
        dl_iterate_phdr(
            [](dl_phdr_info* i, size_t, void* data) -> int {
                static_cast<decltype(program)*>(data)->base = ProgramBase(i->dlpi_addr);
                return 1;
            },
            &program);
        return reinterpret_cast<HMODULE>(program.base);
    }
    ObjectInfo info = FindObject(0, lpModuleName);
    if (!info.found) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(info.base);
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!hModule) hModule = GetModuleHandleA(nullptr);
    ObjectInfo info = FindObject(reinterpret_cast<uintptr_t>(hModule), nullptr);
    if (!info.found) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    std::string host = info.path;
    if (host == "/proc/self/exe") {
        char buffer[4096];
        ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        host = n > 0 ? std::string(buffer, static_cast<size_t>(n)) : "/";
    }
    std::string dos = winplat::HostToDosPath(host);
    size_t n = dos.size() < nSize ? dos.size() : nSize - 1;
    memcpy(lpFilename, dos.c_str(), n);
    lpFilename[n] = '\0';
    if (n < dos.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    return static_cast<DWORD>(n);
}

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName)
{
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string path = lpLibFileName;
    if (path.find('\\') != std::string::npos || (path.size() > 1 && path[1] == ':')) {
        if (DWORD error = winplat::DosToHostPath(lpLibFileName, &path)) {
            SetLastError(error);
            return nullptr;
        }
    }
    std::lock_guard<std::recursive_mutex> guard(modules().lock);
    void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    uintptr_t base = BaseOf(dl);
    auto it = modules().loaded.find(base);
    if (it != modules().loaded.end()) {
        dlclose(dl);  // keep a single host reference per module
        it->second.references++;
        return reinterpret_cast<HMODULE>(base);
    }
    modules().loaded[base] = {dl, 1};
    DllMainProc dllMain = OwnDllMain(dl, base);
    if (dllMain && !dllMain(reinterpret_cast<HINSTANCE>(base), DLL_PROCESS_ATTACH, nullptr)) {
        modules().loaded.erase(base);
        dlclose(dl);
        SetLastError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(base);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    std::lock_guard<std::recursive_mutex> guard(modules().lock);
    auto it = modules().loaded.find(reinterpret_cast<uintptr_t>(hLibModule));
    if (it == modules().loaded.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--it->second.references > 0) return TRUE;
    void* dl = it->second.dl;
    modules().loaded.erase(it);
    winplat::UnregisterResources(hLibModule);
    if (DllMainProc dllMain = OwnDllMain(dl, reinterpret_cast<uintptr_t>(hLibModule)))
        dllMain(hLibModule, DLL_PROCESS_DETACH, nullptr);
    dlclose(dl);
    return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    if (!lpProcName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* dl = DlHandleFor(hModule);
    if (!dl) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* symbol = dlsym(dl, lpProcName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule)
{
    // Thread notifications are never sent on this platform; the call only
    // checks its argument.
    if (!hLibModule) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
