// The modal "Creat path" dialog: one field in which the user types the
// folder that downloads go to. Its user presets m_strPath; OK copies the
// field back into it, Cancel leaves the preset as it was.
#pragma once

#include "resource.h"

#include <afxwin.h>

class CCreatePathDlg : public CDialog {
public:
    explicit CCreatePathDlg(CWnd* pParent = nullptr);

    enum { IDD = IDD_CREATE_PATH };

    CString m_strPath;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Kept as the dialog's own Cancel handler; it only passes on to CDialog.
    void OnCancel() override;
};
