#include "ArtFiles.h"

#include <algorithm>
#include <cstring>

namespace art {

namespace {

using Bytes = std::vector<BYTE>;

void PutU16(Bytes& out, unsigned value)
{
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

void PutU32(Bytes& out, DWORD value)
{
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

void PutInfoHeader(Bytes& out, LONG width, LONG height, int bitsPerPixel, DWORD imageSize)
{
    PutU32(out, sizeof(BITMAPINFOHEADER));
    PutU32(out, static_cast<DWORD>(width));
    PutU32(out, static_cast<DWORD>(height));
    PutU16(out, 1);
    PutU16(out, static_cast<unsigned>(bitsPerPixel));
    PutU32(out, BI_RGB);
    PutU32(out, imageSize);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
}

size_t Stride(int width, int bitsPerPixel) { return ((static_cast<size_t>(width) * bitsPerPixel + 31) / 32) * 4; }

bool WriteFileBytes(const std::string& path, const Bytes& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// The distinct colours of the picture, in the order they first appear.
std::vector<COLORREF> PaletteOf(const Picture& picture)
{
    std::vector<COLORREF> palette;
    for (COLORREF colour : picture.pixels)
        if (std::find(palette.begin(), palette.end(), colour) == palette.end()) palette.push_back(colour);
    return palette;
}

void PutIndex(BYTE* row, int x, int bitsPerPixel, BYTE index)
{
    if (bitsPerPixel == 8) {
        row[x] = index;
        return;
    }
    int shift = (x & 1) ? 0 : 4;  // the first pixel in the high nibble
    row[x / 2] = static_cast<BYTE>(row[x / 2] | (index << shift));
}

}  // namespace

bool WriteBitmapFile(const std::string& path, const Picture& picture, int bitsPerPixel)
{
    std::vector<COLORREF> palette = PaletteOf(picture);
    const size_t paletteSize = size_t(1) << bitsPerPixel;
    if (palette.size() > paletteSize) return false;
    palette.resize(paletteSize, RGB(0, 0, 0));

    const size_t stride = Stride(picture.width, bitsPerPixel);
    Bytes bits(stride * picture.height, 0);
    for (int y = 0; y < picture.height; ++y) {
        BYTE* row = bits.data() + (picture.height - 1 - y) * stride;  // bottom-up
        for (int x = 0; x < picture.width; ++x) {
            auto found = std::find(palette.begin(), palette.end(), picture.At(x, y));
            PutIndex(row, x, bitsPerPixel, static_cast<BYTE>(found - palette.begin()));
        }
    }

    const DWORD headers = 14 + sizeof(BITMAPINFOHEADER) + static_cast<DWORD>(paletteSize * 4);
    Bytes file;
    file.push_back('B');
    file.push_back('M');
    PutU32(file, headers + static_cast<DWORD>(bits.size()));
    PutU32(file, 0);
    PutU32(file, headers);
    PutInfoHeader(file, picture.width, picture.height, bitsPerPixel, static_cast<DWORD>(bits.size()));
    for (COLORREF colour : palette) {
        file.push_back(GetBValue(colour));
        file.push_back(GetGValue(colour));
        file.push_back(GetRValue(colour));
        file.push_back(0);
    }
    file.insert(file.end(), bits.begin(), bits.end());
    return WriteFileBytes(path, file);
}

namespace {

// An icon image: the colour bits (32-bit, with alpha) and the 1-bit mask
// under them, both bottom-up, in a header of twice the height.
Bytes IconImageBytes(const IconImage& image)
{
    const Picture& p = image.picture;
    Bytes out;
    const size_t maskStride = Stride(p.width, 1);
    PutInfoHeader(out, p.width, p.height * 2, 32,
                  static_cast<DWORD>(p.width * p.height * 4 + maskStride * p.height));
    for (int y = p.height - 1; y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) {
            COLORREF colour = p.At(x, y);
            bool clear = colour == image.transparent;
            out.push_back(GetBValue(colour));
            out.push_back(GetGValue(colour));
            out.push_back(GetRValue(colour));
            out.push_back(clear ? 0 : 255);
        }
    }
    for (int y = p.height - 1; y >= 0; --y) {
        Bytes row(maskStride, 0);
        for (int x = 0; x < p.width; ++x)
            if (p.At(x, y) == image.transparent) row[x / 8] = static_cast<BYTE>(row[x / 8] | (0x80 >> (x % 8)));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

bool WriteIconFile(const std::string& path, const std::vector<IconImage>& images)
{
    std::vector<Bytes> bodies;
    for (const IconImage& image : images) bodies.push_back(IconImageBytes(image));
    Bytes file;
    PutU16(file, 0);
    PutU16(file, 1);  // an icon
    PutU16(file, static_cast<unsigned>(images.size()));
    DWORD offset = static_cast<DWORD>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        file.push_back(static_cast<BYTE>(images[i].picture.width));
        file.push_back(static_cast<BYTE>(images[i].picture.height));
        file.push_back(0);  // no palette
        file.push_back(0);
        PutU16(file, 1);
        PutU16(file, 32);
        PutU32(file, static_cast<DWORD>(bodies[i].size()));
        PutU32(file, offset);
        offset += static_cast<DWORD>(bodies[i].size());
    }
    for (const Bytes& body : bodies) file.insert(file.end(), body.begin(), body.end());
    return WriteFileBytes(path, file);
}

}  // namespace art
