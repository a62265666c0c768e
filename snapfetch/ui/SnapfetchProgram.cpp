// The program's one application object; the framework's entry
// (AfxWinMain) finds it and calls its InitInstance.
#include "SnapfetchApp.h"

CSnapfetchApp theApp;
