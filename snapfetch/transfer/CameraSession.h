// One stretch of camera traffic through the Still Image service: the device
// is locked before the first escape and unlocked after the last, so that no
// one else's commands come between them. Transfers also reset the device
// and ask for its status first.
#pragma once

#include <sti.h>

#include "EscapeProtocol.h"

class CCameraSession {
public:
    explicit CCameraSession(IStiDevice* pDevice);
    // Ends the session if it is still open.
    ~CCameraSession();
    CCameraSession(const CCameraSession&) = delete;
    CCameraSession& operator=(const CCameraSession&) = delete;

    // Locks the device (2000 ms at most), subscribes to its events when
    // asked, resets it and asks for its status. FALSE, with everything
    // undone, when the lock or the status query fails.
    BOOL BeginTransfer(BOOL bSubscribe);
    // Only locks the device (2000 ms at most).
    BOOL BeginLocked();
    // Ends the subscription of a transfer, unlocks and closes the event.
    void End();

    HRESULT Escape(DWORD dwCode, void* pIn, DWORD cbIn, void* pOut, DWORD cbOut, DWORD* pdwActual);
    // A reading escape. TRUE only when the driver carried the command out
    // (S_OK; S_FALSE means it did not) and delivered all cbOut bytes: a
    // buffer that was not filled is never taken for data.
    BOOL Read(DWORD dwCode, void* pIn, DWORD cbIn, void* pOut, DWORD cbOut);

    static const DWORD kLockTimeout = 2000;

private:
    IStiDevice* m_pDevice;
    HANDLE m_hEvent;   // the subscription's event; null without one
    BOOL m_bLocked;
    BOOL m_bTransfer;  // a transfer ends its subscription, made or not
};

// The request of a named file: the 8 name characters, "JPG" and a NUL.
ESC_PARAMS MakeFileParams(LPCSTR lpszName, DWORD dwLength);
