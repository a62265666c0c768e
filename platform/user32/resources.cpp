// Icons, cursors, bitmaps and strings from resources.
#include "user.h"

#include <winplat/gdi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace user {

namespace {

class IconObject : public winplat::KernelObject {
public:
    winplat::ObjectKind Kind() const override { return winplat::ObjectKind::Other; }
    bool ClosableByCloseHandle() const override { return false; }
    Image image;
    winplat::CursorShape shape = winplat::CursorShape::Arrow;
    bool shared = false;  // loaded by LoadIcon / LoadCursor: lives for good
};

HICON Insert(std::shared_ptr<IconObject> icon)
{
    return static_cast<HICON>(winplat::InsertObject(std::move(icon)));
}

// Icons of the system (IDI_...), drawn here: a disc with a mark.
Image SystemIconImage(WORD id)
{
    Image image(32, 32, 0);
    uint32_t disc = 0xFF0000C0, mark = 0xFFFFFFFF;
    switch (id) {
    case 32513: disc = 0xFFD00000; break;  // IDI_HAND
    case 32514: disc = 0xFF0000C0; break;  // IDI_QUESTION
    case 32515: disc = 0xFFE0C000; mark = 0xFF000000; break;  // IDI_EXCLAMATION
    case 32516: disc = 0xFF0000C0; break;  // IDI_ASTERISK
    default: disc = 0xFF008080; break;     // IDI_APPLICATION
    }
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            double dx = x - 15.5, dy = y - 15.5;
            if (dx * dx + dy * dy <= 15.0 * 15.0) image.At(x, y) = disc;
            bool bar = x >= 14 && x <= 17 && ((y >= 7 && y <= 19) || (y >= 22 && y <= 25));
            if (bar) image.At(x, y) = mark;
        }
    }
    return image;
}

std::map<std::pair<HMODULE, std::string>, HICON>& SharedIcons()
{
    static auto* cache = new std::map<std::pair<HMODULE, std::string>, HICON>;
    return *cache;
}

std::string NameKey(LPCSTR name)
{
    return IS_INTRESOURCE(name) ? OrdinalName(LOWORD(name)) : std::string(name);
}

const BYTE* ResourceData(HMODULE module, LPCSTR name, LPCSTR type, DWORD* size)
{
    HRSRC found = FindResourceA(module, name, type);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    *size = SizeofResource(module, found);
    return static_cast<const BYTE*>(LockResource(loaded));
}

// One icon image (RT_ICON): a PNG, or a DIB of twice the icon's height
// holding the colour bits and then the 1-bit transparency mask.
bool DecodeIconImage(const BYTE* data, DWORD size, Image* image)
{
    if (size >= 8 && std::memcmp(data, "\x89PNG", 4) == 0) return winplat::DecodePng(data, size, image);
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof header || header.biSize > size || header.biHeight <= 0 || header.biHeight % 2) {
        return false;
    }
    LONG width = header.biWidth, height = header.biHeight / 2;
    if (width <= 0 || width > 256 || height > 256) return false;
    std::vector<BYTE> dib(data, data + size);
    header.biHeight = height;
    header.biSizeImage = 0;
    std::memcpy(dib.data(), &header, sizeof header);
    if (!winplat::DecodePackedDib(dib.data(), dib.size(), image)) return false;
    size_t colours = header.biBitCount <= 8 ? (header.biClrUsed ? header.biClrUsed : size_t(1) << header.biBitCount) : 0;
    size_t colourStride = ((size_t(width) * header.biBitCount + 31) / 32) * 4;
    size_t colourBits = header.biSize + colours * 4;
    size_t maskBits = colourBits + colourStride * size_t(height);
    size_t maskStride = ((size_t(width) + 31) / 32) * 4;
    bool alpha = false;
    if (header.biBitCount == 32) {
        for (LONG y = 0; y < height; ++y) {
            const BYTE* row = data + colourBits + size_t(height - 1 - y) * colourStride;
            for (LONG x = 0; x < width; ++x) {
                BYTE a = row[x * 4 + 3];
                alpha = alpha || a != 0;
                image->At(x, y) = (image->At(x, y) & 0xFFFFFF) | uint32_t(a) << 24;
            }
        }
    }
    if (!alpha && maskBits + maskStride * size_t(height) <= size) {
        for (LONG y = 0; y < height; ++y) {
            const BYTE* row = data + maskBits + size_t(height - 1 - y) * maskStride;
            for (LONG x = 0; x < width; ++x) {
                bool transparent = (row[x >> 3] >> (7 - (x & 7))) & 1;
                uint32_t& p = image->At(x, y);
                p = transparent ? 0 : (p | 0xFF000000);
            }
        }
    } else if (!alpha) {
        for (uint32_t& p : image->pixels) p |= 0xFF000000;
    }
    return true;
}

// The icon of a group (RT_GROUP_ICON) that best fits the wanted size.
HICON LoadIconFromGroup(HMODULE module, LPCSTR name, int wanted)
{
    DWORD size = 0;
    const BYTE* group = ResourceData(module, name, RT_GROUP_ICON, &size);
    if (!group) return nullptr;
    if (size < 6) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    WORD count = WORD(group[4] | group[5] << 8);
    constexpr size_t kEntry = 14;
    if (count == 0 || 6 + size_t(count) * kEntry > size) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    int best = -1, bestScore = 1 << 30;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* e = group + 6 + i * kEntry;
        int w = e[0] ? e[0] : 256;
        int bits = e[6] | e[7] << 8;
        int score = std::abs(w - wanted) * 64 - bits;
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    const BYTE* e = group + 6 + best * kEntry;
    WORD id = WORD(e[12] | e[13] << 8);
    DWORD iconSize = 0;
    const BYTE* iconData = ResourceData(module, MAKEINTRESOURCEA(id), RT_ICON, &iconSize);
    if (!iconData) return nullptr;
    auto icon = std::make_shared<IconObject>();
    if (!DecodeIconImage(iconData, iconSize, &icon->image)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return Insert(icon);
}

HCURSOR StockCursor(winplat::CursorShape shape)
{
    static std::map<winplat::CursorShape, HCURSOR>* cursors = new std::map<winplat::CursorShape, HCURSOR>;
    HCURSOR& cursor = (*cursors)[shape];
    if (!cursor) {
        auto object = std::make_shared<IconObject>();
        object->shared = true;
        object->shape = shape;
        object->image = Image(32, 32, 0);
        cursor = Insert(object);
    }
    return cursor;
}

int g_cursorCount = 0;
HCURSOR g_cursor = nullptr;

}  // namespace

const Image* IconImage(HICON icon)
{
    auto object = winplat::LookupAs<IconObject>(icon);
    return object ? &object->image : nullptr;
}

winplat::CursorShape CursorShapeOf(HCURSOR cursor)
{
    auto object = winplat::LookupAs<IconObject>(cursor);
    return object ? object->shape : winplat::CursorShape::Arrow;
}

// Appended rather than "#" + number: GCC 12 at -O3 takes a literal put in
// front of a temporary string for an overlapping copy.
std::string OrdinalName(unsigned ordinal)
{
    std::string name(1, '#');
    name += std::to_string(ordinal);
    return name;
}

std::string FromUtf16(const WORD* text, size_t count)
{
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(&out, c);
    }
    return out;
}

void AppendUtf8(std::string* out, char32_t c)
{
    if (c < 0x80) {
        *out += char(c);
    } else if (c < 0x800) {
        *out += char(0xC0 | (c >> 6));
        *out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += char(0xE0 | (c >> 12));
        *out += char(0x80 | ((c >> 6) & 0x3F));
        *out += char(0x80 | (c & 0x3F));
    } else {
        *out += char(0xF0 | (c >> 18));
        *out += char(0x80 | ((c >> 12) & 0x3F));
        *out += char(0x80 | ((c >> 6) & 0x3F));
        *out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace user

using namespace user;

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    if (!lpIconName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HMODULE module = hInstance;
    auto key = std::make_pair(module, NameKey(lpIconName));
    auto found = SharedIcons().find(key);
    if (found != SharedIcons().end()) return found->second;
    HICON icon = nullptr;
    if (!hInstance && IS_INTRESOURCE(lpIconName)) {
        WORD id = LOWORD(lpIconName);
        if (id < 32512 || id > 32517) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        auto object = std::make_shared<IconObject>();
        object->image = SystemIconImage(id);
        icon = Insert(object);
    } else {
        icon = LoadIconFromGroup(module ? module : GetModuleHandleA(nullptr), lpIconName, 32);
    }
    if (!icon) return nullptr;
    winplat::LookupAs<IconObject>(icon)->shared = true;
    SharedIcons()[key] = icon;
    return icon;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    using Shape = winplat::CursorShape;
    if (!hInstance && IS_INTRESOURCE(lpCursorName)) {
        switch (LOWORD(lpCursorName)) {
        case 32512: return StockCursor(Shape::Arrow);
        case 32513: return StockCursor(Shape::IBeam);
        case 32514: return StockCursor(Shape::Wait);
        case 32515: return StockCursor(Shape::Cross);
        case 32649: return StockCursor(Shape::Hand);
        case 32648: return StockCursor(Shape::No);
        case 32650: return StockCursor(Shape::AppStarting);
        default: break;
        }
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // Cursors of a program's own resources show as the arrow.
    HMODULE module = hInstance ? hInstance : GetModuleHandleA(nullptr);
    if (!FindResourceA(module, lpCursorName, RT_GROUP_CURSOR)) return nullptr;
    return StockCursor(Shape::Arrow);
}

HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName)
{
    if (!lpBitmapName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!hInstance) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);  // no system bitmaps here
        return nullptr;
    }
    DWORD size = 0;
    const BYTE* data = ResourceData(hInstance, lpBitmapName, RT_BITMAP, &size);
    if (!data) return nullptr;
    // Resource bitmaps become bitmaps of the display's format.
    Image image;
    if (!winplat::DecodePackedDib(data, size, &image)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return CreateBitmap(image.width, image.height, 1, 32, image.pixels.data());
}

HANDLE WINAPI LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT)
{
    switch (type) {
    case IMAGE_BITMAP: return LoadBitmapA(hInst, name);
    case IMAGE_CURSOR: return LoadCursorA(hInst, name);
    case IMAGE_ICON:
        if (!hInst || (cx == 0 && cy == 0)) return LoadIconA(hInst, name);
        return LoadIconFromGroup(hInst, name, std::max(cx, cy));
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax)
{
    if (!lpBuffer || cchBufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    lpBuffer[0] = '\0';
    HMODULE module = hInstance ? hInstance : GetModuleHandleA(nullptr);
    DWORD size = 0;
    // Strings come in blocks of sixteen: a length and UTF-16 characters each.
    const BYTE* block = ResourceData(module, MAKEINTRESOURCEA((uID >> 4) + 1), RT_STRING, &size);
    if (!block) return 0;
    size_t offset = 0;
    for (UINT i = 0; i <= (uID & 15); ++i) {
        if (offset + 2 > size) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return 0;
        }
        WORD length = WORD(block[offset] | block[offset + 1] << 8);
        if (offset + 2 + size_t(length) * 2 > size) {
            SetLastError(ERROR_INVALID_DATA);
            return 0;
        }
        if (i == (uID & 15)) {
            if (length == 0) {
                SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
                return 0;
            }
            std::vector<WORD> text(length);
            std::memcpy(text.data(), block + offset + 2, size_t(length) * 2);
            std::string utf8 = FromUtf16(text.data(), length);
            lstrcpynA(lpBuffer, utf8.c_str(), cchBufferMax);
            return lstrlenA(lpBuffer);
        }
        offset += 2 + size_t(length) * 2;
    }
    return 0;
}

BOOL WINAPI DestroyIcon(HICON hIcon)
{
    auto icon = winplat::LookupAs<IconObject>(hIcon);
    if (!icon) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!icon->shared) winplat::RemoveObject(hIcon);
    return TRUE;
}

BOOL WINAPI DestroyCursor(HCURSOR hCursor) { return DestroyIcon(hCursor); }

HCURSOR WINAPI SetCursor(HCURSOR hCursor)
{
    HCURSOR previous = g_cursor;
    g_cursor = hCursor;
    if (hCursor) winplat::ThePresenter().SetCursor(CursorShapeOf(hCursor));
    return previous;
}

HCURSOR WINAPI GetCursor(void) { return g_cursor; }

int WINAPI ShowCursor(BOOL bShow)
{
    g_cursorCount += bShow ? 1 : -1;
    return g_cursorCount;
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon)
{
    const Image* image = IconImage(hIcon);
    if (!image) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return winplat::DrawImage(hDC, X, Y, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), *image);
}
