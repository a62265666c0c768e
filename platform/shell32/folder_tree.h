// The folder tree control of the browser (see winplat/shellbrowse.h).
#pragma once

#include <windows.h>

namespace shell {

// Registers the tree's window class for the module; true when it exists.
bool RegisterFolderTree(HINSTANCE module);

}  // namespace shell
