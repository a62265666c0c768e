// Downloading the selected pictures from the camera into JPEG files in a
// folder of the user's choice.
#include "CameraDlg.h"
#include "CameraEntry.h"
#include "CameraSession.h"
#include "CreatePathDlg.h"
#include "FolderBrowser.h"
#include "ProgressDlg.h"

namespace {

// Every picture transfer is framed by two pauses that give the camera time.
const DWORD kTransferPause = 300;

enum class PictureResult { Saved, NoMemory, ReadFailed, WriteFailed };

// The folder with the separator before the file name; a drive root ("C:\")
// has its separator already.
CString FolderPrefix(const CString& strFolder)
{
    return strFolder.GetLength() > 3 ? strFolder + "\\" : strFolder;
}

// Writes the picture into a temporary file beside its destination and puts
// it in place only once every byte is written and the file is closed: a
// failure (a full disk, say) leaves any older file of that name as it was
// and no part file behind.
BOOL WritePictureFile(LPCSTR lpszFolder, LPCSTR lpszPath, const BYTE* pData, DWORD dwLength)
{
    char szTemp[MAX_PATH];
    if (!GetTempFileNameA(lpszFolder, "snf", 0, szTemp)) return FALSE;
    CFile file;
    BOOL bWritten = FALSE;
    if (file.Open(szTemp, CFile::modeCreate | CFile::modeWrite)) {
        try {
            file.Write(pData, dwLength);
            file.Close();
            bWritten = TRUE;
        } catch (CFileException* e) {
            e->Delete();
            file.Abort();
        }
    }
    if (bWritten && MoveFileExA(szTemp, lpszPath, MOVEFILE_REPLACE_EXISTING)) return TRUE;
    DeleteFileA(szTemp);
    return FALSE;
}

// Transfers the picture at the list's cursor into its file.
PictureResult SavePicture(CCameraSession& session, const CPictureList& pictures, CProgressDlg& progress,
                          const CString& strFolder, const CString& strPath)
{
    DWORD dwLength = pictures.GetPictureSize() | 1;  // the camera's transfers are of odd length
    auto* pBuffer = static_cast<BYTE*>(VirtualAlloc(NULL, dwLength, MEM_COMMIT, PAGE_READWRITE));
    if (!pBuffer) return PictureResult::NoMemory;
    ESC_PARAMS params = MakeFileParams(pictures.GetName(), dwLength);
    progress.SetText(pictures.GetName());
    Sleep(kTransferPause);
    BOOL bRead = session.Read(ESC_READ_FILE, &params, sizeof(params), pBuffer, dwLength);
    Sleep(kTransferPause);
    PictureResult result = PictureResult::ReadFailed;
    if (bRead)
        result = WritePictureFile(strFolder, strPath, pBuffer, dwLength) ? PictureResult::Saved
                                                                         : PictureResult::WriteFailed;
    if (result == PictureResult::Saved) progress.StepIt();
    VirtualFree(pBuffer, 0, MEM_RELEASE);
    return result;
}

// Creates the typed folder with every missing folder above it, so that the
// folder confirmed is the one the files land in. Folders that exist already
// are fine; a drive root is not created.
void CreateFolderLevels(const CString& strFolder)
{
    for (int i = 1; i < strFolder.GetLength(); ++i) {
        char ch = strFolder[i];
        if ((ch == '\\' || ch == '/') && strFolder[i - 1] != ':') CreateDirectoryA(strFolder.Left(i), NULL);
    }
    CreateDirectoryA(strFolder, NULL);
}

CString PicturePath(const CString& strPrefix, LPCSTR lpszName)
{
    char szName[kCameraNameChars + 1];
    lstrcpynA(szName, lpszName, sizeof(szName));
    CString strPath;
    strPath.Format("%s%s.jpg", static_cast<LPCSTR>(strPrefix), szName);
    return strPath;
}

// Transfers every selected picture, in list order, until one fails; the
// cursor ends on the picture that failed. *pstrPath names the last file.
PictureResult SaveSelected(CCameraSession& session, CPictureList& pictures, CProgressDlg& progress,
                           const CString& strFolder, CString* pstrPath)
{
    int nSelected = pictures.CountSelected();
    progress.SetRange(1, static_cast<WORD>(nSelected));
    progress.SetStep(1);
    progress.ShowWindow(SW_SHOW);
    CString strPrefix = FolderPrefix(strFolder);
    pictures.FirstSelected();
    for (int i = 0; i < nSelected; ++i) {
        *pstrPath = PicturePath(strPrefix, pictures.GetName());
        PictureResult result = SavePicture(session, pictures, progress, strFolder, *pstrPath);
        if (result != PictureResult::Saved) return result;
        pictures.NextSelected();
    }
    return PictureResult::Saved;
}

// Moves the list's cursor back to the picture at nPosition (1-based): the
// transfer walks the cursor over the selected pictures, and the grid shows
// the page that starts at the cursor.
void ReturnToPosition(CPictureList& pictures, int nPosition)
{
    pictures.Rewind();
    while (pictures.m_nPosition < nPosition)
        if (!pictures.MoveForward(1)) break;
}

}  // namespace

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
    // The page on screen when ACQUIRE was pressed is the page afterwards,
    // so that a click acts on the picture it lands on.
    const int nPagePosition = m_pictures.m_nPosition;
    CProgressDlg progress;
    DoWaitCursor(1);
    // The folder may be typed (and created) first; the browser confirms it.
    CCreatePathDlg pathDlg;
    pathDlg.m_strPath = m_strDestFolder;
    if (pathDlg.DoModal() == IDOK) {
        CreateFolderLevels(pathDlg.m_strPath);
        m_strDestFolder = pathDlg.m_strPath;
    }
    CFolderBrowser browser(m_strDestFolder, 0, NULL);
    BOOL bWaitEnded = FALSE;
    if (browser.DoBrowse() == IDOK && m_pStillImage && m_pStiDevice) {
        CCameraSession session(m_pStiDevice);
        if (session.BeginTransfer(FALSE)) {
            m_strDestFolder = browser.GetPath();
            CString strPath;
            PictureResult result = SaveSelected(session, m_pictures, progress, m_strDestFolder, &strPath);
            // The camera is unlocked before anyone is told; the files
            // already written stay.
            session.End();
            if (result == PictureResult::ReadFailed || result == PictureResult::WriteFailed) {
                DoWaitCursor(-1);
                bWaitEnded = TRUE;
                CString strText = "download data error!!\nPlease Reset and plug it again.";
                if (result == PictureResult::WriteFailed) strText.Format("Can not write file %s!", static_cast<LPCSTR>(strPath));
                AfxMessageBox(strText, MB_OK, 0);
            }
            progress.ShowWindow(SW_HIDE);
        }
    }
    ReturnToPosition(m_pictures, nPagePosition);
    UpdatePageButtons();
    InvalidateGrid();
    if (!bWaitEnded) DoWaitCursor(-1);
}
