// The platform's binary resource formats: dialog templates (DLGTEMPLATE and
// DLGTEMPLATEEX), string tables, bitmaps and icon groups. All values are
// little-endian; strings in templates and tables are UTF-16.
#pragma once

#include "diagnostics.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rc {

using Bytes = std::vector<uint8_t>;

// A resource type or name: a 16-bit number or a text.
struct ResourceId {
    bool numeric = true;
    uint16_t number = 0;
    std::string text;

    static ResourceId Number(uint16_t n) { return ResourceId{true, n, {}}; }
    static ResourceId Name(std::string s) { return ResourceId{false, 0, std::move(s)}; }
};

struct Resource {
    ResourceId type;
    ResourceId name;
    Bytes data;
};

// A template's menu, class or text field: none (empty text), an ordinal or
// a text.
struct NameOrOrdinal {
    bool isOrdinal = false;
    uint16_t ordinal = 0;
    std::string text;
};

struct DialogItem {
    uint32_t style = 0;
    uint32_t exStyle = 0;
    uint32_t helpId = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    int32_t id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal text;
};

struct DialogFont {
    uint16_t pointSize = 0;
    uint16_t weight = 0;
    uint8_t italic = 0;
    uint8_t charset = 1;  // DEFAULT_CHARSET
    std::string face;
};

struct Dialog {
    bool extended = false;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    uint32_t helpId = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::string caption;
    bool hasFont = false;
    DialogFont font;
    std::vector<DialogItem> items;
};

// UTF-8 to UTF-16. Bytes that are not UTF-8 are taken as Latin-1
// characters, so scripts saved in a Western code page still compile.
std::u16string ToUtf16(const std::string& text);

Bytes DialogTemplate(const Dialog& dialog);

// String tables: the strings by id, grouped in blocks of 16 (block name =
// id / 16 + 1), each string a 16-bit length and its UTF-16 characters.
std::vector<std::pair<uint16_t, Bytes>> StringTableBlocks(const std::map<uint16_t, std::string>& strings);

// RT_BITMAP data: the .bmp file without its 14-byte file header.
Bytes BitmapResource(const std::string& file, const Location& where);

// An .ico file as RT_ICON images and the RT_GROUP_ICON directory that names
// them. Image ids are given out from *nextIconId on.
struct IconGroup {
    Bytes directory;
    std::vector<std::pair<uint16_t, Bytes>> images;
};
IconGroup IconResources(const std::string& file, uint16_t* nextIconId, const Location& where);

}  // namespace rc
