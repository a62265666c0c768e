#include "SnapfetchApp.h"

#include "CameraDlg.h"

#include <afxres.h>

BEGIN_MESSAGE_MAP(CSnapfetchApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

// No name: the framework takes it from the program.
CSnapfetchApp::CSnapfetchApp() = default;

BOOL CSnapfetchApp::InitInstance()
{
    Enable3dControls();
    // The dialog's destructor releases the camera and frees the picture
    // list before the framework ends the application.
    CCameraDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    return FALSE;
}
