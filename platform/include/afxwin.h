// The application framework: windows, dialogs and the application object.
#pragma once

#include <afx.h>
#include <windows.h>

// Shows a message box over the application's main window, captioned with
// the application's name.
AFX_API int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
