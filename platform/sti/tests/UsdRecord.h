// What the test driver module's last driver object saw: the module fills it,
// the service's tests read it through the module's TestUsdRecord export.
#pragma once

#include <windows.h>

struct UsdRecord {
    wchar_t port[260];
    DWORD mode;
    HRESULT portResult;
    int escapes;
    DWORD lastEscape;
    int statusCalls;
    int resets;
    int locks;
    int unlocks;
    int liveObjects;
};
