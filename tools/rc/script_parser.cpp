#include "script_parser.h"

#include "expression.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace rc {

namespace {

// Window, dialog and control styles the statements imply.
constexpr uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000, WS_SYSMENU = 0x00080000;
constexpr uint32_t WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000;
constexpr uint32_t DS_SETFONT = 0x40;
constexpr uint32_t SS_LEFT = 0, SS_CENTER = 1, SS_RIGHT = 2;
constexpr uint32_t BS_PUSHBUTTON = 0, BS_DEFPUSHBUTTON = 1, BS_GROUPBOX = 7;
constexpr uint32_t ES_LEFT = 0;

constexpr uint16_t kRtBitmap = 2, kRtIcon = 3, kRtDialog = 5, kRtString = 6, kRtGroupIcon = 14;

struct ControlKind {
    const char* keyword;
    uint16_t classOrdinal;  // 0x80 button, 0x81 edit, 0x82 static
    uint32_t style;         // beyond WS_CHILD | WS_VISIBLE
    bool hasText;
};

const ControlKind kControlKinds[] = {
    {"LTEXT", 0x82, SS_LEFT | WS_GROUP, true},
    {"RTEXT", 0x82, SS_RIGHT | WS_GROUP, true},
    {"CTEXT", 0x82, SS_CENTER | WS_GROUP, true},
    {"PUSHBUTTON", 0x80, BS_PUSHBUTTON | WS_TABSTOP, true},
    {"DEFPUSHBUTTON", 0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, true},
    {"GROUPBOX", 0x80, BS_GROUPBOX, true},
    {"EDITTEXT", 0x81, ES_LEFT | WS_BORDER | WS_TABSTOP, false},
};

// The classes a template names by ordinal.
const std::pair<const char*, uint16_t> kClassOrdinals[] = {
    {"BUTTON", 0x80}, {"EDIT", 0x81}, {"STATIC", 0x82}, {"LISTBOX", 0x83}, {"SCROLLBAR", 0x84}, {"COMBOBOX", 0x85},
};

const char* const kLoadOptions[] = {"DISCARDABLE", "MOVEABLE", "FIXED",  "PURE",      "IMPURE",
                                    "PRELOAD",     "LOADONCALL", "SHARED", "NONSHARED"};

const char* const kResourceTypes[] = {"DIALOG", "DIALOGEX", "BITMAP", "ICON"};

bool IsResourceType(const Token& t)
{
    for (const char* type : kResourceTypes)
        if (t.IsKeyword(type)) return true;
    return false;
}

std::string Upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

NameOrOrdinal ClassByName(const std::string& name)
{
    NameOrOrdinal field;
    for (const auto& [className, ordinal] : kClassOrdinals) {
        if (strcasecmp(name.c_str(), className) == 0) {
            field.isOrdinal = true;
            field.ordinal = ordinal;
            return field;
        }
    }
    field.text = name;
    return field;
}

}  // namespace

const Token& ScriptParser::Peek() const
{
    static const Token kEnd;
    return AtEnd() ? kEnd : tokens_[pos_];
}

const Token& ScriptParser::Next()
{
    if (AtEnd()) Fail(Here(), "unexpected end of script");
    return tokens_[pos_++];
}

Location ScriptParser::Here() const
{
    if (pos_ < tokens_.size()) return tokens_[pos_].where;
    return tokens_.empty() ? Location{"<script>", 0} : tokens_.back().where;
}

std::vector<Resource> ScriptParser::Parse()
{
    while (!AtEnd()) Statement();
    for (auto& [block, data] : StringTableBlocks(strings_))
        resources_.push_back({ResourceId::Number(kRtString), ResourceId::Number(block), std::move(data)});
    return std::move(resources_);
}

void ScriptParser::Statement()
{
    Location where = Here();
    if (Peek().IsKeyword("LANGUAGE")) {
        Next();
        Language();
        return;
    }
    if (Peek().IsKeyword("STRINGTABLE")) {
        Next();
        StringTable();
        return;
    }
    ResourceId name = Name();
    const Token& type = Next();
    if (type.IsKeyword("DIALOG") || type.IsKeyword("DIALOGEX")) {
        DialogResource(name, type.IsKeyword("DIALOGEX"), where);
    } else if (type.IsKeyword("BITMAP")) {
        BitmapResource(name);
    } else if (type.IsKeyword("ICON")) {
        IconResource(name);
    } else {
        Fail(type.where, "unsupported resource type '" + type.text + "'");
    }
}

// LANGUAGE (already taken) has two values whose names come from headers
// this platform does not have; the resources are language-neutral here.
void ScriptParser::Language()
{
    while (!AtEnd() && !Peek().IsPunct(",")) Next();
    ExpectComma();
    Next();
}

ResourceId ScriptParser::Name()
{
    const Token& t = Peek();
    if (t.kind == TokenKind::String) {
        Next();
        return ResourceId::Name(Upper(t.text));
    }
    if (t.kind == TokenKind::Identifier && pos_ + 1 < tokens_.size() && IsResourceType(tokens_[pos_ + 1])) {
        Next();
        return ResourceId::Name(Upper(t.text));
    }
    if (t.kind == TokenKind::Identifier && pos_ + 1 >= tokens_.size()) Fail(t.where, "unexpected '" + t.text + "'");
    return ResourceId::Number(static_cast<uint16_t>(Ranged(0, 65535, "resource id")));
}

int64_t ScriptParser::Expression()
{
    if (AtEnd()) Fail(Here(), "value expected at end of script");
    return ExpressionParser(tokens_, &pos_, false).Full();
}

int64_t ScriptParser::Ranged(int64_t low, int64_t high, const char* what)
{
    Location where = Here();
    int64_t value = Expression();
    if (value < low || value > high) Fail(where, std::string(what) + " " + std::to_string(value) + " out of range");
    return value;
}

// x, y, cx, cy: a dialog's or a control's rectangle.
void ScriptParser::Rect(int16_t& x, int16_t& y, int16_t& cx, int16_t& cy)
{
    x = Coordinate();
    ExpectComma();
    y = Coordinate();
    ExpectComma();
    cx = Coordinate();
    ExpectComma();
    cy = Coordinate();
}

std::string ScriptParser::String()
{
    const Token& t = Peek();
    if (t.kind != TokenKind::String) Fail(Here(), "text in quotes expected");
    Next();
    std::string text = t.text;
    while (Peek().kind == TokenKind::String) text += Next().text;  // adjacent strings join
    return text;
}

void ScriptParser::ExpectComma()
{
    if (!Peek().IsPunct(",")) Fail(Here(), "',' expected");
    Next();
}

bool ScriptParser::TakeComma()
{
    if (!Peek().IsPunct(",")) return false;
    Next();
    return true;
}

bool ScriptParser::AtBlockBegin() const { return Peek().IsKeyword("BEGIN") || Peek().IsPunct("{"); }
bool ScriptParser::AtBlockEnd() const { return Peek().IsKeyword("END") || Peek().IsPunct("}"); }

void ScriptParser::BlockBegin()
{
    if (!AtBlockBegin()) Fail(Here(), "BEGIN expected");
    Next();
}

void ScriptParser::SkipLoadOptions()
{
    for (bool skipped = true; skipped;) {
        skipped = false;
        for (const char* option : kLoadOptions) {
            if (Peek().IsKeyword(option)) {
                Next();
                skipped = true;
            }
        }
    }
}

uint32_t ScriptParser::StyleList(uint32_t style)
{
    for (;;) {
        bool clear = Peek().IsKeyword("NOT");
        if (clear) Next();
        if (AtEnd()) Fail(Here(), "style expected at end of script");
        uint32_t value = static_cast<uint32_t>(ExpressionParser(tokens_, &pos_, false).Item());
        style = clear ? style & ~value : style | value;
        if (!Peek().IsPunct("|")) return style;
        Next();
    }
}

void ScriptParser::StringTable()
{
    SkipLoadOptions();
    BlockBegin();
    while (!AtBlockEnd()) {
        if (AtEnd()) Fail(Here(), "END expected");
        Location where = Here();
        uint16_t id = static_cast<uint16_t>(Ranged(0, 65535, "string id"));
        TakeComma();
        std::string text = String();
        if (ToUtf16(text).size() > 0xFFFF) Fail(where, "string " + std::to_string(id) + " is longer than 65535 characters");
        if (!strings_.emplace(id, text).second) Fail(where, "string " + std::to_string(id) + " defined twice");
    }
    Next();
}

void ScriptParser::DialogResource(const ResourceId& name, bool extended, const Location& where)
{
    Dialog d;
    d.extended = extended;
    SkipLoadOptions();
    Rect(d.x, d.y, d.cx, d.cy);
    if (extended && TakeComma()) d.helpId = static_cast<uint32_t>(Expression());
    d.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    bool styleGiven = false;
    while (!AtBlockBegin()) {
        if (AtEnd()) Fail(Here(), "BEGIN expected");
        DialogOption(d, styleGiven);
    }
    if (!styleGiven && !d.caption.empty()) d.style |= WS_CAPTION;
    if (d.hasFont) d.style |= DS_SETFONT;
    if ((d.style & DS_SETFONT) && !d.hasFont) Fail(where, "DS_SETFONT without a FONT statement");
    BlockBegin();
    while (!AtBlockEnd()) {
        if (AtEnd()) Fail(Here(), "END expected");
        if (d.items.size() == 0xFFFF) Fail(Here(), "too many controls");
        d.items.push_back(Control(extended));
    }
    Next();
    resources_.push_back({ResourceId::Number(kRtDialog), name, DialogTemplate(d)});
}

void ScriptParser::DialogOption(Dialog& d, bool& styleGiven)
{
    const Token& option = Next();
    if (option.IsKeyword("STYLE")) {
        d.style = StyleList(0);
        styleGiven = true;
    } else if (option.IsKeyword("EXSTYLE")) {
        d.exStyle = StyleList(0);
    } else if (option.IsKeyword("CAPTION")) {
        d.caption = String();
    } else if (option.IsKeyword("FONT")) {
        d.hasFont = true;
        d.font.pointSize = static_cast<uint16_t>(Ranged(0, 65535, "point size"));
        ExpectComma();
        d.font.face = String();
        if (TakeComma()) {
            if (!d.extended) Fail(option.where, "font weight, italic and charset need DIALOGEX");
            d.font.weight = static_cast<uint16_t>(Ranged(0, 65535, "font weight"));
            if (TakeComma()) d.font.italic = static_cast<uint8_t>(Ranged(0, 255, "italic flag"));
            if (TakeComma()) d.font.charset = static_cast<uint8_t>(Ranged(0, 255, "character set"));
        }
    } else if (option.IsKeyword("CLASS")) {
        d.windowClass = ControlText();
    } else if (option.IsKeyword("MENU")) {
        if (Peek().kind == TokenKind::Identifier) {
            d.menu.text = Upper(Next().text);
        } else {
            d.menu = ControlText();
        }
    } else if (option.IsKeyword("LANGUAGE")) {
        Language();
    } else if (option.IsKeyword("CHARACTERISTICS") || option.IsKeyword("VERSION")) {
        Expression();
    } else {
        Fail(option.where, "unexpected '" + option.text + "' in the dialog's header");
    }
}

NameOrOrdinal ScriptParser::ControlText()
{
    NameOrOrdinal field;
    if (Peek().kind == TokenKind::String) {
        field.text = String();
    } else {
        field.isOrdinal = true;
        field.ordinal = static_cast<uint16_t>(Ranged(0, 65535, "ordinal"));
    }
    return field;
}

NameOrOrdinal ScriptParser::ControlClass()
{
    const Token& t = Peek();
    if (t.kind == TokenKind::String) return ClassByName(String());
    if (t.kind == TokenKind::Identifier) {
        NameOrOrdinal field = ClassByName(t.text);
        if (!field.isOrdinal) Fail(t.where, "unknown control class '" + t.text + "' (write class names in quotes)");
        Next();
        return field;
    }
    Fail(Here(), "control class expected");
}

DialogItem ScriptParser::Control(bool extended)
{
    const Token& keyword = Next();
    DialogItem item;
    int64_t idLow = extended ? INT32_MIN : -32768, idHigh = extended ? INT32_MAX : 65535;
    if (keyword.IsKeyword("CONTROL")) {
        item.text = ControlText();
        ExpectComma();
        item.id = static_cast<int32_t>(Ranged(idLow, idHigh, "control id"));
        ExpectComma();
        item.windowClass = ControlClass();
        ExpectComma();
        item.style = StyleList(WS_CHILD | WS_VISIBLE);
        ControlTail(item, extended, false);
        return item;
    }
    const ControlKind* kind = nullptr;
    for (const ControlKind& k : kControlKinds)
        if (keyword.IsKeyword(k.keyword)) kind = &k;
    if (!kind) Fail(keyword.where, "unsupported control statement '" + keyword.text + "'");
    item.windowClass.isOrdinal = true;
    item.windowClass.ordinal = kind->classOrdinal;
    if (kind->hasText) {
        item.text = ControlText();
        ExpectComma();
    }
    item.id = static_cast<int32_t>(Ranged(idLow, idHigh, "control id"));
    item.style = WS_CHILD | WS_VISIBLE | kind->style;
    ControlTail(item, extended, true);
    return item;
}

// x, y, cx, cy [, style] [, exstyle [, helpid]]: the style comes here in the
// shorthand statements; CONTROL gives it before the rectangle.
void ScriptParser::ControlTail(DialogItem& item, bool extended, bool styleFollows)
{
    ExpectComma();
    Rect(item.x, item.y, item.cx, item.cy);
    if (styleFollows && TakeComma()) item.style = StyleList(item.style);
    if (TakeComma()) item.exStyle = StyleList(0);
    if (TakeComma()) {
        if (!extended) Fail(Here(), "a help id needs DIALOGEX");
        item.helpId = static_cast<uint32_t>(Expression());
    }
}

void ScriptParser::BitmapResource(const ResourceId& name)
{
    SkipLoadOptions();
    if (Peek().kind != TokenKind::String) Fail(Here(), "bitmap file name in quotes expected");
    const Token& file = Next();
    std::string contents = preprocessor_.ReadNamedFile(file.text, file.where);
    resources_.push_back({ResourceId::Number(kRtBitmap), name, rc::BitmapResource(contents, file.where)});
}

void ScriptParser::IconResource(const ResourceId& name)
{
    SkipLoadOptions();
    if (Peek().kind != TokenKind::String) Fail(Here(), "icon file name in quotes expected");
    const Token& file = Next();
    IconGroup group = IconResources(preprocessor_.ReadNamedFile(file.text, file.where), &nextIconId_, file.where);
    for (auto& [id, image] : group.images)
        resources_.push_back({ResourceId::Number(kRtIcon), ResourceId::Number(id), std::move(image)});
    resources_.push_back({ResourceId::Number(kRtGroupIcon), name, std::move(group.directory)});
}

}  // namespace rc
