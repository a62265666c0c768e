// The stand-in's object table, shared by every platform library.
//
// Handles are small integers (multiples of 4, below 2^30) so that they fit in
// the 32-bit fields where the platform's programs keep them. Every library of
// the platform that hands out handles (kernel objects, windows, GDI objects)
// allocates them here, so no two live objects of any kind share a value.
#pragma once

#include <windef.h>

#include <memory>

namespace winplat {

enum class ObjectKind {
    Event,
    File,
    Device,
    FindSearch,
    Heap,
    GlobalMemory,
    Window,
    Gdi,
    Other,
};

class KernelObject {
public:
    virtual ~KernelObject() = default;
    virtual ObjectKind Kind() const = 0;
    // Objects that CloseHandle may close. Windows, GDI objects, heaps and
    // global memory have close functions of their own.
    virtual bool ClosableByCloseHandle() const { return true; }
    // Called once when the last handle to the object is closed.
    virtual void OnClose() {}
};

// Enters the object and returns its new handle, or null when the table is full.
WINPLAT_EXPORT HANDLE InsertObject(std::shared_ptr<KernelObject> object);
// The object behind a handle, or null for an unknown or closed handle.
WINPLAT_EXPORT std::shared_ptr<KernelObject> LookupObject(HANDLE handle);
// Removes a handle from the table; returns the object it held (null if none).
WINPLAT_EXPORT std::shared_ptr<KernelObject> RemoveObject(HANDLE handle);
// Number of live handles of one kind (leak checks in tests).
WINPLAT_EXPORT size_t CountObjects(ObjectKind kind);

template <class T>
std::shared_ptr<T> LookupAs(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(LookupObject(handle));
}

}  // namespace winplat
