// kernel32-internal: the raw memory behind heaps and global blocks. Callers
// apply their own limits and report failures themselves.
#pragma once

#include <windef.h>

#include <cstdlib>
#include <cstring>

namespace kernel32 {

// A block of `size` bytes, zeroed if asked; a block of size 0 still gets an
// address of its own. Null when memory runs out.
inline void* AllocateBytes(SIZE_T size, bool zero)
{
    return zero ? std::calloc(1, size ? size : 1) : std::malloc(size ? size : 1);
}

// Resizes a block of oldSize bytes to newSize; with zero, bytes past the old
// end are zeroed. Null when memory runs out, and then p is left as it was.
inline void* ResizeBytes(void* p, SIZE_T oldSize, SIZE_T newSize, bool zero)
{
    void* q = std::realloc(p, newSize ? newSize : 1);
    if (q && zero && newSize > oldSize) memset(static_cast<BYTE*>(q) + oldSize, 0, newSize - oldSize);
    return q;
}

}  // namespace kernel32
