#include "CameraSession.h"

#include "CameraEntry.h"

#include <string.h>

CCameraSession::CCameraSession(IStiDevice* pDevice)
    : m_pDevice(pDevice), m_hEvent(NULL), m_bLocked(FALSE), m_bTransfer(FALSE)
{
}

CCameraSession::~CCameraSession() { End(); }

BOOL CCameraSession::BeginLocked()
{
    if (!m_pDevice || FAILED(m_pDevice->LockDevice(kLockTimeout))) return FALSE;
    m_bLocked = TRUE;
    return TRUE;
}

BOOL CCameraSession::BeginTransfer(BOOL bSubscribe)
{
    if (!BeginLocked()) return FALSE;
    m_bTransfer = TRUE;
    if (bSubscribe) {
        // The event is never waited on; the subscription only tells the
        // service that a program is working with the device.
        m_hEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
        STISUBSCRIBE subscribe = {};
        subscribe.dwSize = sizeof(subscribe);
        subscribe.dwFlags = STI_SUBSCRIBE_FLAG_EVENT;
        subscribe.hEvent = m_hEvent;
        m_pDevice->Subscribe(&subscribe);
    }
    m_pDevice->DeviceReset();
    STI_DEVICE_STATUS status = {};
    status.dwSize = sizeof(status);
    status.StatusMask = STI_DEVSTATUS_ONLINE_STATE;
    if (FAILED(m_pDevice->GetStatus(&status))) {
        End();
        return FALSE;
    }
    return TRUE;
}

void CCameraSession::End()
{
    if (!m_bLocked) return;
    if (m_bTransfer) m_pDevice->UnSubscribe();
    m_pDevice->UnLockDevice();
    if (m_hEvent) CloseHandle(m_hEvent);
    m_hEvent = NULL;
    m_bLocked = FALSE;
    m_bTransfer = FALSE;
}

HRESULT CCameraSession::Escape(DWORD dwCode, void* pIn, DWORD cbIn, void* pOut, DWORD cbOut, DWORD* pdwActual)
{
    return m_pDevice->Escape(dwCode, pIn, cbIn, pOut, cbOut, pdwActual);
}

BOOL CCameraSession::Read(DWORD dwCode, void* pIn, DWORD cbIn, void* pOut, DWORD cbOut)
{
    DWORD dwActual = 0;
    HRESULT hr = Escape(dwCode, pIn, cbIn, pOut, cbOut, &dwActual);
    return hr == S_OK && dwActual == cbOut;
}

ESC_PARAMS MakeFileParams(LPCSTR lpszName, DWORD dwLength)
{
    ESC_PARAMS params = {};
    params.dwLength = dwLength;
    // A shorter name (none of the camera's) leaves NULs before the extension.
    for (int i = 0; i < kCameraNameChars && lpszName[i]; ++i) params.szName[i] = lpszName[i];
    memcpy(params.szName + kCameraNameChars, "JPG", 4);
    return params;
}
