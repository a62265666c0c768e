// The Still Image service: the client's side (IStillImage, IStiDevice).
#pragma once

#include <objbase.h>
#include <windows.h>

// ---- Versions, device types and open modes ------------------------------------

#define STI_VERSION_REAL 0x00000002
#define STI_VERSION_FLAG_UNICODE 0x01000000
#define STI_VERSION STI_VERSION_REAL

typedef DWORD STI_DEVICE_TYPE;
#define StiDeviceTypeDefault 0
#define StiDeviceTypeScanner 1
#define StiDeviceTypeDigitalCamera 2
#define StiDeviceTypeStreamingVideo 3

#define STI_DEVICE_CREATE_STATUS 0x00000001
#define STI_DEVICE_CREATE_DATA 0x00000002
#define STI_DEVICE_CREATE_BOTH 0x00000003
#define STI_DEVICE_CREATE_MASK 0x0000FFFF

#define STI_MAX_INTERNAL_NAME_LENGTH 128

// ---- Records -------------------------------------------------------------------

typedef struct _STI_DEV_CAPS {
    DWORD dwGeneric;
} STI_DEV_CAPS, *PSTI_DEV_CAPS;

#define STI_GENCAP_NOTIFICATIONS 0x00000001
#define STI_GENCAP_POLLING_NEEDED 0x00000002

typedef struct _STI_DEVICE_INFORMATIONW {
    DWORD dwSize;
    STI_DEVICE_TYPE DeviceType;
    WCHAR szDeviceInternalName[STI_MAX_INTERNAL_NAME_LENGTH];
    STI_DEV_CAPS DeviceCapabilities;
    DWORD dwHardwareConfiguration;
    LPWSTR pszVendorDescription;
    LPWSTR pszDeviceDescription;
    LPWSTR pszPortName;
    LPWSTR pszPropProvider;
    LPWSTR pszLocalName;
} STI_DEVICE_INFORMATIONW, *PSTI_DEVICE_INFORMATIONW;
typedef STI_DEVICE_INFORMATIONW STI_DEVICE_INFORMATION;
typedef PSTI_DEVICE_INFORMATIONW PSTI_DEVICE_INFORMATION;

// 24 bytes, all DWORDs.
typedef struct _STI_DEVICE_STATUS {
    DWORD dwSize;
    DWORD StatusMask;
    DWORD dwOnlineState;
    DWORD dwHardwareStatusCode;
    DWORD dwEventHandlingState;
    DWORD dwPollingInterval;
} STI_DEVICE_STATUS, *PSTI_DEVICE_STATUS;

#define STI_DEVSTATUS_ONLINE_STATE 0x0001
#define STI_DEVSTATUS_EVENTS_STATE 0x0002

#define STI_ONLINESTATE_OPERATIONAL 0x00000001
#define STI_ONLINESTATE_PENDING 0x00000002
#define STI_ONLINESTATE_ERROR 0x00000004
#define STI_ONLINESTATE_PAUSED 0x00000008
#define STI_ONLINESTATE_PAPER_JAM 0x00000010
#define STI_ONLINESTATE_PAPER_PROBLEM 0x00000020
#define STI_ONLINESTATE_OFFLINE 0x00000040
#define STI_ONLINESTATE_IO_ACTIVE 0x00000080
#define STI_ONLINESTATE_BUSY 0x00000100
#define STI_ONLINESTATE_TRANSFERRING 0x00000200
#define STI_ONLINESTATE_INITIALIZING 0x00000400
#define STI_ONLINESTATE_WARMING_UP 0x00000800
#define STI_ONLINESTATE_USER_INTERVENTION 0x00001000
#define STI_ONLINESTATE_POWER_SAVE 0x00002000

#define STI_EVENTHANDLING_ENABLED 0x00000001
#define STI_EVENTHANDLING_POLLING 0x00000002
#define STI_EVENTHANDLING_PENDING 0x00000004

typedef struct _STI_ERROR_INFOW {
    DWORD dwSize;
    DWORD dwGenericError;
    DWORD dwVendorError;
    WCHAR szExtendedErrorText[255];
} STI_ERROR_INFOW, *PSTI_ERROR_INFOW;
typedef STI_ERROR_INFOW STI_ERROR_INFO;
typedef PSTI_ERROR_INFOW PSTI_ERROR_INFO;

typedef struct _STI_DIAG {
    DWORD dwSize;
    DWORD dwBasicDiagCode;
    DWORD dwVendorDiagCode;
    DWORD dwStatusMask;
    STI_ERROR_INFO sErrorInfo;
} STI_DIAG, *LPSTI_DIAG;
typedef STI_DIAG DIAG;
typedef LPSTI_DIAG LPDIAG;

// 24 bytes on the 32-bit platform; the window and event fields take the
// host's pointer width here, so the record is larger on a 64-bit build.
typedef struct _STISUBSCRIBE {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFilter;
    HWND hWndNotify;
    HANDLE hEvent;
    UINT uiNotificationMessage;
} STISUBSCRIBE, *LPSTISUBSCRIBE;

#define STI_SUBSCRIBE_FLAG_WINDOW 0x0001
#define STI_SUBSCRIBE_FLAG_EVENT 0x0002

#define MAX_NOTIFICATION_DATA 64
typedef struct _STINOTIFY {
    DWORD dwSize;
    GUID guidNotificationCode;
    BYTE abNotificationData[MAX_NOTIFICATION_DATA];
} STINOTIFY, *LPSTINOTIFY;

typedef DWORD STI_RAW_CONTROL_CODE;

// ---- Results ---------------------------------------------------------------------

#define STI_OK S_OK
#define STI_ERROR_NO_ERROR STI_OK
#define STIERR_OLD_VERSION HRESULT_FROM_WIN32(ERROR_OLD_WIN_VERSION)
#define STIERR_BETA_VERSION HRESULT_FROM_WIN32(ERROR_RMODE_APP)
#define STIERR_BADDRIVER HRESULT_FROM_WIN32(ERROR_BAD_DRIVER_LEVEL)
#define STIERR_DEVICENOTREG REGDB_E_CLASSNOTREG
#define STIERR_OBJECTNOTFOUND HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)
#define STIERR_INVALID_PARAM E_INVALIDARG
#define STIERR_NOINTERFACE E_NOINTERFACE
#define STIERR_GENERIC E_FAIL
#define STIERR_OUTOFMEMORY E_OUTOFMEMORY
#define STIERR_UNSUPPORTED E_NOTIMPL
#define STIERR_NOT_INITIALIZED HRESULT_FROM_WIN32(ERROR_NOT_READY)
#define STIERR_ALREADY_INITIALIZED HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED)
#define STIERR_DEVICE_LOCKED HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION)
#define STIERR_READONLY E_ACCESSDENIED
#define STIERR_NOTINITIALIZED E_ACCESSDENIED
#define STIERR_NEEDS_LOCK HRESULT_FROM_WIN32(ERROR_NOT_LOCKED)
#define STIERR_SHARING_VIOLATION HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)
#define STIERR_HANDLEEXISTS HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)
#define STIERR_INVALID_DEVICE_NAME HRESULT_FROM_WIN32(ERROR_INVALID_NAME)
#define STIERR_INVALID_DEVICE_TYPE HRESULT_FROM_WIN32(ERROR_INVALID_DATA)
#define STIERR_INVALID_HW_TYPE HRESULT_FROM_WIN32(ERROR_INVALID_DATA)
#define STIERR_NOEVENTS HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS)
#define STIERR_DEVICE_NOTREADY HRESULT_FROM_WIN32(ERROR_NOT_READY)

// ---- Interfaces -----------------------------------------------------------------

DEFINE_GUID(IID_IStillImageW, 0x641BD880, 0x2DC8, 0x11D0, 0x90, 0xEA, 0x00, 0xAA, 0x00, 0x60, 0xF8, 0x6C);
DEFINE_GUID(IID_IStiDevice, 0x6CFA5A80, 0x2DC8, 0x11D0, 0x90, 0xEA, 0x00, 0xAA, 0x00, 0x60, 0xF8, 0x6C);
#define IID_IStillImage IID_IStillImageW

struct IStiDevice : public IUnknown {
    STDMETHOD(Initialize)(HINSTANCE hinst, LPCWSTR pwszDeviceName, DWORD dwVersion, DWORD dwMode) PURE;
    STDMETHOD(GetCapabilities)(PSTI_DEV_CAPS pDevCaps) PURE;
    STDMETHOD(GetStatus)(PSTI_DEVICE_STATUS pDevStatus) PURE;
    STDMETHOD(DeviceReset)() PURE;
    STDMETHOD(Diagnostic)(LPSTI_DIAG pBuffer) PURE;
    STDMETHOD(Escape)(STI_RAW_CONTROL_CODE EscapeFunction, LPVOID lpInData, DWORD cbInDataSize, LPVOID pOutData,
                      DWORD dwOutDataSize, LPDWORD pdwActualData) PURE;
    STDMETHOD(GetLastError)(LPDWORD pdwLastDeviceError) PURE;
    STDMETHOD(LockDevice)(DWORD dwTimeOut) PURE;
    STDMETHOD(UnLockDevice)() PURE;
    STDMETHOD(RawReadData)(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(RawWriteData)(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(RawReadCommand)(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(RawWriteCommand)(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(Subscribe)(LPSTISUBSCRIBE lpSubsribe) PURE;
    STDMETHOD(GetLastNotificationData)(LPSTINOTIFY lpNotify) PURE;
    STDMETHOD(UnSubscribe)() PURE;
    STDMETHOD(GetLastErrorInfo)(STI_ERROR_INFO* pLastErrorInfo) PURE;
};
typedef IStiDevice* PSTIDEVICE;
typedef IStiDevice* LPSTIDEVICE;

struct IStillImageW : public IUnknown {
    STDMETHOD(Initialize)(HINSTANCE hinst, DWORD dwVersion) PURE;
    // *ppBuffer receives one block (free it with LocalFree) holding
    // *pdwItemsReturned STI_DEVICE_INFORMATIONW records and their strings.
    STDMETHOD(GetDeviceList)(DWORD dwType, DWORD dwFlags, DWORD* pdwItemsReturned, LPVOID* ppBuffer) PURE;
    STDMETHOD(GetDeviceInfo)(LPWSTR pwszDeviceName, LPVOID* ppBuffer) PURE;
    STDMETHOD(CreateDevice)(LPWSTR pwszDeviceName, DWORD dwMode, PSTIDEVICE* pDevice, LPUNKNOWN punkOuter) PURE;
    STDMETHOD(GetDeviceValue)(LPWSTR pwszDeviceName, LPWSTR pValueName, LPDWORD pType, LPBYTE pData,
                              LPDWORD cbData) PURE;
    STDMETHOD(SetDeviceValue)(LPWSTR pwszDeviceName, LPWSTR pValueName, DWORD Type, LPBYTE pData,
                              DWORD cbData) PURE;
    STDMETHOD(GetSTILaunchInformation)(LPWSTR pwszDeviceName, DWORD* pdwEventCode, LPWSTR pwszEventName) PURE;
    STDMETHOD(RegisterLaunchApplication)(LPWSTR pwszAppName, LPWSTR pwszCommandLine) PURE;
    STDMETHOD(UnregisterLaunchApplication)(LPWSTR pwszAppName) PURE;
    STDMETHOD(EnableHwNotifications)(LPCWSTR pwszDeviceName, BOOL bNewState) PURE;
    STDMETHOD(GetHwNotificationState)(LPCWSTR pwszDeviceName, BOOL* pbCurrentState) PURE;
    STDMETHOD(RefreshDeviceBus)(LPCWSTR pwszDeviceName) PURE;
    STDMETHOD(LaunchApplicationForDevice)(LPWSTR pwszDeviceName, LPWSTR pwszAppName, LPSTINOTIFY pStiNotify) PURE;
    STDMETHOD(SetupDeviceParameters)(PSTI_DEVICE_INFORMATIONW pDevInfo) PURE;
    STDMETHOD(WriteToErrorLog)(DWORD dwMessageType, LPCWSTR pszMessage) PURE;
};
typedef IStillImageW IStillImage;
typedef IStillImageW* PSTI;
typedef IStillImageW* LPSTILLIMAGE;

WINBASEAPI HRESULT WINAPI StiCreateInstanceW(HINSTANCE hinst, DWORD dwVer, IStillImageW** ppSti,
                                             LPUNKNOWN punkOuter);
#define StiCreateInstance StiCreateInstanceW
