// The camera buttons of the main window (USB, FROMDSC, ACQUIRE, DELETE):
// each asks the camera object for the work and answers its reports with
// the window's progress window, message boxes, wait cursor and grid.
#include "CameraDlg.h"
#include "CameraDlgReport.h"
#include "CreatePathDlg.h"
#include "FolderBrowser.h"
#include "ProgressDlg.h"

namespace {

// With fewer pictures than this from the cursor on, the grid moves back a row.
const int kFullPageRest = 6;

}  // namespace

// ---- Connection

int CCameraDlg::ConnectCamera() { return m_camera.Connect(); }

void CCameraDlg::ReleaseCamera() { m_camera.Release(); }

void CCameraDlg::OnUsb()
{
    if (ConnectCamera()) {
        m_bCameraMode = 1;
        // The button stays drawn pushed in while a camera is connected.
        m_btnUsb.SendMessage(BM_SETSTATE, 1);
        return;
    }
    InvalidateGrid();
    // Only a camera that was there before is missed.
    if (m_bCameraMode == 1) AfxMessageBox("Can't find DSC connected to USB!", MB_OK, 0);
}

// ---- Thumbnails

void CCameraDlg::OnFromDsc()
{
    CProgressDlg progress;
    CReport report(*this, &progress);
    DoWaitCursor(1);
    if (m_bCameraMode == 1) m_camera.LoadPictures(report);
    DoWaitCursor(-1);
}

int CCameraDlg::ReadPictureDirectory(CameraEntry** ppEntries) { return m_camera.ReadPictureDirectory(ppEntries); }

LPBYTE CCameraDlg::FetchCameraFile(LPCSTR lpszName, DWORD dwLength)
{
    return m_camera.FetchCameraFile(lpszName, dwLength);
}

int CCameraDlg::AddThumbnail(const BYTE* pThumbFile, DWORD dwFileSize, DWORD dwThumbSize, LPCSTR lpszName)
{
    return m_camera.AddThumbnail(pThumbFile, dwFileSize, dwThumbSize, lpszName);
}

// ---- Download

void CCameraDlg::OnAcquire()
{
    if (m_pictures.CountSelected() == 0) {
        AfxMessageBox("Select at least one image!", MB_OK, 0);
        return;
    }
    DownloadSelected();
}

void CCameraDlg::DownloadSelected()
{
    CProgressDlg progress;
    CReport report(*this, &progress);
    DoWaitCursor(1);
    // The folder may be typed (and created) first; the browser confirms it.
    CCreatePathDlg pathDlg;
    pathDlg.m_strPath = m_strDestFolder;
    if (pathDlg.DoModal() == IDOK) {
        CCamera::CreateFolderPath(pathDlg.m_strPath);
        m_strDestFolder = pathDlg.m_strPath;
    }
    CFolderBrowser browser(m_strDestFolder, 0, NULL);
    CCamera::DownloadResult result = CCamera::DownloadResult::NotStarted;
    if (browser.DoBrowse() == IDOK) {
        result = m_camera.DownloadSelected(browser.GetPath(), report);
        if (result != CCamera::DownloadResult::NotStarted) m_strDestFolder = browser.GetPath();
    }
    // The page on screen when ACQUIRE was pressed is the page afterwards
    // (the camera object puts the list's cursor back), so that a click acts
    // on the picture it lands on.
    UpdatePageButtons();
    InvalidateGrid();
    // A failure was told after the wait had ended.
    if (result == CCamera::DownloadResult::Done || result == CCamera::DownloadResult::NotStarted) DoWaitCursor(-1);
}

// ---- Deletion

void CCameraDlg::OnDelete()
{
    CReport report(*this, nullptr);
    if (!m_camera.DeleteSelected(m_bCameraMode == 1, report)) return;
    if (m_pictures.m_nCount > kCellCount) {
        if (m_pictures.m_nCount - m_pictures.m_nPosition < kFullPageRest) m_pictures.MoveBack(kRowCells);
    } else {
        m_pictures.Rewind();
    }
    UpdatePageButtons();
    InvalidateGrid();
}

BOOL CCameraDlg::DeleteCameraFile(LPCSTR lpszName) { return m_camera.DeleteCameraFile(lpszName); }
