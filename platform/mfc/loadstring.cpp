// CString::LoadString: string resources through the platform's LoadStringA.
#include <afxwin.h>

#include <vector>

BOOL CString::LoadString(UINT id)
{
    // Strings are grouped in blocks of 16; the block's module holds the string.
    LPCSTR block = MAKEINTRESOURCEA((id >> 4) + 1);
    HINSTANCE module = AfxFindResourceHandle(block, RT_STRING);
    // A UTF-16 string of up to 65535 units needs at most three bytes per
    // unit in UTF-8; the buffer grows until the string fits.
    for (int capacity = 256;; capacity *= 4) {
        std::vector<char> buffer(static_cast<size_t>(capacity), '\0');
        int length = ::LoadStringA(module, id, buffer.data(), capacity);
        if (length <= 0) {
            Empty();
            return FALSE;
        }
        if (length < capacity - 1 || capacity > 3 * 65536) {
            *this = CString(buffer.data(), length);
            return TRUE;
        }
    }
}
