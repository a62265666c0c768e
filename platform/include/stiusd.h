// The Still Image service: what a device driver module sees. The service
// creates the driver object with IID_IStiUSD and hands it an
// IStiDeviceControl before any other call.
#pragma once

#include <sti.h>

DEFINE_GUID(IID_IStiUSD, 0x0C9BB460, 0x51AC, 0x11D0, 0x90, 0xEA, 0x00, 0xAA, 0x00, 0x60, 0xF8, 0x6C);
DEFINE_GUID(IID_IStiDeviceControl, 0x128A9860, 0x52DC, 0x11D0, 0x9E, 0xDF, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);

typedef struct _STI_USD_CAPS {
    DWORD dwVersion;
    DWORD dwGenericCaps;
} STI_USD_CAPS, *PSTI_USD_CAPS;

#define STI_USD_GENCAP_NATIVE_PUSHSUPPORT 0x00000001
#define STI_USD_GENCAP_OPEN_DEVICE_FOR_STATUS 0x00000002

typedef DWORD USD_CONTROL_CODE;

struct IStiDeviceControl : public IUnknown {
    STDMETHOD(Initialize)(DWORD dwDeviceType, DWORD dwMode, LPCWSTR pwszPortName, DWORD dwFlags) PURE;
    STDMETHOD(RawReadData)(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(RawWriteData)(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(RawReadCommand)(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(RawWriteCommand)(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(RawDeviceControl)(USD_CONTROL_CODE EscapeFunction, LPVOID lpInData, DWORD cbInDataSize,
                                LPVOID pOutData, DWORD dwOutDataSize, LPDWORD pdwActualData) PURE;
    STDMETHOD(GetLastError)(LPDWORD lpdwLastError) PURE;
    // The device's port name, at most cwDevicePathSize wide characters
    // including the terminator.
    STDMETHOD(GetMyDevicePortName)(LPWSTR lpszDevicePath, DWORD cwDevicePathSize) PURE;
    STDMETHOD(GetMyDeviceHandle)(LPHANDLE lph) PURE;
    STDMETHOD(GetMyDeviceOpenMode)(LPDWORD pdwOpenMode) PURE;
    STDMETHOD(WriteToErrorLog)(DWORD dwMessageType, LPCWSTR pszMessage, DWORD dwErrorCode) PURE;
};
typedef IStiDeviceControl* PSTIDEVICECONTROL;

// Slots in this order: the service calls the driver through this table.
struct IStiUSD : public IUnknown {
    STDMETHOD(Initialize)(PSTIDEVICECONTROL pHelDcb, DWORD dwStiVersion, HKEY hParametersKey) PURE;
    STDMETHOD(GetCapabilities)(PSTI_USD_CAPS pDevCaps) PURE;
    STDMETHOD(GetStatus)(PSTI_DEVICE_STATUS pDevStatus) PURE;
    STDMETHOD(DeviceReset)() PURE;
    STDMETHOD(Diagnostic)(LPSTI_DIAG pBuffer) PURE;
    STDMETHOD(Escape)(STI_RAW_CONTROL_CODE EscapeFunction, LPVOID lpInData, DWORD cbInDataSize, LPVOID pOutData,
                      DWORD dwOutDataSize, LPDWORD pdwActualData) PURE;
    STDMETHOD(GetLastError)(LPDWORD pdwLastDeviceError) PURE;
    STDMETHOD(LockDevice)() PURE;
    STDMETHOD(UnLockDevice)() PURE;
    STDMETHOD(RawReadData)(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(RawWriteData)(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(RawReadCommand)(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(RawWriteCommand)(LPVOID lpBuffer, DWORD nNumberOfBytes, LPOVERLAPPED lpOverlapped) PURE;
    STDMETHOD(SetNotificationHandle)(HANDLE hEvent) PURE;
    STDMETHOD(GetNotificationData)(LPSTINOTIFY lpNotify) PURE;
    STDMETHOD(GetLastErrorInfo)(STI_ERROR_INFO* pLastErrorInfo) PURE;
};
typedef IStiUSD* PSTIUSD;
