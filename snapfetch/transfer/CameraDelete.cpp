// Deleting the selected pictures, on the camera (or, for pictures that came
// from files, the files), and taking them out of the list.
#include "CameraDlg.h"
#include "CameraSession.h"

namespace {

// With fewer pictures than this from the cursor on, the grid moves back a row.
const int kFullPageRest = 6;

}  // namespace

void CCameraDlg::OnDelete()
{
    int nSelected = m_pictures.CountSelected();
    if (nSelected == 0) return;
    char szQuestion[64];
    wsprintfA(szQuestion, "Do you want to delete %d image(s)?", nSelected);
    if (AfxMessageBox(szQuestion, MB_YESNO | MB_DEFBUTTON2, 0) != IDYES) return;

    // The first selected picture tells what all of them are: camera pictures
    // have a thumbnail length, pictures from files have none.
    m_pictures.FirstSelected();
    BOOL bFromCamera = m_pictures.LookupThumbLength(m_pictures.GetName()) != 0;
    for (int i = 0; i < nSelected; ++i) {
        // Failures are not reported: the picture leaves the list all the
        // same and comes back with the next load if it is still there.
        if (!bFromCamera)
            DeleteFileA(m_pictures.GetName());
        else if (m_bCameraMode == 1)
            DeleteCameraFile(m_pictures.GetName());
        m_pictures.NextSelected();
    }
    if (!m_pictures.RemoveSelected()) return;
    if (m_pictures.m_nCount > kCellCount) {
        if (m_pictures.m_nCount - m_pictures.m_nPosition < kFullPageRest) m_pictures.MoveBack(kRowCells);
    } else {
        m_pictures.Rewind();
    }
    UpdatePageButtons();
    InvalidateGrid();
}

BOOL CCameraDlg::DeleteCameraFile(LPCSTR lpszName)
{
    if (!m_pStillImage || !m_pStiDevice) return FALSE;
    CCameraSession session(m_pStiDevice);
    if (!session.BeginLocked()) return FALSE;
    ESC_PARAMS params = MakeFileParams(lpszName, 0);
    // The 4-byte output also receives the reported byte count.
    DWORD dwOutput = 0;
    HRESULT hr = session.Escape(ESC_DELETE_FILE, &params, sizeof(params), &dwOutput, sizeof(dwOutput), &dwOutput);
    session.End();
    return SUCCEEDED(hr);
}
