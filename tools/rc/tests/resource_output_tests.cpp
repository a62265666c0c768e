// The compiled resources of test.rc, as the program finds them through the
// platform's resource functions: the exact bytes of templates, bitmaps,
// icon groups and string tables.
#include "template_reader.h"
#include "test_ids.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct Data {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

Data Find(LPCSTR type, LPCSTR name)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, name, type);
    if (!resource) return {};
    return {static_cast<const uint8_t*>(LockResource(LoadResource(module, resource))), SizeofResource(module, resource)};
}

std::string ReadSourceFile(const std::string& relative)
{
    std::ifstream in(std::string(RC_TEST_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

struct Item {
    uint32_t style, exStyle, helpId;
    int16_t x, y, cx, cy;
    int32_t id;
    std::string cls, text;
    size_t offset;
};

Item ReadItem(TemplateReader& r, bool extended)
{
    Item item{};
    r.AlignToDword();
    item.offset = r.Offset();
    if (extended) {
        item.helpId = r.Dword();
        item.exStyle = r.Dword();
        item.style = r.Dword();
    } else {
        item.style = r.Dword();
        item.exStyle = r.Dword();
    }
    item.x = static_cast<int16_t>(r.Word());
    item.y = static_cast<int16_t>(r.Word());
    item.cx = static_cast<int16_t>(r.Word());
    item.cy = static_cast<int16_t>(r.Word());
    item.id = extended ? static_cast<int32_t>(r.Dword()) : static_cast<int16_t>(r.Word());
    item.cls = r.Field();
    item.text = r.Field();
    EXPECT_EQ(r.Word(), 0) << "creation data";
    return item;
}

}  // namespace

TEST(CompiledDialog, HeaderHasStylesCaptionAndFont)
{
    Data d = Find(RT_DIALOG, MAKEINTRESOURCEA(IDD_PLAIN));
    ASSERT_NE(d.bytes, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(d.bytes) % 4, 0u) << "templates are read DWORD by DWORD";
    // style, extended style, item count, x, y, cx, cy: the first 18 bytes.
    const uint8_t header[] = {0xC0, 0x00, 0xC0, 0x90, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 22, 1, 219, 0};
    ASSERT_GE(d.size, sizeof header);
    EXPECT_EQ(std::vector<uint8_t>(d.bytes, d.bytes + sizeof header), std::vector<uint8_t>(header, header + sizeof header));
    TemplateReader r(d.bytes, d.size);
    r.Dword(), r.Dword(), r.Word(), r.Word(), r.Word(), r.Word(), r.Word();
    EXPECT_EQ(r.Field(), "") << "menu";
    EXPECT_EQ(r.Field(), "") << "class";
    EXPECT_EQ(r.String(), "Plain \"dialog\"");
    EXPECT_EQ(r.Word(), 10) << "point size";
    EXPECT_EQ(r.String(), "System");
}

TEST(CompiledDialog, ControlsHaveDefaultsStylesAndAlignment)
{
    Data d = Find(RT_DIALOG, MAKEINTRESOURCEA(IDD_PLAIN));
    ASSERT_NE(d.bytes, nullptr);
    TemplateReader r(d.bytes, d.size);
    r.Dword(), r.Dword(), r.Word(), r.Word(), r.Word(), r.Word(), r.Word();
    r.Field(), r.Field(), r.String(), r.Word(), r.String();
    std::vector<Item> items;
    for (int i = 0; i < 8; ++i) items.push_back(ReadItem(r, false));
    for (const Item& item : items) EXPECT_EQ(item.offset % 4, 0u);
    EXPECT_TRUE(r.AtEnd());

    // CONTROL: WS_CHILD | WS_VISIBLE | the style, NOT clearing WS_VISIBLE.
    EXPECT_EQ(items[0].style, 0x40000007u);
    EXPECT_EQ(items[0].id, IDC_FRAME);
    EXPECT_EQ(items[0].cls, "#130");  // "Static" by ordinal
    EXPECT_EQ((std::vector<int>{items[0].x, items[0].y, items[0].cx, items[0].cy}), (std::vector<int>{7, 7, 174, 201}));
    // PUSHBUTTON: tab stop by default, the given style added.
    EXPECT_EQ(items[1].style, 0x5001000Bu);
    EXPECT_EQ(items[1].cls, "#128");
    EXPECT_EQ(items[1].text, "PREV");
    // DEFPUSHBUTTON with a hex and a macro coordinate.
    EXPECT_EQ(items[2].style, 0x50010001u);
    EXPECT_EQ(items[2].x, 16);
    EXPECT_EQ(items[2].y, 20);
    // LTEXT/RTEXT/CTEXT: WS_GROUP by default (RTEXT clears it), id -1.
    EXPECT_EQ(items[3].style, 0x50020000u);
    EXPECT_EQ(items[3].id, -1);
    EXPECT_EQ(items[4].style, 0x50000002u);
    EXPECT_EQ(items[5].style, 0x50020001u);
    EXPECT_EQ(items[5].text, "CentAr");
    // EDITTEXT: border and tab stop by default, no text.
    EXPECT_EQ(items[6].style, 0x50810080u);
    EXPECT_EQ(items[6].cls, "#129");
    EXPECT_EQ(items[6].text, "");
    EXPECT_EQ(items[7].style, 0x50000007u);
    EXPECT_EQ(items[7].id, 0x7FF);
}

TEST(CompiledDialog, ExtendedTemplateCarriesFontWeightItalicAndCharset)
{
    Data d = Find(RT_DIALOG, MAKEINTRESOURCEA(IDD_EXTENDED));
    ASSERT_NE(d.bytes, nullptr);
    TemplateReader r(d.bytes, d.size);
    EXPECT_EQ(r.Word(), 1) << "version";
    EXPECT_EQ(r.Word(), 0xFFFF) << "signature";
    EXPECT_EQ(r.Dword(), 0u) << "help id";
    EXPECT_EQ(r.Dword(), 0x80u) << "WS_EX_TOOLWINDOW";
    EXPECT_EQ(r.Dword(), 0x80C800C0u);
    EXPECT_EQ(r.Word(), 2);
    EXPECT_EQ((std::vector<int>{r.Word(), r.Word(), r.Word(), r.Word()}), (std::vector<int>{0, 0, 197, 63}));
    r.Field(), r.Field();
    EXPECT_EQ(r.String(), "Creat path");
    EXPECT_EQ(r.Word(), 10);
    EXPECT_EQ(r.Word(), 700) << "weight";
    EXPECT_EQ(r.Byte(), 1) << "italic";
    EXPECT_EQ(r.Byte(), 1) << "charset";
    EXPECT_EQ(r.String(), "System");
    Item ok = ReadItem(r, true);
    EXPECT_EQ(ok.id, IDOK);
    EXPECT_EQ(ok.style, 0x50010001u);
    Item progress = ReadItem(r, true);
    EXPECT_EQ(progress.cls, "msctls_progress32") << "other classes by name";
    EXPECT_EQ(progress.exStyle, 0x200u);
    EXPECT_EQ(progress.helpId, 77u);
    EXPECT_EQ(progress.style, 0x50800000u);
    EXPECT_TRUE(r.AtEnd());
}

TEST(CompiledBitmap, IsTheFileWithoutItsFileHeader)
{
    for (auto [name, file] : {std::pair<LPCSTR, LPCSTR>{MAKEINTRESOURCEA(200), "res/small24.bmp"}, std::pair<LPCSTR, LPCSTR>{"SmallEight", "res/small8.bmp"}}) {
        Data d = Find(RT_BITMAP, name);
        ASSERT_NE(d.bytes, nullptr) << file;
        std::string bmp = ReadSourceFile(file);
        ASSERT_GT(bmp.size(), 14u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.bytes), d.size), bmp.substr(14)) << file;
    }
}

TEST(CompiledIcon, GroupNamesEachImage)
{
    Data group = Find(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APP));
    ASSERT_NE(group.bytes, nullptr);
    ASSERT_EQ(group.size, 6u + 2 * 14u);
    TemplateReader r(group.bytes, group.size);
    EXPECT_EQ(r.Word(), 0);
    EXPECT_EQ(r.Word(), 1);
    EXPECT_EQ(r.Word(), 2);
    for (int size : {16, 32}) {
        EXPECT_EQ(r.Byte(), size);
        EXPECT_EQ(r.Byte(), size);
        r.Byte(), r.Byte();
        EXPECT_EQ(r.Word(), 1) << "planes, from the image's header";
        EXPECT_EQ(r.Word(), 32) << "bits per pixel, from the image's header";
        uint32_t bytes = r.Dword();
        uint16_t id = r.Word();
        Data image = Find(RT_ICON, MAKEINTRESOURCEA(id));
        ASSERT_NE(image.bytes, nullptr) << id;
        EXPECT_EQ(image.size, bytes);
        EXPECT_EQ(image.bytes[0], 40) << "a BITMAPINFOHEADER";
    }
}

TEST(CompiledStrings, BlocksOfSixteenWithLengths)
{
    Data first = Find(RT_STRING, MAKEINTRESOURCEA(IDS_FIRST / 16 + 1));
    ASSERT_NE(first.bytes, nullptr);
    TemplateReader r(first.bytes, first.size);
    EXPECT_EQ(r.Word(), 5);
    std::string text;
    for (int i = 0; i < 5; ++i) text += static_cast<char>(r.Word());
    EXPECT_EQ(text, "First");
    uint16_t length = r.Word();
    std::u16string second;
    for (int i = 0; i < length; ++i) second += static_cast<char16_t>(r.Word());
    EXPECT_EQ(second, u"Line\nbreak \"quoted\"");
    for (int slot = 2; slot < 16; ++slot) EXPECT_EQ(r.Word(), 0) << slot;
    EXPECT_TRUE(r.AtEnd());

    Data other = Find(RT_STRING, MAKEINTRESOURCEA(IDS_OTHER_BLOCK / 16 + 1));
    ASSERT_NE(other.bytes, nullptr);
    TemplateReader o(other.bytes, other.size);
    for (int slot = 0; slot < IDS_OTHER_BLOCK % 16; ++slot) EXPECT_EQ(o.Word(), 0);
    ASSERT_EQ(o.Word(), 9);
    std::u16string unicode;
    for (int i = 0; i < 9; ++i) unicode += static_cast<char16_t>(o.Word());
    EXPECT_EQ(unicode, u"Ünïcode €");
}

TEST(CompiledResources, MissingOnesAreNotFound)
{
    EXPECT_EQ(Find(RT_DIALOG, MAKEINTRESOURCEA(999)).bytes, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(Find(RT_BITMAP, "EXITU").bytes, nullptr);
}
