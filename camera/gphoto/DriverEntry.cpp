// The module's export: the kernel driver's entry point.
#include "GphotoUsbDriver.h"

#include <winerror.h>

extern "C" __attribute__((visibility("default"))) DWORD DriverEntry(void)
{
    winplat::RegisterDeviceDriver(&gphoto::GphotoUsbDriver::Instance());  // registering twice is harmless
    return 0;
}
