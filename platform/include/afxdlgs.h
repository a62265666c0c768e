// Framework dialogs. The program's own dialogs derive from CDialog
// (afxwin.h); no common dialogs are provided on this platform.
#pragma once

#include <afxwin.h>
