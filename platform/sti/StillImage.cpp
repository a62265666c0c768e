#include "StillImage.h"

#include "DeviceControl.h"
#include "StiDevice.h"

#include <winplat/stidevices.h>

#include <string>
#include <vector>

namespace sti {
namespace {

std::wstring Wide(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

// Every device of the registry is a digital camera.
bool TypeMatches(DWORD wanted) { return wanted == StiDeviceTypeDefault || wanted == StiDeviceTypeDigitalCamera; }

// One LocalAlloc block: the records first, their strings after them.
void* BuildDeviceList(const std::vector<winplat::StillImageDevice>& devices)
{
    std::vector<std::wstring> descriptions, ports;
    size_t strings = 0;
    for (const auto& d : devices) {
        descriptions.push_back(Wide(d.description));
        ports.push_back(Wide(d.portName));
        strings += descriptions.back().size() + ports.back().size() + 2;
    }
    size_t records = devices.size() * sizeof(STI_DEVICE_INFORMATIONW);
    auto* block = static_cast<BYTE*>(LocalAlloc(LPTR, records + strings * sizeof(WCHAR) + sizeof(WCHAR)));
    if (!block) return nullptr;
    auto* info = reinterpret_cast<STI_DEVICE_INFORMATIONW*>(block);
    auto* text = reinterpret_cast<WCHAR*>(block + records);
    auto place = [&text](const std::wstring& s) {
        WCHAR* at = text;
        memcpy(at, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
        text += s.size() + 1;
        return at;
    };
    for (size_t i = 0; i < devices.size(); ++i) {
        info[i].dwSize = sizeof(STI_DEVICE_INFORMATIONW);
        info[i].DeviceType = StiDeviceTypeDigitalCamera;
        std::wstring name = Wide(devices[i].internalName).substr(0, STI_MAX_INTERNAL_NAME_LENGTH - 1);
        memcpy(info[i].szDeviceInternalName, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
        info[i].DeviceCapabilities.dwGeneric = 0;
        info[i].pszDeviceDescription = place(descriptions[i]);
        info[i].pszVendorDescription = info[i].pszDeviceDescription;
        info[i].pszPortName = place(ports[i]);
    }
    return block;
}

bool FindDevice(LPCWSTR name, winplat::StillImageDevice* found)
{
    for (const auto& d : winplat::ListStillImageDevices()) {
        if (Wide(d.internalName) == name) {
            *found = d;
            return true;
        }
    }
    return false;
}

// Loads the device's driver through the class registry and initialises it.
// The factory is kept with the device: it is what keeps the module loaded.
HRESULT OpenDriver(const winplat::StillImageDevice& device, DWORD mode, IStiUSD** driver, IClassFactory** kept)
{
    CLSID clsid;
    if (FAILED(CLSIDFromString(Wide(device.classId).c_str(), &clsid))) return STIERR_DEVICENOTREG;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    IStiUSD* usd = nullptr;
    hr = factory->CreateInstance(nullptr, IID_IStiUSD, reinterpret_cast<void**>(&usd));
    if (FAILED(hr)) {
        factory->Release();
        return hr;
    }
    auto* control = new DeviceControl(Wide(device.portName), mode);
    hr = usd->Initialize(control, STI_VERSION_REAL, nullptr);
    control->Release();  // the driver keeps its own reference
    if (FAILED(hr)) {
        usd->Release();
        factory->Release();
        return hr;
    }
    *driver = usd;
    *kept = factory;
    return S_OK;
}

}  // namespace

STDMETHODIMP StillImage::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IStillImageW)) return E_NOINTERFACE;
    *ppv = static_cast<IStillImageW*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) StillImage::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) StillImage::Release()
{
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) {
        delete this;
        CoFreeUnusedLibraries();  // drivers whose objects are all gone
    }
    return static_cast<ULONG>(n);
}

STDMETHODIMP StillImage::Initialize(HINSTANCE, DWORD dwVersion)
{
    return (dwVersion & 0xFFFF) == STI_VERSION_REAL ? S_OK : STIERR_OLD_VERSION;
}

STDMETHODIMP StillImage::GetDeviceList(DWORD dwType, DWORD, DWORD* pdwItemsReturned, LPVOID* ppBuffer)
{
    if (!pdwItemsReturned || !ppBuffer) return E_INVALIDARG;
    *pdwItemsReturned = 0;
    *ppBuffer = nullptr;
    std::vector<winplat::StillImageDevice> devices;
    if (TypeMatches(dwType)) devices = winplat::ListStillImageDevices();
    void* block = BuildDeviceList(devices);
    if (!block) return E_OUTOFMEMORY;
    *pdwItemsReturned = static_cast<DWORD>(devices.size());
    *ppBuffer = block;
    return S_OK;
}

STDMETHODIMP StillImage::GetDeviceInfo(LPWSTR pwszDeviceName, LPVOID* ppBuffer)
{
    if (!pwszDeviceName || !ppBuffer) return E_INVALIDARG;
    *ppBuffer = nullptr;
    winplat::StillImageDevice device;
    if (!FindDevice(pwszDeviceName, &device)) return STIERR_INVALID_DEVICE_NAME;
    *ppBuffer = BuildDeviceList({device});
    return *ppBuffer ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP StillImage::CreateDevice(LPWSTR pwszDeviceName, DWORD dwMode, PSTIDEVICE* pDevice, LPUNKNOWN punkOuter)
{
    if (!pDevice || !pwszDeviceName) return E_INVALIDARG;
    *pDevice = nullptr;
    if (punkOuter) return CLASS_E_NOAGGREGATION;
    if ((dwMode & ~STI_DEVICE_CREATE_MASK) != 0 || (dwMode & STI_DEVICE_CREATE_BOTH) == 0) return E_INVALIDARG;
    winplat::StillImageDevice device;
    if (!FindDevice(pwszDeviceName, &device)) return STIERR_INVALID_DEVICE_NAME;
    IStiUSD* driver = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = OpenDriver(device, dwMode, &driver, &factory);
    if (FAILED(hr)) return hr;
    *pDevice = new StiDevice(device.internalName, driver, factory);
    return S_OK;
}

}  // namespace sti

HRESULT WINAPI StiCreateInstanceW(HINSTANCE, DWORD dwVer, IStillImageW** ppSti, LPUNKNOWN punkOuter)
{
    if (!ppSti) return E_INVALIDARG;
    *ppSti = nullptr;
    if (punkOuter) return CLASS_E_NOAGGREGATION;
    if ((dwVer & 0xFFFF) != STI_VERSION_REAL) return STIERR_OLD_VERSION;
    *ppSti = new sti::StillImage;
    return S_OK;
}
