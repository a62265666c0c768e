// Finding the camera among the still-image devices, opening it for data
// transfer, and letting it go again.
#include "CameraDlg.h"

#include <string.h>

namespace {

// Device descriptions of the cameras this program works with, compared
// exactly (letter case and blanks count).
const char* const kAcceptedDescriptions[] = {
    "VX Digital Still Camera", "Pardex", "Marovane", "Lumitra", "Corvana Qa410m",
};

BOOL IsAcceptedDescription(LPCWSTR pwszDescription)
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

// The first device in the service's order with an accepted description.
PSTI_DEVICE_INFORMATIONW FindAcceptedCamera(PSTI_DEVICE_INFORMATIONW pDevices, DWORD dwCount)
{
    for (DWORD i = 0; i < dwCount; ++i)
        if (IsAcceptedDescription(pDevices[i].pszDeviceDescription)) return &pDevices[i];
    return NULL;
}

}  // namespace

int CCameraDlg::ConnectCamera()
{
    // Every attempt starts from nothing: the device first, then the root.
    ReleaseCamera();
    if (FAILED(StiCreateInstanceW(GetModuleHandleA(NULL), STI_VERSION_REAL, &m_pStillImage, NULL))) {
        m_pStillImage = NULL;
        return 0;
    }
    DWORD dwCount = 0;
    LPVOID pList = NULL;
    if (FAILED(m_pStillImage->GetDeviceList(StiDeviceTypeDefault, 0, &dwCount, &pList))) {
        if (pList) LocalFree(pList);
        ReleaseCamera();
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

void CCameraDlg::ReleaseCamera()
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

void CCameraDlg::OnUsb()
{
    if (ConnectCamera()) {
        m_bCameraMode = 1;
        // The button stays drawn pushed in while a camera is connected.
        m_btnUsb.SendMessage(BM_SETSTATE, 1);
        return;
    }
    InvalidateGrid();
    // Only a camera that was there before is missed.
    if (m_bCameraMode == 1) AfxMessageBox("Can't find DSC connected to USB!", MB_OK, 0);
}
