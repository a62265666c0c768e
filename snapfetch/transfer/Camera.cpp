// Finding the camera among the still-image devices, opening it for data
// transfer, and letting it go again.
#include "Camera.h"

#include <string.h>

namespace {

// Device descriptions of the cameras this program works with, compared
// exactly (letter case and blanks count).
const char* const kAcceptedDescriptions[] = {
    "VX Digital Still Camera", "Pardex", "Marovane", "Lumitra", "Corvana Qa410m",
};

}  // namespace

BOOL CCamera::IsAcceptedDescription(LPCWSTR pwszDescription)
{
    if (!pwszDescription) return FALSE;
    char szDescription[128];
    // A description too long for the buffer matches nothing.
    if (WideCharToMultiByte(CP_ACP, 0, pwszDescription, -1, szDescription, sizeof(szDescription), NULL, NULL) == 0)
        return FALSE;
    for (const char* pszAccepted : kAcceptedDescriptions)
        if (strcmp(szDescription, pszAccepted) == 0) return TRUE;
    return FALSE;
}

namespace {

// The first device in the service's order with an accepted description.
PSTI_DEVICE_INFORMATIONW FindAcceptedCamera(PSTI_DEVICE_INFORMATIONW pDevices, DWORD dwCount)
{
    for (DWORD i = 0; i < dwCount; ++i)
        if (CCamera::IsAcceptedDescription(pDevices[i].pszDeviceDescription)) return &pDevices[i];
    return NULL;
}

}  // namespace

CCamera::CCamera(CPictureList& pictures)
    : m_pictures(pictures), m_pStillImage(NULL), m_pStiDevice(NULL), m_pDeviceList(NULL)
{
}

CCamera::~CCamera() { Release(); }

int CCamera::Connect()
{
    // Every attempt starts from nothing: the device first, then the root.
    Release();
    if (FAILED(StiCreateInstanceW(GetModuleHandleA(NULL), STI_VERSION_REAL, &m_pStillImage, NULL))) {
        m_pStillImage = NULL;
        return 0;
    }
    DWORD dwCount = 0;
    LPVOID pList = NULL;
    if (FAILED(m_pStillImage->GetDeviceList(StiDeviceTypeDefault, 0, &dwCount, &pList))) {
        if (pList) LocalFree(pList);
        Release();
        return 0;
    }
    m_pDeviceList = static_cast<PSTI_DEVICE_INFORMATIONW>(pList);
    PSTI_DEVICE_INFORMATIONW pCamera = FindAcceptedCamera(m_pDeviceList, dwCount);
    // Without a camera the root and the list stay until the next attempt.
    if (!pCamera) return 0;
    if (FAILED(m_pStillImage->CreateDevice(pCamera->szDeviceInternalName, STI_DEVICE_CREATE_DATA, &m_pStiDevice,
                                           NULL))) {
        m_pStiDevice = NULL;
        m_pStillImage->Release();
        m_pStillImage = NULL;
        return 0;
    }
    return 1;
}

void CCamera::Release()
{
    if (m_pStiDevice) {
        m_pStiDevice->Release();
        m_pStiDevice = NULL;
    }
    if (m_pStillImage) {
        m_pStillImage->Release();
        m_pStillImage = NULL;
    }
    if (m_pDeviceList) {
        LocalFree(m_pDeviceList);
        m_pDeviceList = NULL;
    }
}
