// SHBrowseForFolderA: the shell's folder browser, a modal dialog of the
// platform's dialog manager around shell32's folder tree.
#include "dialog_template.h"
#include "folder_tree.h"
#include "idlist.h"

#include <winplat/resources.h>
#include <winplat/shellbrowse.h>

using namespace winplat::shell;

namespace shell {

namespace {

struct BrowseSession {
    LPBROWSEINFOA info;
    HWND tree = nullptr;
    LPITEMIDLIST result = nullptr;
    bool initialized = false;  // BFFM_INITIALIZED has been sent
};

// Each dialog keeps its session in DWLP_USER, so nested browsers each have
// their own; null before WM_INITDIALOG and after WM_DESTROY.
BrowseSession* SessionOf(HWND dialog) { return reinterpret_cast<BrowseSession*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

// Layout in dialog units; the status line is left out without BIF_STATUSTEXT.
LPCDLGTEMPLATE BuildTemplate(DialogTemplateBuilder& builder, bool statusLine)
{
    short treeTop = statusLine ? 44 : 32;
    builder.AddControl(0x0082, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 7, 7, 206, 22, kBrowseTitleId, "");
    if (statusLine) builder.AddControl(0x0082, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 7, 31, 206, 10, kBrowseStatusId, "");
    builder.AddControl(kFolderTreeClass, WS_VISIBLE | WS_TABSTOP, 7, treeTop, 206, static_cast<short>(172 - treeTop),
                       kBrowseTreeId);
    builder.AddControl(0x0080, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 109, 179, 50, 14, IDOK, "OK");
    builder.AddControl(0x0080, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 163, 179, 50, 14, IDCANCEL, "Cancel");
    return builder.Template();
}

// The selected item as a new id list (the shell allocator's).
LPITEMIDLIST SelectedIdList(HWND tree)
{
    char path[MAX_PATH] = {};
    ItemPath names;
    if (SendMessageA(tree, FTM_GETSELPATH, MAX_PATH, reinterpret_cast<LPARAM>(path)) >= 0) SplitDosPath(path, &names);
    return MakeIdList(names);
}

void Callback(HWND dialog, BrowseSession& session, UINT message, LPARAM lParam)
{
    if (session.info->lpfn) session.info->lpfn(dialog, message, lParam, session.info->lParam);
}

bool SelectionHasPath(HWND tree) { return SendMessageA(tree, FTM_GETSELPATH, 0, 0) >= 0; }

void UpdateOkButton(HWND dialog, BrowseSession& session)
{
    if (session.info->ulFlags & BIF_RETURNONLYFSDIRS) EnableWindow(GetDlgItem(dialog, IDOK), SelectionHasPath(session.tree));
}

void SetSelection(BrowseSession& session, WPARAM byPath, LPARAM lParam)
{
    std::string path;
    if (byPath) {
        if (lParam) path = reinterpret_cast<const char*>(lParam);
    } else {
        ItemPath names;
        if (!ParseIdList(reinterpret_cast<const void*>(lParam), kMaxIdListBytes, &names)) return;
        DosPathOf(names, &path);  // the empty list: "My Computer"
    }
    SendMessageA(session.tree, FTM_SELECTPATH, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

BOOL InitDialog(HWND dialog, BrowseSession* session)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(session));
    session->tree = GetDlgItem(dialog, kBrowseTreeId);
    SetDlgItemTextA(dialog, kBrowseTitleId, session->info->lpszTitle ? session->info->lpszTitle : "");
    // The first selection; a new tree already has "My Computer" selected.
    SetSelection(*session, FALSE, reinterpret_cast<LPARAM>(session->info->pidlRoot));
    UpdateOkButton(dialog, *session);
    SetFocus(session->tree);
    // From here on selection changes are reported, those the callback makes
    // while it handles BFFM_INITIALIZED included.
    session->initialized = true;
    Callback(dialog, *session, BFFM_INITIALIZED, 0);
    return FALSE;  // the focus is set
}

void Finish(HWND dialog, BrowseSession& session)
{
    if (!IsWindowEnabled(GetDlgItem(dialog, IDOK))) return;
    session.result = SelectedIdList(session.tree);
    if (session.info->pszDisplayName)
        SendMessageA(session.tree, FTM_GETSELNAME, MAX_PATH, reinterpret_cast<LPARAM>(session.info->pszDisplayName));
    EndDialog(dialog, IDOK);
}

void SelectionChanged(HWND dialog, BrowseSession& session)
{
    UpdateOkButton(dialog, session);
    if (!session.initialized) return;
    LPITEMIDLIST list = SelectedIdList(session.tree);
    Callback(dialog, session, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(list));
    CoTaskMemFree(list);
}

INT_PTR CALLBACK BrowseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return InitDialog(dialog, reinterpret_cast<BrowseSession*>(lParam));
    BrowseSession* session = SessionOf(dialog);
    if (!session) return FALSE;
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            Finish(dialog, *session);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        } else if (LOWORD(wParam) == kBrowseTreeId && HIWORD(wParam) == FTN_SELCHANGED) {
            SelectionChanged(dialog, *session);
        }
        return TRUE;
    case BFFM_SETSELECTIONA: SetSelection(*session, wParam, lParam); return TRUE;
    case BFFM_SETSTATUSTEXTA:
        SetDlgItemTextA(dialog, kBrowseStatusId, lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
        return TRUE;
    case BFFM_ENABLEOK: EnableWindow(GetDlgItem(dialog, IDOK), lParam != 0); return TRUE;
    case WM_DESTROY: SetWindowLongPtrA(dialog, DWLP_USER, 0); return FALSE;
    default: return FALSE;
    }
}

HINSTANCE ThisModule() { return winplat::ModuleFromAddress(reinterpret_cast<const void*>(&BrowseDialogProc)); }

}  // namespace

}  // namespace shell

LPITEMIDLIST WINAPI SHBrowseForFolderA(LPBROWSEINFOA lpbi)
{
    if (!lpbi) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HINSTANCE module = shell::ThisModule();
    if (!shell::RegisterFolderTree(module)) return nullptr;
    shell::DialogTemplateBuilder builder(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 220, 200,
                                         "Browse for Folder", 10, "System");
    LPCDLGTEMPLATE dialogTemplate = shell::BuildTemplate(builder, (lpbi->ulFlags & BIF_STATUSTEXT) != 0);
    shell::BrowseSession session{lpbi};
    INT_PTR answer = DialogBoxIndirectParamA(module, dialogTemplate, lpbi->hwndOwner, shell::BrowseDialogProc,
                                             reinterpret_cast<LPARAM>(&session));
    if (answer != IDOK) {
        CoTaskMemFree(session.result);
        return nullptr;
    }
    return session.result;
}

BOOL WINAPI SHGetPathFromIDListA(LPCITEMIDLIST pidl, LPSTR pszPath)
{
    if (!pszPath) return FALSE;
    pszPath[0] = '\0';
    shell::ItemPath names;
    std::string path;
    if (!shell::ParseIdList(pidl, shell::kMaxIdListBytes, &names) || !shell::DosPathOf(names, &path)) return FALSE;
    lstrcpynA(pszPath, path.c_str(), MAX_PATH);
    return TRUE;
}

HRESULT WINAPI SHGetMalloc(IMalloc** ppMalloc) { return CoGetMalloc(MEMCTX_TASK, ppMalloc); }

void WINAPI ILFree(LPITEMIDLIST pidl) { CoTaskMemFree(pidl); }
