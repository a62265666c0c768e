// Message boxes. Until windows can be shown, a message box writes its text
// to the standard error stream and answers with its default button.
#include <windows.h>

#include <cstdio>

int WINAPI MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    std::fprintf(stderr, "[%s] %s\n", lpCaption ? lpCaption : "Error", lpText ? lpText : "");
    switch (uType & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return (uType & MB_DEFMASK) == MB_DEFBUTTON2 ? IDNO : IDYES;
    case MB_OKCANCEL: return (uType & MB_DEFMASK) == MB_DEFBUTTON2 ? IDCANCEL : IDOK;
    case MB_RETRYCANCEL: return (uType & MB_DEFMASK) == MB_DEFBUTTON2 ? IDCANCEL : IDRETRY;
    default: return IDOK;
    }
}
