// Module-wide state of the in-process server.
#pragma once

#include <windows.h>
#include <guiddef.h>

// {8BB36A61-B445-11D2-A764-5254ABD116D5}: the driver's class.
DEFINE_GUID(CLSID_CameraUsd, 0x8BB36A61, 0xB445, 0x11D2, 0xA7, 0x64, 0x52, 0x54, 0xAB, 0xD1, 0x16, 0xD5);

// Class-factory references plus server locks; changed only by interlocked
// operations.
extern LONG g_cLocks;
