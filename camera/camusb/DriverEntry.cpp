// The module's exports: the kernel driver's entry point, and the two calls
// with which a test process plugs an in-process camera in and out.
#include "CamUsbDriver.h"

#include <winerror.h>

#define CAMUSB_EXPORT extern "C" __attribute__((visibility("default")))

CAMUSB_EXPORT DWORD DriverEntry(void)
{
    winplat::RegisterDeviceDriver(&camusb::CamUsbDriver::Instance());  // registering twice is harmless
    return 0;
}

// Serves "\\.\<deviceName>" over `socketFd`, one end of a connected stream
// socket whose other end a camera serves. Takes the socket. Returns 0 or a
// Win32 error (ERROR_ALREADY_EXISTS when that name is served already).
CAMUSB_EXPORT DWORD CamUsbAttachPort(const char* deviceName, int socketFd)
{
    DriverEntry();
    return camusb::CamUsbDriver::Instance().Attach(deviceName ? deviceName : "", socketFd);
}

// Unplugs an attached camera: its requests fail with ERROR_DEV_NOT_EXIST and
// the name is no longer served.
CAMUSB_EXPORT DWORD CamUsbDetachPort(const char* deviceName)
{
    return camusb::CamUsbDriver::Instance().Detach(deviceName ? deviceName : "");
}

// How many reads and control requests have reached the port through its
// handles since it was plugged in. Returns 0 or ERROR_FILE_NOT_FOUND.
CAMUSB_EXPORT DWORD CamUsbCountRequests(const char* deviceName, DWORD* reads, DWORD* controls)
{
    return camusb::CamUsbDriver::Instance().CountRequests(deviceName ? deviceName : "", reads, controls);
}
