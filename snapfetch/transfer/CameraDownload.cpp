// Downloading the selected pictures from the camera into JPEG files in a
// folder of the user's choice.
#include "Camera.h"
#include "CameraEntry.h"
#include "CameraSession.h"

#include <afx.h>
#include <stdio.h>

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
BOOL WritePictureFile(LPCSTR lpszFolder, LPCSTR lpszPath, const BYTE* pData, DWORD dwLength,
                      DWORD dwMoveFlags = MOVEFILE_REPLACE_EXISTING)
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
            SetLastError(static_cast<DWORD>(e->m_lOsError));
            e->Delete();
            file.Abort();
        }
    }
    if (bWritten && MoveFileExA(szTemp, lpszPath, dwMoveFlags)) return TRUE;
    // The caller may want the reason of the failure, not of the clean-up.
    DWORD dwError = GetLastError();
    DeleteFileA(szTemp);
    SetLastError(dwError);
    return FALSE;
}

// Transfers the picture at the list's cursor into its file.
PictureResult SavePicture(CCameraSession& session, const CPictureList& pictures, ICameraReport& report,
                          LPCSTR lpszFolder, LPCSTR lpszPath)
{
    DWORD dwLength = pictures.GetPictureSize() | 1;  // the camera's transfers are of odd length
    auto* pBuffer = static_cast<BYTE*>(VirtualAlloc(NULL, dwLength, MEM_COMMIT, PAGE_READWRITE));
    if (!pBuffer) return PictureResult::NoMemory;
    ESC_PARAMS params = MakeFileParams(pictures.GetName(), dwLength);
    report.SetProgressText(pictures.GetName());
    Sleep(kTransferPause);
    BOOL bRead = session.Read(ESC_READ_FILE, &params, sizeof(params), pBuffer, dwLength);
    Sleep(kTransferPause);
    PictureResult result = PictureResult::ReadFailed;
    if (bRead)
        result = WritePictureFile(lpszFolder, lpszPath, pBuffer, dwLength) ? PictureResult::Saved
                                                                         : PictureResult::WriteFailed;
    if (result == PictureResult::Saved) report.StepProgress();
    VirtualFree(pBuffer, 0, MEM_RELEASE);
    return result;
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
PictureResult SaveSelected(CCameraSession& session, CPictureList& pictures, ICameraReport& report,
                           LPCSTR lpszFolder, CString* pstrPath)
{
    int nSelected = pictures.CountSelected();
    report.SetProgressRange(1, static_cast<WORD>(nSelected));
    report.SetProgressStep(1);
    report.ShowProgress(TRUE);
    CString strPrefix = FolderPrefix(lpszFolder);
    pictures.FirstSelected();
    for (int i = 0; i < nSelected; ++i) {
        *pstrPath = PicturePath(strPrefix, pictures.GetName());
        PictureResult result = SavePicture(session, pictures, report, lpszFolder, *pstrPath);
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

CCamera::PictureOutcome CCamera::DownloadPicture(LPCSTR lpszName, DWORD dwFileSize, LPCSTR lpszFolder,
                                                 LPCSTR lpszPath, BOOL bReplace)
{
    if (!IsOpen()) return PictureOutcome::ReadFailed;
    if (!bReplace && GetFileAttributesA(lpszPath) != INVALID_FILE_ATTRIBUTES) return PictureOutcome::Exists;
    // The camera sends odd lengths; the file gets the picture's own bytes.
    LPBYTE pData = FetchCameraFile(lpszName, dwFileSize);
    if (!pData) return PictureOutcome::ReadFailed;
    // Without replacing, a file that appeared meanwhile is left alone too.
    BOOL bWritten = WritePictureFile(lpszFolder, lpszPath, pData, dwFileSize, bReplace ? MOVEFILE_REPLACE_EXISTING : 0);
    VirtualFree(pData, 0, MEM_RELEASE);
    if (bWritten) return PictureOutcome::Saved;
    if (!bReplace && GetFileAttributesA(lpszPath) != INVALID_FILE_ATTRIBUTES) return PictureOutcome::Exists;
    return PictureOutcome::WriteFailed;
}

void CCamera::CreateFolderPath(LPCSTR lpszFolder)
{
    CString strFolder = lpszFolder;
    for (int i = 1; i < strFolder.GetLength(); ++i) {
        char ch = strFolder[i];
        if ((ch == '\\' || ch == '/') && strFolder[i - 1] != ':') CreateDirectoryA(strFolder.Left(i), NULL);
    }
    CreateDirectoryA(strFolder, NULL);
}

CCamera::DownloadResult CCamera::DownloadSelected(LPCSTR lpszFolder, ICameraReport& report)
{
    if (!IsOpen()) return DownloadResult::NotStarted;
    CCameraSession session(m_pStiDevice);
    if (!session.BeginTransfer(FALSE)) return DownloadResult::NotStarted;
    const int nPosition = m_pictures.m_nPosition;
    CString strPath;
    PictureResult result = SaveSelected(session, m_pictures, report, lpszFolder, &strPath);
    // The camera is unlocked before anyone is told; the files already
    // written stay.
    session.End();
    DownloadResult outcome = DownloadResult::Done;
    if (result == PictureResult::ReadFailed || result == PictureResult::WriteFailed) {
        report.WaitCursor(-1);
        char szText[MAX_PATH + 64];
        if (result == PictureResult::WriteFailed) {
            snprintf(szText, sizeof(szText), "Can not write file %s!", static_cast<LPCSTR>(strPath));
            outcome = DownloadResult::WriteFailed;
        } else {
            lstrcpyA(szText, "download data error!!\nPlease Reset and plug it again.");
            outcome = DownloadResult::ReadFailed;
        }
        report.Message(szText, MB_OK);
    }
    report.ShowProgress(FALSE);
    ReturnToPosition(m_pictures, nPosition);
    return outcome;
}
