// Resources entered by modules at start-up, found by module, type and name.
#include <windows.h>
#include <winplat/objects.h>
#include <winplat/resources.h>

#include <dlfcn.h>

#include <mutex>
#include <string>
#include <strings.h>
#include <vector>

namespace {

// An integer id or a name.
struct ResourceId {
    WORD number = 0;
    std::string text;

    explicit ResourceId(LPCSTR id)
    {
        if (IS_INTRESOURCE(id)) {
            number = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(id));
        } else if (id[0] == '#') {
            number = static_cast<WORD>(atoi(id + 1));  // "#123" names id 123
        } else {
            text = id;
        }
    }
    bool operator==(const ResourceId& other) const
    {
        return number == other.number && strcasecmp(text.c_str(), other.text.c_str()) == 0;
    }
};

class Resource : public winplat::KernelObject {
public:
    Resource(HMODULE module, ResourceId type, ResourceId name, const void* data, DWORD size)
        : module(module), type(std::move(type)), name(std::move(name)), data(data), size(size)
    {
    }
    winplat::ObjectKind Kind() const override { return winplat::ObjectKind::Other; }
    bool ClosableByCloseHandle() const override { return false; }

    HMODULE module;
    ResourceId type;
    ResourceId name;
    const void* data;
    DWORD size;
    HRSRC handle = nullptr;
};

struct Table {
    std::mutex lock;
    std::vector<std::shared_ptr<Resource>> resources;
};

Table& table()
{
    static Table* instance = new Table;
    return *instance;
}

}  // namespace

namespace winplat {

void RegisterResource(HMODULE module, LPCSTR type, LPCSTR name, const void* data, DWORD size)
{
    if (!type || !name || !data) return;
    auto resource = std::make_shared<Resource>(module, ResourceId(type), ResourceId(name), data, size);
    resource->handle = static_cast<HRSRC>(InsertObject(resource));
    std::lock_guard<std::mutex> guard(table().lock);
    table().resources.push_back(resource);
}

void UnregisterResources(HMODULE module)
{
    std::lock_guard<std::mutex> guard(table().lock);
    auto& list = table().resources;
    for (auto it = list.begin(); it != list.end();) {
        if ((*it)->module == module) {
            RemoveObject((*it)->handle);
            it = list.erase(it);
        } else {
            ++it;
        }
    }
}

HMODULE ModuleFromAddress(const void* address)
{
    // The first mapped byte of a module is its load address, which is what
    // a module handle is.
    Dl_info info;
    if (!address || !dladdr(address, &info)) return nullptr;
    return static_cast<HMODULE>(info.dli_fbase);
}

}  // namespace winplat

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType)
{
    if (!lpName || !lpType) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!hModule) hModule = GetModuleHandleA(nullptr);
    ResourceId type(lpType), name(lpName);
    std::lock_guard<std::mutex> guard(table().lock);
    bool typeSeen = false;
    for (const auto& r : table().resources) {
        if (r->module != hModule || !(r->type == type)) continue;
        typeSeen = true;
        if (r->name == name) return r->handle;
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC hResInfo)
{
    std::shared_ptr<Resource> r = winplat::LookupAs<Resource>(hResInfo);
    if (!r) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // As on the platform, the loaded resource is its data's address.
    return const_cast<void*>(r->data);
}

LPVOID WINAPI LockResource(HGLOBAL hResData) { return hResData; }

DWORD WINAPI SizeofResource(HMODULE, HRSRC hResInfo)
{
    std::shared_ptr<Resource> r = winplat::LookupAs<Resource>(hResInfo);
    if (!r) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return r->size;
}

BOOL WINAPI FreeResource(HGLOBAL) { return FALSE; }
