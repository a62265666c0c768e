// COM start-up and in-process servers found through the class registry.
#include "guid_text.h"

#include <objbase.h>
#include <winplat/host.h>

#include <map>
#include <mutex>
#include <string>

namespace {

struct Servers {
    std::mutex lock;
    int initialisations = 0;
    std::map<std::string, HMODULE> modules;  // module path -> loaded module
};

Servers& servers()
{
    static Servers* instance = new Servers;
    return *instance;
}

// Loads (or finds) the server module of a class.
HRESULT ServerModule(REFCLSID clsid, HMODULE* module)
{
    std::string path;
    if (!winplat::RegistryValue("Classes", ole32::GuidText(clsid), &path)) return REGDB_E_CLASSNOTREG;
    Servers& s = servers();
    std::lock_guard<std::mutex> guard(s.lock);
    auto it = s.modules.find(path);
    if (it != s.modules.end()) {
        *module = it->second;
        return S_OK;
    }
    HMODULE loaded = LoadLibraryA(path.c_str());
    if (!loaded) return HRESULT_FROM_WIN32(GetLastError());
    s.modules[path] = loaded;
    *module = loaded;
    return S_OK;
}

// Unloads the modules whose DllCanUnloadNow agrees; a module with live
// objects stays.
void UnloadServers()
{
    Servers& s = servers();
    std::lock_guard<std::mutex> guard(s.lock);
    for (auto it = s.modules.begin(); it != s.modules.end();) {
        auto canUnload = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(it->second, "DllCanUnloadNow"));
        if (canUnload && canUnload() == S_OK) {
            FreeLibrary(it->second);
            it = s.modules.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

HRESULT WINAPI CoInitialize(LPVOID pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD)
{
    std::lock_guard<std::mutex> guard(servers().lock);
    return servers().initialisations++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize(void)
{
    {
        std::lock_guard<std::mutex> guard(servers().lock);
        if (servers().initialisations == 0 || --servers().initialisations > 0) return;
    }
    UnloadServers();
}

HRESULT WINAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv)
{
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    if (!(dwClsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
    HMODULE module = nullptr;
    HRESULT hr = ServerModule(rclsid, &module);
    if (FAILED(hr)) return hr;
    auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
    if (!getClassObject) return CO_E_ERRORINDLL;
    return getClassObject(rclsid, riid, ppv);
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
{
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

void WINAPI CoFreeUnusedLibraries(void) { UnloadServers(); }
