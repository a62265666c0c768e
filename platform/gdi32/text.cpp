// Fonts and text: faces found by fontconfig, glyphs drawn by FreeType.
//
// The platform ships its own fonts, the DejaVu families, and maps every face
// name to one of them: "System" (the dialog font of the period) to bold
// DejaVu Sans, "Courier New" and the other fixed-pitch names to DejaVu Sans
// Mono, the serif names to DejaVu Serif, the sans names to DejaVu Sans, and a
// name it does not know by the pitch and family asked for. The family is
// looked up by its own name, past the host's aliases and preferences, so
// fonts a user adds change nothing; only a host without it falls back to
// fontconfig's generic family. A positive height asks for the cell height
// (ascent plus descent), a negative one for the character height (the em).
// Glyphs are drawn without anti-aliasing, as the platform draws them by
// default, so text has exactly the text colour; ANTIALIASED_QUALITY asks for
// smoothed edges.
#include "raster.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <strings.h>
#include <unordered_map>

namespace gdi {

struct Glyph {
    int advance = 0;
    int left = 0;  // from the pen position to the bitmap's left edge
    int top = 0;   // from the baseline up to the bitmap's top edge
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;  // 0..255 per pixel
};

class RealFont {
public:
    FT_Face face = nullptr;
    bool emboldened = false;  // bold made from a regular face
    bool slanted = false;
    bool smooth = false;
    std::string family;
    LONG ascent = 0, descent = 0, height = 0, internalLeading = 0, aveCharWidth = 0, maxCharWidth = 0;
    bool fixedPitch = false;
    BYTE typeFamily = FF_DONTCARE;  // FF_SWISS, FF_MODERN or FF_ROMAN
    std::unordered_map<char32_t, Glyph> glyphs;

    RealFont() = default;
    RealFont(const RealFont&) = delete;
    RealFont& operator=(const RealFont&) = delete;
    // The cache holds every font, so the last owner to let go is the cache,
    // under the text lock that all FreeType calls are made under.
    ~RealFont()
    {
        if (face) FT_Done_Face(face);
    }

    const Glyph& GlyphOf(char32_t c);
};

namespace {

std::mutex& TextLock()
{
    static std::mutex lock;
    return lock;
}

FT_Library Library()
{
    static FT_Library library = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) return static_cast<FT_Library>(nullptr);
        return l;
    }();
    return library;
}

bool NameIs(const char* face, std::initializer_list<const char*> names)
{
    for (const char* n : names) {
        if (strcasecmp(face, n) == 0) return true;
    }
    return false;
}

// A family the platform ships, and the generic family that stands in for it
// on a host without it.
struct ShippedFamily {
    const char* name;
    const char* generic;
    bool monospace;
    BYTE typeFamily;
};

constexpr ShippedFamily kSans{"DejaVu Sans", "sans-serif", false, FF_SWISS};
constexpr ShippedFamily kMono{"DejaVu Sans Mono", "monospace", true, FF_MODERN};
constexpr ShippedFamily kSerif{"DejaVu Serif", "serif", false, FF_ROMAN};

struct FaceRequest {
    const ShippedFamily* family = &kSans;
    bool bold = false;
    bool italic = false;
};

const ShippedFamily& FamilyOf(const char* face, BYTE pitchAndFamily)
{
    if (NameIs(face, {"DejaVu Sans Mono", "Courier New", "Courier", "Fixedsys", "Terminal", "Lucida Console",
                      "Consolas"}))
        return kMono;
    if (NameIs(face, {"DejaVu Serif", "Times New Roman", "Times", "Tms Rmn", "Georgia", "MS Serif"})) return kSerif;
    if (NameIs(face, {"DejaVu Sans", "System", "Arial", "MS Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2", "Helv",
                      "Tahoma", "Verdana", "Helvetica", "Small Fonts"}))
        return kSans;
    // No name, or one the platform has no face for: the nearest by the pitch
    // and family asked for.
    BYTE pitch = pitchAndFamily & 0x3;
    BYTE family = pitchAndFamily & 0xF0;
    if (pitch == FIXED_PITCH || family == FF_MODERN) return kMono;
    if (family == FF_ROMAN) return kSerif;
    return kSans;
}

FaceRequest RequestOf(const LOGFONTA& lf)
{
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
    FaceRequest r;
    r.family = &FamilyOf(face, lf.lfPitchAndFamily);
    r.bold = lf.lfWeight >= FW_SEMIBOLD || NameIs(face, {"System"});  // "System" is always bold
    r.italic = lf.lfItalic != 0;
    return r;
}

struct FaceFile {
    std::string path;
    int index = 0;
    bool bold = false;
    bool italic = false;
    std::string family;
};

FcPattern* PatternOf(const FaceRequest& request, const char* family)
{
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (request.family->monospace) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    return pattern;
}

// The shipped family itself, or null when the host lacks it. The host's
// substitutions are left out: they are where a user's preferences for other
// families live. The best face of the family for the weight and slant wins.
FcPattern* MatchShipped(const FaceRequest& request)
{
    FcPattern* pattern = PatternOf(request, request.family->name);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    FcChar8* family = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
        strcasecmp(reinterpret_cast<const char*>(family), request.family->name) == 0) {
        return match;
    }
    if (match) FcPatternDestroy(match);
    return nullptr;
}

// On a host without the shipped family: what the host offers for its
// generic family.
FcPattern* MatchGeneric(const FaceRequest& request)
{
    FcPattern* pattern = PatternOf(request, request.family->generic);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return match;
}

bool MatchFace(const FaceRequest& request, FaceFile* file)
{
    // Fontconfig's caches are given back at exit, so that leak checkers
    // see only what the program itself keeps.
    static bool initialised = [] {
        if (!FcInit()) return false;
        std::atexit(FcFini);
        return true;
    }();
    if (!initialised) return false;
    FcPattern* match = MatchShipped(request);
    if (!match) match = MatchGeneric(request);
    if (!match) return false;
    FcChar8* path = nullptr;
    FcChar8* family = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
    if (ok) {
        file->path = reinterpret_cast<const char*>(path);
        FcPatternGetInteger(match, FC_INDEX, 0, &file->index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch) {
            file->family = reinterpret_cast<const char*>(family);
        }
        file->bold = weight >= FC_WEIGHT_DEMIBOLD;
        file->italic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return ok;
}

// Fonts made, by their look: a program that creates the same font for each
// paint gets the glyphs it drew before.
std::map<std::string, std::shared_ptr<RealFont>>& FontCache()
{
    static auto* cache = new std::map<std::string, std::shared_ptr<RealFont>>;
    return *cache;
}

// The cache is bounded: a program (or a resource) that asks for ever new
// sizes and faces must not keep every face and its glyphs for good. Fonts no
// HFONT holds any more are let go when the cache is full.
void KeepInCache(const std::string& key, const std::shared_ptr<RealFont>& font)
{
    constexpr size_t kMostCachedFonts = 32;
    auto& cache = FontCache();
    if (cache.size() >= kMostCachedFonts) {
        std::erase_if(cache, [](const auto& entry) { return entry.second.use_count() == 1; });
    }
    cache[key] = font;
}

std::shared_ptr<RealFont> MakeRealFont(const LOGFONTA& lf)
{
    FaceRequest request = RequestOf(lf);
    // Matching a face costs more than drawing a caption: fonts are kept by
    // what was asked for.
    std::string key = std::string(request.family->name) + "#" + std::to_string(request.bold) +
                      std::to_string(request.italic) + "#" + std::to_string(lf.lfHeight) + "#" +
                      std::to_string(lf.lfWidth) + "#" + std::to_string(lf.lfQuality);
    auto found = FontCache().find(key);
    if (found != FontCache().end()) return found->second;
    FaceFile file;
    if (!Library() || !MatchFace(request, &file)) return nullptr;

    auto font = std::make_shared<RealFont>();
    if (FT_New_Face(Library(), file.path.c_str(), file.index, &font->face) != 0) return nullptr;
    FT_Face face = font->face;
    font->family = file.family;
    font->typeFamily = request.family->typeFamily;
    font->emboldened = request.bold && !file.bold;
    font->slanted = request.italic && !file.italic;
    font->smooth = lf.lfQuality == ANTIALIASED_QUALITY || lf.lfQuality == 5;  // 5: ClearType
    font->fixedPitch = FT_IS_FIXED_WIDTH(face);

    double upem = face->units_per_EM ? face->units_per_EM : 2048;
    double winAscent = face->ascender, winDescent = -face->descender, avgWidth = upem / 2;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            winAscent = os2->usWinAscent;
            winDescent = os2->usWinDescent;
        }
        if (os2->xAvgCharWidth > 0) avgWidth = os2->xAvgCharWidth;
    }
    FT_Fixed advance = 0;
    if (font->fixedPitch && FT_Get_Advance(face, FT_Get_Char_Index(face, ' '), FT_LOAD_NO_SCALE, &advance) == 0 &&
        advance > 0) {
        avgWidth = double(advance);  // the one width of a fixed-pitch face
    }
    double cell = winAscent + winDescent;
    LONG requested = lf.lfHeight == 0 ? 16 : lf.lfHeight;
    double ppem = requested > 0 ? requested * upem / cell : -requested;
    ppem = std::clamp(ppem, 1.0, 1000.0);
    double ppemX = ppem;
    if (lf.lfWidth > 0) ppemX = std::clamp(ppem * lf.lfWidth / (avgWidth * ppem / upem), 1.0, 1000.0);
    FT_Set_Char_Size(face, FT_F26Dot6(std::lround(ppemX * 64)), FT_F26Dot6(std::lround(ppem * 64)), 72, 72);

    double scale = ppem / upem;
    font->height = requested > 0 ? requested : LONG(std::lround(cell * scale));
    font->ascent = LONG(std::lround(winAscent * scale));
    font->descent = font->height - font->ascent;
    font->internalLeading = std::max<LONG>(0, font->height - LONG(std::lround(ppem)));
    font->aveCharWidth = std::max<LONG>(1, LONG(std::lround(avgWidth * ppemX / upem)));
    font->maxCharWidth = std::max<LONG>(1, LONG(std::ceil(face->max_advance_width * ppemX / upem)));
    if (font->emboldened) font->maxCharWidth += 1;
    // Every character of a fixed-pitch face has the one width, which the
    // platform reports as both the average and the largest.
    if (font->fixedPitch) font->maxCharWidth = font->aveCharWidth;
    KeepInCache(key, font);
    return font;
}

}  // namespace

const Glyph& RealFont::GlyphOf(char32_t c)
{
    auto found = glyphs.find(c);
    if (found != glyphs.end()) return found->second;
    Glyph& g = glyphs[c];
    FT_Int32 flags = FT_LOAD_DEFAULT | (smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
    if (FT_Load_Char(face, c, flags) != 0) return g;
    FT_GlyphSlot slot = face->glyph;
    if (emboldened) FT_GlyphSlot_Embolden(slot);
    if (slanted) FT_GlyphSlot_Oblique(slot);
    if (FT_Render_Glyph(slot, smooth ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return g;
    const FT_Bitmap& bitmap = slot->bitmap;
    g.advance = int((slot->advance.x + 32) >> 6);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = int(bitmap.width);
    g.rows = int(bitmap.rows);
    g.coverage.assign(size_t(g.width) * size_t(g.rows), 0);
    for (int y = 0; y < g.rows; ++y) {
        const unsigned char* row = bitmap.buffer + long(y) * bitmap.pitch;
        for (int x = 0; x < g.width; ++x) {
            uint8_t value = bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? (((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0)
                                                                   : row[x];
            g.coverage[size_t(y) * size_t(g.width) + size_t(x)] = value;
        }
    }
    return g;
}

namespace {

std::shared_ptr<RealFont> RealFontOf(Font& font)
{
    if (!font.real) font.real = MakeRealFont(font.log);
    return font.real;
}

// The text's characters: the ANSI code page is UTF-8; a byte that does not
// start a valid sequence stands for itself (Latin-1).
std::vector<char32_t> Decode(const char* text, int count)
{
    std::vector<char32_t> out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    int i = 0;
    while (i < count) {
        unsigned char c = p[i];
        int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
        char32_t value = c & (0x3F >> extra);
        bool valid = extra > 0 && i + extra < count;
        for (int k = 1; valid && k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) valid = false;
            else value = (value << 6) | (p[i + k] & 0x3F);
        }
        if (valid) {
            out.push_back(value);
            i += extra + 1;
        } else {
            out.push_back(c);
            ++i;
        }
    }
    return out;
}

int TextWidth(RealFont& font, const std::vector<char32_t>& chars, const INT* dx)
{
    int width = 0;
    for (size_t i = 0; i < chars.size(); ++i) width += dx ? dx[i] : font.GlyphOf(chars[i]).advance;
    return width;
}

// Draws the text with its reference point at logical (x, y).
BOOL DrawText(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, int count, const INT* dx)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (count < 0 || (count > 0 && !text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(TextLock());
    if (rect && (options & ETO_OPAQUE)) FillPixels(*dc, dc->DeviceRect(*rect), Pixel(dc->state.bkColor));
    auto font = RealFontOf(*dc->state.font);
    if (!font || count == 0) return TRUE;
    std::vector<char32_t> chars = Decode(text, count);
    UINT align = dc->state.textAlign;
    if (align & TA_UPDATECP) {
        x = dc->state.position.x;
        y = dc->state.position.y;
    }
    int width = TextWidth(*font, chars, dx);
    int left = x;
    if ((align & TA_CENTER) == TA_CENTER) left = x - width / 2;
    else if (align & TA_RIGHT) left = x - width;
    int baseline = y + font->ascent;
    if ((align & TA_BASELINE) == TA_BASELINE) baseline = y;
    else if (align & TA_BOTTOM) baseline = y - font->descent;
    if (align & TA_UPDATECP) {
        // The current position moves past the text, in its direction.
        if ((align & TA_CENTER) == TA_RIGHT) dc->state.position.x = left;
        else if ((align & TA_CENTER) == TA_LEFT) dc->state.position.x = left + width;
    }

    RECT box{dc->DeviceX(left), dc->DeviceY(baseline - font->ascent), dc->DeviceX(left + width),
             dc->DeviceY(baseline + font->descent)};
    if (dc->state.bkMode == OPAQUE) FillPixels(*dc, box, Pixel(dc->state.bkColor));
    Image* target = dc->Target();
    if (!target) return TRUE;
    RECT limit{-(1 << 28), -(1 << 28), 1 << 28, 1 << 28};
    if (rect && (options & ETO_CLIPPED)) limit = dc->DeviceRect(*rect);
    uint32_t ink = ForTarget(*dc, Pixel(dc->state.textColor));
    int pen = dc->DeviceX(left);
    int deviceBaseline = dc->DeviceY(baseline);
    for (size_t i = 0; i < chars.size(); ++i) {
        const Glyph& g = font->GlyphOf(chars[i]);
        RECT glyphBox{pen + g.left, deviceBaseline - g.top, pen + g.left + g.width, deviceBaseline - g.top + g.rows};
        RECT clipped{std::max(glyphBox.left, limit.left), std::max(glyphBox.top, limit.top),
                     std::min(glyphBox.right, limit.right), std::min(glyphBox.bottom, limit.bottom)};
        ForEachClipped(*dc, clipped, [&](const RECT& r) {
            for (int py = r.top; py < r.bottom; ++py) {
                for (int px = r.left; px < r.right; ++px) {
                    uint32_t a = g.coverage[size_t(py - glyphBox.top) * size_t(g.width) + size_t(px - glyphBox.left)];
                    if (a == 0) continue;
                    uint32_t& d = target->At(px, py);
                    if (a == 255) {
                        d = ink;
                        continue;
                    }
                    d = Blend(*dc, ink, d, a);
                }
            }
        });
        pen += dx ? dx[i] : g.advance;
    }
    const LOGFONTA& lf = dc->state.font->log;
    int thickness = std::max<int>(1, font->height / 16);
    if (lf.lfUnderline) {
        FillPixels(*dc, RECT{box.left, deviceBaseline + 1, box.right, deviceBaseline + 1 + thickness}, ink);
    }
    if (lf.lfStrikeOut) {
        int middle = deviceBaseline - font->ascent / 3;
        FillPixels(*dc, RECT{box.left, middle, box.right, middle + thickness}, ink);
    }
    dc->Drew();
    return TRUE;
}

std::shared_ptr<Font> NewFont(const LOGFONTA& lf)
{
    auto font = std::make_shared<Font>();
    font->log = lf;
    font->log.lfFaceName[LF_FACESIZE - 1] = 0;
    return font;
}

}  // namespace

}  // namespace gdi

using namespace gdi;

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lplf)
{
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HFONT>(Insert(NewFont(*lplf)));
}

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                         DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                         DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName)
{
    LOGFONTA lf{};
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = BYTE(bItalic);
    lf.lfUnderline = BYTE(bUnderline);
    lf.lfStrikeOut = BYTE(bStrikeOut);
    lf.lfCharSet = BYTE(iCharSet);
    lf.lfOutPrecision = BYTE(iOutPrecision);
    lf.lfClipPrecision = BYTE(iClipPrecision);
    lf.lfQuality = BYTE(iQuality);
    lf.lfPitchAndFamily = BYTE(iPitchAndFamily);
    if (pszFaceName) lstrcpynA(lf.lfFaceName, pszFaceName, LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c)
{
    return gdi::DrawText(hdc, x, y, 0, nullptr, lpString, c, nullptr);
}

BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                        const INT* lpDx)
{
    if (c > 0x7FFFFFFF) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return gdi::DrawText(hdc, x, y, options, lprect, lpString, int(c), lpDx);
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (!psizl || c < 0 || (c > 0 && !lpString)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(TextLock());
    auto font = RealFontOf(*dc->state.font);
    if (!font) {
        *psizl = SIZE{0, 0};
        return TRUE;
    }
    psizl->cx = TextWidth(*font, Decode(lpString, c), nullptr);
    psizl->cy = font->height;
    return TRUE;
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm)
{
    auto dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (!lptm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(TextLock());
    auto font = RealFontOf(*dc->state.font);
    std::memset(lptm, 0, sizeof *lptm);
    if (!font) return FALSE;
    const LOGFONTA& lf = dc->state.font->log;
    lptm->tmHeight = font->height;
    lptm->tmAscent = font->ascent;
    lptm->tmDescent = font->descent;
    lptm->tmInternalLeading = font->internalLeading;
    lptm->tmAveCharWidth = font->aveCharWidth;
    lptm->tmMaxCharWidth = font->maxCharWidth;
    lptm->tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    lptm->tmDigitizedAspectX = 96;
    lptm->tmDigitizedAspectY = 96;
    lptm->tmFirstChar = 0x20;
    lptm->tmLastChar = 0xFF;
    lptm->tmDefaultChar = '?';
    lptm->tmBreakChar = ' ';
    lptm->tmItalic = lf.lfItalic;
    lptm->tmUnderlined = lf.lfUnderline;
    lptm->tmStruckOut = lf.lfStrikeOut;
    // As on the platform, the low bit set means a variable pitch; 4 is a
    // TrueType face; the high bits are the face's own family.
    lptm->tmPitchAndFamily = BYTE((font->fixedPitch ? 0 : 1) | 4 | font->typeFamily);
    lptm->tmCharSet = lf.lfCharSet;
    return TRUE;
}

int WINAPI GetTextFaceA(HDC hdc, int c, LPSTR lpName)
{
    auto dc = GetDc(hdc);
    if (!dc) return 0;
    std::string name = dc->state.font->log.lfFaceName;
    if (name.empty()) {
        std::lock_guard<std::mutex> guard(TextLock());
        if (auto font = RealFontOf(*dc->state.font)) name = font->family;
    }
    if (!lpName) return int(name.size()) + 1;
    if (c <= 0) return 0;
    lstrcpynA(lpName, name.c_str(), c);
    return int(std::min<size_t>(name.size(), size_t(c) - 1));
}
