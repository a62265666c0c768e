// DecodeMemory on arbitrary bytes: the camera's thumbnails are untrusted.
#include <JpegDecoder.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CJpegDecoder decoder;
    const BYTE* pixels = decoder.DecodeMemory(data, static_cast<DWORD>(size));
    if (pixels) {
        // The whole picture must be there to be copied out.
        const BITMAPINFOHEADER* header = decoder.GetBitmapHeader();
        if (header->biSizeImage != static_cast<DWORD>(header->biWidth) * header->biHeight * 3) __builtin_trap();
        volatile BYTE last = pixels[header->biSizeImage - 1];
        (void)last;
    }
    decoder.FreeBuffers();
    return 0;
}
