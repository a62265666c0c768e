// Resources of the stand-in's modules.
//
// A program or module enters its resources at start-up (the resource
// compiler's output does this from a static initialiser); FindResourceA,
// LoadResource and LockResource then find them by module, type and name,
// as on the platform. Names and types are integer ids (MAKEINTRESOURCE) or
// strings compared without regard to letter case. Data stays the caller's
// (static data of the module) and is in the platform's binary formats.
#pragma once

#include <windef.h>

namespace winplat {

WINPLAT_EXPORT void RegisterResource(HMODULE module, LPCSTR type, LPCSTR name, const void* data, DWORD size);
// Forgets every resource of a module (called when it is unloaded).
WINPLAT_EXPORT void UnregisterResources(HMODULE module);
// The module that contains an address of code or static data.
WINPLAT_EXPORT HMODULE ModuleFromAddress(const void* address);

}  // namespace winplat
