// The platform's master header.
#pragma once

#include <string.h>

#include <windef.h>
#include <winerror.h>
#include <winbase.h>
#include <winioctl.h>

#if __has_include(<wingdi.h>)
#include <wingdi.h>
#endif
#if __has_include(<winuser.h>)
#include <winuser.h>
#endif
