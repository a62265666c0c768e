// Deleting the selected pictures, on the camera (or, for pictures that came
// from files, the files), and taking them out of the list.
#include "Camera.h"
#include "CameraSession.h"

BOOL CCamera::DeleteSelected(BOOL bCameraMode, ICameraReport& report)
{
    int nSelected = m_pictures.CountSelected();
    if (nSelected == 0) return FALSE;
    char szQuestion[64];
    wsprintfA(szQuestion, "Do you want to delete %d image(s)?", nSelected);
    if (report.Message(szQuestion, MB_YESNO | MB_DEFBUTTON2) != IDYES) return FALSE;

    // The first selected picture tells what all of them are: camera pictures
    // have a thumbnail length, pictures from files have none.
    m_pictures.FirstSelected();
    BOOL bFromCamera = m_pictures.LookupThumbLength(m_pictures.GetName()) != 0;
    for (int i = 0; i < nSelected; ++i) {
        // Failures are not reported: the picture leaves the list all the
        // same and comes back with the next load if it is still there.
        if (!bFromCamera)
            DeleteFileA(m_pictures.GetName());
        else if (bCameraMode)
            DeleteCameraFile(m_pictures.GetName());
        m_pictures.NextSelected();
    }
    return m_pictures.RemoveSelected();
}

BOOL CCamera::DeleteCameraFile(LPCSTR lpszName)
{
    if (!IsOpen()) return FALSE;
    CCameraSession session(m_pStiDevice);
    if (!session.BeginLocked()) return FALSE;
    ESC_PARAMS params = MakeFileParams(lpszName, 0);
    // The 4-byte output also receives the reported byte count.
    DWORD dwOutput = 0;
    HRESULT hr = session.Escape(ESC_DELETE_FILE, &params, sizeof(params), &dwOutput, sizeof(dwOutput), &dwOutput);
    session.End();
    return SUCCEEDED(hr);
}
