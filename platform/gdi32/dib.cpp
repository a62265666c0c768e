// Device-independent bitmaps and the bitmaps made from them.
#include "dib.h"

#include "raster.h"

#include <winplat/gdi.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace gdi {

namespace {

int ShiftOf(uint32_t mask)
{
    if (!mask) return 0;
    int shift = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// Scales a masked channel value to 8 bits.
uint32_t Channel(uint32_t value, uint32_t mask)
{
    if (!mask) return 0;
    uint32_t bits = mask >> ShiftOf(mask);
    uint32_t v = (value & mask) >> ShiftOf(mask);
    return bits ? v * 255 / bits : 0;
}

uint32_t Unchannel(uint32_t value8, uint32_t mask)
{
    if (!mask) return 0;
    uint32_t bits = mask >> ShiftOf(mask);
    return ((value8 * bits + 127) / 255) << ShiftOf(mask);
}

uint32_t ReadLE32(const BYTE* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// Copies DIB rows into an image: row y of the image from the DIB's row
// that shows at y.
void DecodeRows(const DibFormat& f, const BYTE* bits, Image* image)
{
    for (int y = 0; y < f.height; ++y) {
        const BYTE* row = bits + size_t(f.topDown ? y : f.height - 1 - y) * f.stride;
        for (int x = 0; x < f.width; ++x) image->At(x, y) = f.Read(row, x);
    }
}

}  // namespace

bool ParseDib(const void* info, size_t available, UINT usage, DibFormat* f)
{
    if (!info || available < 12 || usage != DIB_RGB_COLORS) return false;
    const BYTE* p = static_cast<const BYTE*>(info);
    DWORD headerSize = ReadLE32(p);
    DWORD compression = BI_RGB, clrUsed = 0;
    bool core = headerSize == 12;
    long long width, height;
    int bpp;
    if (core) {
        width = p[4] | p[5] << 8;
        height = p[6] | p[7] << 8;
        bpp = p[10] | p[11] << 8;
    } else {
        if (headerSize < sizeof(BITMAPINFOHEADER) || available < headerSize) return false;
        BITMAPINFOHEADER h;
        std::memcpy(&h, p, sizeof h);
        width = h.biWidth;
        height = h.biHeight;
        bpp = h.biBitCount;
        compression = h.biCompression;
        clrUsed = h.biClrUsed;
        f->sizeImage = h.biSizeImage;
    }
    if (width <= 0 || height == 0 || height == std::numeric_limits<LONG>::min()) return false;
    f->topDown = height < 0;
    if (height < 0) height = -height;
    if (width > kLargestSide || height > kLargestSide) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return false;
    f->width = static_cast<int>(width);
    f->height = static_cast<int>(height);
    f->bitsPixel = bpp;
    f->stride = ((size_t(width) * size_t(bpp) + 31) / 32) * 4;
    size_t offset = headerSize;
    if (compression == BI_BITFIELDS) {
        // Masks follow a 40-byte header; later headers hold them inside.
        const BYTE* m = headerSize == sizeof(BITMAPINFOHEADER) ? p + offset : p + 40;
        if (headerSize == sizeof(BITMAPINFOHEADER)) {
            if (available < offset + 12) return false;
            offset += 12;
        } else if (headerSize < 52) {
            return false;
        }
        for (int i = 0; i < 3; ++i) f->masks[i] = ReadLE32(m + 4 * i);
    } else if (bpp == 16) {
        f->masks[0] = 0x7C00;
        f->masks[1] = 0x03E0;
        f->masks[2] = 0x001F;
    } else if (bpp >= 24) {
        f->masks[0] = 0xFF0000;
        f->masks[1] = 0x00FF00;
        f->masks[2] = 0x0000FF;
    }
    size_t colours = 0;
    if (bpp <= 8) colours = clrUsed ? std::min<size_t>(clrUsed, size_t(1) << bpp) : size_t(1) << bpp;
    size_t entry = core ? 3 : 4;
    if (available < offset + colours * entry) return false;
    f->palette.resize(colours);
    for (size_t i = 0; i < colours; ++i) {
        const BYTE* c = p + offset + i * entry;
        f->palette[i] = 0xFF000000 | uint32_t(c[2]) << 16 | uint32_t(c[1]) << 8 | c[0];
    }
    f->infoBytes = offset + colours * entry;
    return true;
}

uint32_t DibFormat::Read(const BYTE* row, int x) const
{
    size_t index;
    switch (bitsPixel) {
    case 1: index = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
    case 4: index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF; break;
    case 8: index = row[x]; break;
    case 16: {
        uint32_t v = uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
        return 0xFF000000 | Channel(v, masks[0]) << 16 | Channel(v, masks[1]) << 8 | Channel(v, masks[2]);
    }
    case 24: {
        const BYTE* c = row + 3 * size_t(x);
        return 0xFF000000 | uint32_t(c[2]) << 16 | uint32_t(c[1]) << 8 | c[0];
    }
    default: {
        uint32_t v = ReadLE32(row + 4 * size_t(x));
        return 0xFF000000 | Channel(v, masks[0]) << 16 | Channel(v, masks[1]) << 8 | Channel(v, masks[2]);
    }
    }
    // An index past the colour table reads as black.
    return index < palette.size() ? palette[index] : kBlack;
}

void DibFormat::Write(BYTE* row, int x, uint32_t pixel) const
{
    uint32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    if (bitsPixel <= 8) {
        // The nearest colour of the table.
        size_t best = 0;
        long bestDistance = std::numeric_limits<long>::max();
        for (size_t i = 0; i < palette.size(); ++i) {
            long dr = long((palette[i] >> 16) & 0xFF) - long(r);
            long dg = long((palette[i] >> 8) & 0xFF) - long(g);
            long db = long(palette[i] & 0xFF) - long(b);
            long d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
                if (d == 0) break;
            }
        }
        if (bitsPixel == 1) {
            BYTE bit = BYTE(0x80 >> (x & 7));
            row[x >> 3] = best ? BYTE(row[x >> 3] | bit) : BYTE(row[x >> 3] & ~bit);
        } else if (bitsPixel == 4) {
            BYTE& byte = row[x >> 1];
            byte = (x & 1) ? BYTE((byte & 0xF0) | best) : BYTE((byte & 0x0F) | (best << 4));
        } else {
            row[x] = BYTE(best);
        }
        return;
    }
    if (bitsPixel == 24) {
        BYTE* c = row + 3 * size_t(x);
        c[0] = BYTE(b);
        c[1] = BYTE(g);
        c[2] = BYTE(r);
        return;
    }
    uint32_t v = Unchannel(r, masks[0]) | Unchannel(g, masks[1]) | Unchannel(b, masks[2]);
    if (bitsPixel == 16) {
        row[2 * x] = BYTE(v);
        row[2 * x + 1] = BYTE(v >> 8);
    } else {
        std::memcpy(row + 4 * size_t(x), &v, 4);
    }
}

void Bitmap::LoadFromDib()
{
    DibFormat f;
    if (!ParseDib(dibInfo.data(), dibInfo.size(), DIB_RGB_COLORS, &f) || dibBits.size() < f.ImageBytes()) return;
    DecodeRows(f, dibBits.data(), image.get());
}

void Bitmap::StoreToDib()
{
    DibFormat f;
    if (!ParseDib(dibInfo.data(), dibInfo.size(), DIB_RGB_COLORS, &f) || dibBits.size() < f.ImageBytes()) return;
    for (int y = 0; y < f.height; ++y) {
        BYTE* row = dibBits.data() + size_t(f.topDown ? y : f.height - 1 - y) * f.stride;
        for (int x = 0; x < f.width; ++x) f.Write(row, x, image->At(x, y));
    }
}

}  // namespace gdi

using namespace gdi;

namespace {

constexpr size_t kUnknownSize = std::numeric_limits<size_t>::max() / 2;

std::shared_ptr<Bitmap> NewBitmap(int width, int height, int bitsPixel)
{
    if (width < 0 || height < 0 || width > kLargestSide || height > kLargestSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->bitsPixel = bitsPixel;
    *bitmap->image = Image(width, height, kBlack);
    return bitmap;
}

}  // namespace

namespace winplat {

bool DecodePackedDib(const void* dib, size_t size, Image* image)
{
    DibFormat f;
    if (!ParseDib(dib, size, DIB_RGB_COLORS, &f)) return false;
    if (size - f.infoBytes < f.ImageBytes()) return false;
    Image decoded(f.width, f.height);
    DecodeRows(f, static_cast<const BYTE*>(dib) + f.infoBytes, &decoded);
    *image = std::move(decoded);
    return true;
}

}  // namespace winplat

HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits)
{
    if (nPlanes != 1 || (nBitCount != 1 && nBitCount != 4 && nBitCount != 8 && nBitCount != 16 &&
                         nBitCount != 24 && nBitCount != 32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto bitmap = NewBitmap(nWidth, nHeight, nBitCount == 1 ? 1 : 32);
    if (!bitmap) return nullptr;
    if (lpBits && nBitCount == 1) {
        // Device bitmaps have rows of whole words; a set bit is white.
        size_t stride = ((size_t(nWidth) + 15) / 16) * 2;
        const BYTE* bits = static_cast<const BYTE*>(lpBits);
        for (int y = 0; y < nHeight; ++y) {
            for (int x = 0; x < nWidth; ++x) {
                bool white = (bits[size_t(y) * stride + size_t(x >> 3)] >> (7 - (x & 7))) & 1;
                bitmap->image->At(x, y) = white ? kWhite : kBlack;
            }
        }
    } else if (lpBits && nBitCount == 32) {
        const BYTE* bits = static_cast<const BYTE*>(lpBits);
        for (size_t i = 0; i < bitmap->image->pixels.size(); ++i) {
            uint32_t v;
            std::memcpy(&v, bits + 4 * i, 4);
            bitmap->image->pixels[i] = v | 0xFF000000;
        }
    }
    return static_cast<HBITMAP>(Insert(bitmap));
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy)
{
    auto dc = GetDc(hdc);
    if (!dc) return nullptr;
    if (cx == 0 || cy == 0) return CreateBitmap(1, 1, 1, 1, nullptr);
    // As on the platform, a memory DC that still holds its first bitmap is
    // monochrome, and so are the bitmaps made compatible with it.
    auto bitmap = NewBitmap(cx, cy, dc->Monochrome() ? 1 : 32);
    return bitmap ? static_cast<HBITMAP>(Insert(bitmap)) : nullptr;
}

HBITMAP WINAPI CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit, const void* pjBits,
                              const BITMAPINFO* pbmi, UINT iUsage)
{
    if (hdc && !GetDc(hdc)) return nullptr;
    if (!pbmih) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LONG height = pbmih->biHeight < 0 ? -pbmih->biHeight : pbmih->biHeight;
    auto bitmap = NewBitmap(pbmih->biWidth, height, 32);
    if (!bitmap) return nullptr;
    if ((flInit & CBM_INIT) && pjBits && pbmi) {
        DibFormat f;
        if (!ParseDib(pbmi, kUnknownSize, iUsage, &f) || f.width != bitmap->image->width ||
            f.height != bitmap->image->height) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        if (f.sizeImage && f.sizeImage < f.ImageBytes()) {
            SetLastError(ERROR_INVALID_DATA);  // fewer bits than the header describes
            return nullptr;
        }
        DecodeRows(f, static_cast<const BYTE*>(pjBits), bitmap->image.get());
    }
    return static_cast<HBITMAP>(Insert(bitmap));
}

HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                                DWORD offset)
{
    if (ppvBits) *ppvBits = nullptr;
    DibFormat f;
    if ((hdc && !GetDc(hdc)) || hSection || offset || !ParseDib(pbmi, kUnknownSize, usage, &f)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto bitmap = NewBitmap(f.width, f.height, f.bitsPixel);
    if (!bitmap) return nullptr;
    bitmap->bitsPixel = f.bitsPixel;
    bitmap->dibSection = true;
    const BYTE* info = reinterpret_cast<const BYTE*>(pbmi);
    bitmap->dibInfo.assign(info, info + f.infoBytes);
    bitmap->dibBits.assign(f.ImageBytes(), 0);
    bitmap->LoadFromDib();
    if (ppvBits) *ppvBits = bitmap->dibBits.data();
    return static_cast<HBITMAP>(Insert(bitmap));
}

int WINAPI SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                             UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi, UINT ColorUse)
{
    auto dc = GetDc(hdc);
    if (!dc) return 0;
    DibFormat f;
    if (!lpvBits || !ParseDib(lpbmi, kUnknownSize, ColorUse, &f) || w > DWORD(kLargestSide) ||
        h > DWORD(kLargestSide)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // The bits hold cLines rows from StartScan on; never read past them,
    // nor past what the header says the bits hold.
    if (StartScan >= UINT(f.height)) return 0;
    UINT lines = std::min<UINT>(cLines, UINT(f.height) - StartScan);
    if (f.sizeImage) lines = std::min<UINT>(lines, UINT(f.sizeImage / f.stride));
    if (lines == 0) return 0;
    Image* target = dc->Target();
    if (!target) return 0;
    const BYTE* bits = static_cast<const BYTE*>(lpvBits);
    bool mono = dc->Monochrome();
    int left = dc->DeviceX(xDest), top = dc->DeviceY(yDest);
    RECT rect{left, top, left + int(w), top + int(h)};
    ForEachClipped(*dc, rect, [&](const RECT& r) {
        for (int y = r.top; y < r.bottom; ++y) {
            int j = y - top;
            // Bottom-up rows count from the bottom of the picture: the top
            // destination row shows the highest source row.
            long long dibRow = f.topDown ? (long long)ySrc + j : (long long)ySrc + (long long)h - 1 - j;
            long long line = dibRow - StartScan;
            if (line < 0 || line >= (long long)lines) continue;
            const BYTE* row = bits + size_t(line) * f.stride;
            // Only the columns the DIB has.
            long long first = std::max<long long>(r.left, (long long)left - xSrc);
            long long last = std::min<long long>(r.right, (long long)left - xSrc + f.width);
            uint32_t* out = &target->At(0, y);
            if (f.bitsPixel == 24 && !mono) {
                for (long long x = first; x < last; ++x) {
                    const BYTE* c = row + 3 * size_t(xSrc + (x - left));
                    out[x] = 0xFF000000 | uint32_t(c[2]) << 16 | uint32_t(c[1]) << 8 | c[0];
                }
                continue;
            }
            for (long long x = first; x < last; ++x) out[x] = ForTarget(*dc, f.Read(row, int(xSrc + (x - left))));
        }
    });
    dc->Drew();
    return int(lines);
}

int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                         int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage,
                         DWORD rop)
{
    auto dc = GetDc(hdc);
    if (!dc) return 0;
    DibFormat f;
    if (!lpBits || !ParseDib(lpbmi, kUnknownSize, iUsage, &f) || SrcWidth == 0 || SrcHeight == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (f.sizeImage && f.sizeImage < f.ImageBytes()) {
        SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    // Through a temporary memory DC, so that StretchBlt does the scaling
    // and the raster operation.
    Image picture(f.width, f.height);
    DecodeRows(f, static_cast<const BYTE*>(lpBits), &picture);
    auto bitmap = NewBitmap(f.width, f.height, 32);
    *bitmap->image = std::move(picture);
    HBITMAP hbm = static_cast<HBITMAP>(Insert(bitmap));
    HDC memory = CreateCompatibleDC(hdc);
    HGDIOBJ old = SelectObject(memory, hbm);
    // DIB source rectangles count rows from the bottom of the picture.
    int sy = f.topDown ? ySrc : f.height - ySrc - SrcHeight;
    BOOL ok = StretchBlt(hdc, xDest, yDest, DestWidth, DestHeight, memory, xSrc, sy, SrcWidth, SrcHeight, rop);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(hbm);
    return ok ? f.height : 0;
}

int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi, UINT usage)
{
    auto bitmap = FindAs<Bitmap>(hbm);
    if (!GetDc(hdc) || !bitmap || !lpbmi || usage != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (bitmap->dibSection) bitmap->LoadFromDib();
    const Image& image = *bitmap->image;
    BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    if (!lpvBits) {
        // Tell the caller the bitmap's size and a format that holds it.
        if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
        h.biWidth = image.width;
        h.biHeight = image.height;
        h.biPlanes = 1;
        if (h.biBitCount == 0) h.biBitCount = 32;
        h.biCompression = BI_RGB;
        h.biSizeImage = DWORD(((size_t(image.width) * h.biBitCount + 31) / 32) * 4 * size_t(image.height));
        return image.height;
    }
    DibFormat f;
    if (h.biBitCount < 16 || !ParseDib(lpbmi, kUnknownSize, usage, &f) || f.width != image.width) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT lines = 0;
    for (UINT i = 0; i < cLines && start + i < UINT(f.height) && start + i < UINT(image.height); ++i) {
        UINT dibRow = start + i;
        int y = f.topDown ? int(dibRow) : image.height - 1 - int(dibRow);
        BYTE* row = static_cast<BYTE*>(lpvBits) + size_t(i) * f.stride;
        for (int x = 0; x < f.width; ++x) f.Write(row, x, image.At(x, y));
        ++lines;
    }
    return int(lines);
}
