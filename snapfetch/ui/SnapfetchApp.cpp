#include "SnapfetchApp.h"

#include "CameraDlg.h"
#include "JpegDecoder.h"

#include <afxres.h>

#include <cstdio>
#include <cstring>

namespace {

const char kHelp[] =
    "Usage: snapfetch\n"
    "Copies pictures from a USB digital still camera: shows the camera's thumbnails\n"
    "nine at a time and saves the selected pictures as JPEG files or deletes them.\n"
    "snapfetch reads no options; it finds the camera by itself.\n"
    "\n"
    "  --help       print this text and end\n"
    "  --version    print the version and end\n";

// The one exception to reading no command line: a lone --help or --version
// answers on standard output instead of opening the window.
bool AnswerInformationRequest(const char* commandLine)
{
    if (!commandLine) return false;
    if (std::strcmp(commandLine, "--help") == 0) {
        std::fputs(kHelp, stdout);
        return true;
    }
    if (std::strcmp(commandLine, "--version") == 0) {
        std::printf("snapfetch %s\n", SNAPFETCH_VERSION);
        return true;
    }
    return false;
}

// The decoder's "Not enough memory", in a plain message box before the
// program ends.
void ShowDecoderFailure(LPCSTR lpszText) { AfxMessageBox(lpszText); }

}  // namespace

BEGIN_MESSAGE_MAP(CSnapfetchApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

// No name: the framework takes it from the program.
CSnapfetchApp::CSnapfetchApp() = default;

BOOL CSnapfetchApp::InitInstance()
{
    if (AnswerInformationRequest(m_lpCmdLine)) return FALSE;
    Enable3dControls();
    CJpegDecoder::SetFatalMessageHandler(ShowDecoderFailure);
    // The dialog's destructor releases the camera and frees the picture
    // list before the framework ends the application.
    CCameraDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    return FALSE;
}
