// The application object of snapfetch: it runs the main window as a modal
// dialog and then lets the program end, with no message loop of its own.
#pragma once

#include <afxwin.h>

class CSnapfetchApp : public CWinApp {
public:
    CSnapfetchApp();

    // Runs the main window; always FALSE, so that the framework ends the
    // application instead of running a message loop.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
