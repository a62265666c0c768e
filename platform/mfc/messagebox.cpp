// AfxMessageBox.
#include <afxwin.h>

int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType, UINT)
{
    return MessageBoxA(nullptr, lpszText, nullptr, nType);
}
