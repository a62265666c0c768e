// The list's thumbnail reduction on a moveable block of arbitrary bytes: the
// header's values and the block's size are both the input's.
#include <PictureList.h>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HGLOBAL source = GlobalAlloc(GMEM_MOVEABLE, size);
    if (size) {
        void* bytes = GlobalLock(source);
        memcpy(bytes, data, size);
        GlobalUnlock(source);
    }
    CPictureList list;
    list.Add("S0000001", 1, 1, source);
    GlobalFree(source);
    if (list.m_nCount != 1) __builtin_trap();  // the node is added whatever the thumbnail
    // Tall narrow or wide flat pictures may reduce to no columns or no rows.
    if (HGLOBAL thumb = list.GetThumbnail()) {
        auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(thumb));
        bool fits = header->biWidth >= 0 && header->biWidth <= 94 && header->biHeight >= 0 && header->biHeight <= 70 &&
                    GlobalSize(thumb) == sizeof(BITMAPINFOHEADER) + header->biSizeImage;
        GlobalUnlock(thumb);
        if (!fits) __builtin_trap();
    }
    return 0;
}
