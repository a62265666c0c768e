#include "CameraLink.h"

#include <string.h>

namespace {

std::string Narrow(LPCWSTR pwsz)
{
    if (!pwsz) return std::string();
    char sz[512];
    if (WideCharToMultiByte(CP_ACP, 0, pwsz, -1, sz, sizeof(sz), NULL, NULL) == 0) return std::string();
    return sz;
}

// A camera name of up to 8 characters, not terminated when it has all 8.
std::string NameOf(const char* pchName)
{
    const void* pEnd = memchr(pchName, '\0', kCameraNameChars);
    return std::string(pchName, pEnd ? static_cast<const char*>(pEnd) - pchName : kCameraNameChars);
}

// Waits for another program's lock this long before calling the camera busy.
const DWORD kBusyTimeout = 2000;

}  // namespace

std::vector<DeviceListing> ListDevices()
{
    std::vector<DeviceListing> devices;
    IStillImage* pStillImage = NULL;
    if (FAILED(StiCreateInstanceW(GetModuleHandleA(NULL), STI_VERSION_REAL, &pStillImage, NULL))) return devices;
    DWORD dwCount = 0;
    LPVOID pList = NULL;
    if (SUCCEEDED(pStillImage->GetDeviceList(StiDeviceTypeDefault, 0, &dwCount, &pList)) && pList) {
        auto* pDevices = static_cast<PSTI_DEVICE_INFORMATIONW>(pList);
        for (DWORD i = 0; i < dwCount; ++i)
            devices.push_back({Narrow(pDevices[i].pszDeviceDescription), Narrow(pDevices[i].pszPortName),
                               Narrow(pDevices[i].szDeviceInternalName),
                               CCamera::IsAcceptedDescription(pDevices[i].pszDeviceDescription) != FALSE});
    }
    if (pList) LocalFree(pList);
    pStillImage->Release();
    return devices;
}

CCameraLink::CCameraLink(CConsoleReport& report) : m_report(report), m_camera(m_pictures), m_bLocked(false) {}

CCameraLink::~CCameraLink() { Close(); }

ExitCode CCameraLink::Open(bool bTell)
{
    if (!m_camera.Connect()) {
        if (bTell)
            m_report.Error("no camera: none of the still-image devices plugged in is an accepted camera "
                           "(see \"snapctl detect\")");
        return kExitNoCamera;
    }
    for (const DeviceListing& device : ListDevices()) {
        if (device.accepted) {
            m_description = device.description;
            m_portName = device.portName;
            m_internalName = device.internalName;
            break;
        }
    }
    HRESULT hr = m_camera.Device()->LockDevice(kBusyTimeout);
    if (FAILED(hr)) {
        m_camera.Release();
        if (hr == STIERR_DEVICE_LOCKED) {
            if (bTell)
                m_report.Error("camera busy: another program is using the camera \"%s\" (%s)",
                               m_description.c_str(), m_portName.c_str());
            return kExitCameraBusy;
        }
        if (bTell) m_report.Error("the camera \"%s\" cannot be opened", m_description.c_str());
        return kExitNoCamera;
    }
    m_bLocked = true;
    return kExitDone;
}

void CCameraLink::Close()
{
    if (m_bLocked && m_camera.Device()) m_camera.Device()->UnLockDevice();
    m_bLocked = false;
    m_camera.Release();
}

std::vector<CameraPicture> CCameraLink::ReadPictures()
{
    std::vector<CameraPicture> pictures;
    CameraEntry* pEntries = NULL;
    int nEntries = m_camera.ReadDirectoryWithRetries(&pEntries, m_report);
    if (nEntries == 0)
        m_report.Note("1.Not find image from your digital camera. 2.Makesure your CF card have picture. "
                      "3.Reset and plug it again.");
    for (CameraEntry* p = pEntries; p; p = p->pNext) {
        CameraPicture picture;
        picture.name = NameOf(p->szPicture);
        picture.thumbName = NameOf(p->szThumbnail);
        picture.dwFileSize = p->dwFileSize;
        picture.dwThumbSize = p->dwThumbSize;
        picture.plainName = IsPlainCameraName(p->szPicture) != FALSE;
        pictures.push_back(picture);
    }
    FreeCameraEntries(pEntries);
    return pictures;
}

std::vector<CameraPicture> SelectPictures(const std::vector<CameraPicture>& pictures, const Options& options,
                                          CConsoleReport& report, int* pnUnknown)
{
    *pnUnknown = 0;
    std::vector<CameraPicture> selected;
    std::vector<bool> wanted(pictures.size(), options.all);
    for (const std::string& asked : options.names) {
        // "S0000001" and "S0000001.jpg" both name the picture.
        std::string name = asked;
        if (name.size() > 4 && lstrcmpiA(name.c_str() + name.size() - 4, ".jpg") == 0) name.resize(name.size() - 4);
        bool bFound = false;
        for (size_t i = 0; i < pictures.size(); ++i) {
            if (lstrcmpiA(pictures[i].name.c_str(), name.c_str()) == 0) {
                wanted[i] = true;
                bFound = true;
            }
        }
        if (!bFound) {
            report.Error("%s: no such picture on the camera", asked.c_str());
            ++*pnUnknown;
        }
    }
    for (size_t i = 0; i < pictures.size(); ++i)
        if (wanted[i]) selected.push_back(pictures[i]);
    return selected;
}
