#include "formats.h"

#include <cstring>

namespace rc {

namespace {

class Writer {
public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v)
    {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v)
    {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
    void String(const std::string& text)
    {
        for (char16_t c : ToUtf16(text)) U16(c);
        U16(0);
    }
    // 0 for none, 0xFFFF and the ordinal, or the text.
    void Field(const NameOrOrdinal& field)
    {
        if (field.isOrdinal) {
            U16(0xFFFF);
            U16(field.ordinal);
        } else {
            String(field.text);
        }
    }
    void AlignTo4()
    {
        while (bytes_.size() % 4) U8(0);
    }
    Bytes Take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};

uint32_t ReadU32(const std::string& s, size_t at)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) | static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

uint16_t ReadU16(const std::string& s, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}

// Length of the UTF-8 sequence starting at s[i] and its code point; 0 when
// the bytes there are not valid UTF-8.
size_t DecodeUtf8(const std::string& s, size_t i, char32_t* cp)
{
    auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    uint8_t lead = b(i);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > s.size()) return 0;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        value = value << 6 | (b(i + k) & 0x3F);
    }
    static const char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *cp = value;
    return length;
}

}  // namespace

std::u16string ToUtf16(const std::string& text)
{
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        size_t length = DecodeUtf8(text, i, &cp);
        if (length == 0) {
            cp = static_cast<uint8_t>(text[i]);
            length = 1;
        }
        i += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

Bytes DialogTemplate(const Dialog& d)
{
    Writer w;
    if (d.extended) {
        w.U16(1);  // dlgVer
        w.U16(0xFFFF);
        w.U32(d.helpId);
        w.U32(d.exStyle);
        w.U32(d.style);
    } else {
        w.U32(d.style);
        w.U32(d.exStyle);
    }
    w.U16(static_cast<uint16_t>(d.items.size()));
    w.I16(d.x);
    w.I16(d.y);
    w.I16(d.cx);
    w.I16(d.cy);
    w.Field(d.menu);
    w.Field(d.windowClass);
    w.String(d.caption);
    if (d.hasFont) {
        w.U16(d.font.pointSize);
        if (d.extended) {
            w.U16(d.font.weight);
            w.U8(d.font.italic);
            w.U8(d.font.charset);
        }
        w.String(d.font.face);
    }
    for (const DialogItem& item : d.items) {
        w.AlignTo4();
        if (d.extended) {
            w.U32(item.helpId);
            w.U32(item.exStyle);
            w.U32(item.style);
        } else {
            w.U32(item.style);
            w.U32(item.exStyle);
        }
        w.I16(item.x);
        w.I16(item.y);
        w.I16(item.cx);
        w.I16(item.cy);
        if (d.extended) {
            w.U32(static_cast<uint32_t>(item.id));
        } else {
            w.U16(static_cast<uint16_t>(item.id));
        }
        w.Field(item.windowClass);
        w.Field(item.text);
        w.U16(0);  // no creation data
    }
    return w.Take();
}

std::vector<std::pair<uint16_t, Bytes>> StringTableBlocks(const std::map<uint16_t, std::string>& strings)
{
    std::vector<std::pair<uint16_t, Bytes>> blocks;
    auto it = strings.begin();
    while (it != strings.end()) {
        uint16_t block = static_cast<uint16_t>(it->first >> 4);
        Writer w;
        for (unsigned slot = 0; slot < 16; ++slot) {
            auto found = strings.find(static_cast<uint16_t>(block * 16 + slot));
            if (found == strings.end()) {
                w.U16(0);
                continue;
            }
            std::u16string text = ToUtf16(found->second);
            w.U16(static_cast<uint16_t>(text.size()));
            for (char16_t c : text) w.U16(c);
        }
        blocks.emplace_back(static_cast<uint16_t>(block + 1), w.Take());
        while (it != strings.end() && (it->first >> 4) == block) ++it;
    }
    return blocks;
}

Bytes BitmapResource(const std::string& file, const Location& where)
{
    constexpr size_t kFileHeader = 14;
    if (file.size() < kFileHeader + 12 || file[0] != 'B' || file[1] != 'M') Fail(where, "not a .bmp file");
    uint32_t headerSize = ReadU32(file, kFileHeader);
    if (headerSize < 12 || headerSize > file.size() - kFileHeader) Fail(where, "damaged .bmp file");
    return Bytes(file.begin() + kFileHeader, file.end());
}

IconGroup IconResources(const std::string& file, uint16_t* nextIconId, const Location& where)
{
    constexpr size_t kDirHeader = 6, kDirEntry = 16;
    if (file.size() < kDirHeader || ReadU16(file, 0) != 0 || ReadU16(file, 2) != 1) Fail(where, "not an .ico file");
    uint16_t count = ReadU16(file, 4);
    if (count == 0 || file.size() < kDirHeader + count * kDirEntry) Fail(where, "damaged .ico file");
    IconGroup group;
    Writer dir;
    dir.U16(0);
    dir.U16(1);
    dir.U16(count);
    for (uint16_t i = 0; i < count; ++i) {
        size_t e = kDirHeader + i * kDirEntry;
        uint32_t size = ReadU32(file, e + 8);
        uint32_t offset = ReadU32(file, e + 12);
        if (size == 0 || offset > file.size() || size > file.size() - offset) Fail(where, "damaged .ico file");
        Bytes image(file.begin() + offset, file.begin() + offset + size);
        uint16_t planes = ReadU16(file, e + 4);
        uint16_t bitCount = ReadU16(file, e + 6);
        // Icon files often leave these 0; the image's own header knows them.
        bool isDib = size >= 16 && ReadU32(file, offset) == 40;
        if (isDib && planes == 0) planes = ReadU16(file, offset + 12);
        if (isDib && bitCount == 0) bitCount = ReadU16(file, offset + 14);
        if (*nextIconId == 0) Fail(where, "too many icon images");
        uint16_t id = (*nextIconId)++;
        for (size_t k = 0; k < 4; ++k) dir.U8(static_cast<uint8_t>(file[e + k]));  // width, height, colours, reserved
        dir.U16(planes);
        dir.U16(bitCount);
        dir.U32(size);
        dir.U16(id);
        group.images.emplace_back(id, std::move(image));
    }
    group.directory = dir.Take();
    return group;
}

}  // namespace rc
