// The statements of a resource script, after preprocessing:
//
//   name DIALOG [options] x, y, cx, cy        name DIALOGEX x, y, cx, cy [, helpid]
//     STYLE style  EXSTYLE style  CAPTION "text"  CLASS "name"  MENU name
//     FONT points, "face" [, weight, italic, charset]     (the last three: DIALOGEX)
//   BEGIN
//     CONTROL "text", id, class, style, x, y, cx, cy [, exstyle [, helpid]]
//     LTEXT | RTEXT | CTEXT | PUSHBUTTON | DEFPUSHBUTTON | GROUPBOX
//             "text", id, x, y, cx, cy [, style [, exstyle [, helpid]]]
//     EDITTEXT id, x, y, cx, cy [, style [, exstyle [, helpid]]]
//   END
//   name BITMAP "file.bmp"          name ICON "file.ico"
//   STRINGTABLE BEGIN id, "text" ... END
//   LANGUAGE lang, sublang          (accepted, ignored)
//
// A name is a number (or a macro for one) or a word, which names the
// resource by text ("EXITU"). BEGIN/END may be written { }. Styles are lists
// of values joined by '|'; "NOT value" clears the value's bits, left to
// right, from the control's default style. Control statements start from
// the platform's defaults (WS_CHILD | WS_VISIBLE, plus WS_TABSTOP for
// buttons and edits, WS_GROUP for texts, WS_BORDER for edits).
#pragma once

#include "formats.h"
#include "preprocessor.h"
#include "token.h"

#include <map>
#include <vector>

namespace rc {

class ScriptParser {
public:
    ScriptParser(std::vector<Token> tokens, Preprocessor& preprocessor)
        : tokens_(std::move(tokens)), preprocessor_(preprocessor)
    {
    }
    std::vector<Resource> Parse();

private:
    void Statement();
    void Language();
    void StringTable();
    void DialogResource(const ResourceId& name, bool extended, const Location& where);
    void DialogOption(Dialog& dialog, bool& styleGiven);
    DialogItem Control(bool extended);
    void ControlTail(DialogItem& item, bool extended, bool styleFollows);
    void BitmapResource(const ResourceId& name);
    void IconResource(const ResourceId& name);

    ResourceId Name();
    NameOrOrdinal ControlText();
    NameOrOrdinal ControlClass();
    uint32_t StyleList(uint32_t style);
    int64_t Expression();
    int64_t Ranged(int64_t low, int64_t high, const char* what);
    int16_t Coordinate() { return static_cast<int16_t>(Ranged(-32768, 32767, "coordinate")); }
    void Rect(int16_t& x, int16_t& y, int16_t& cx, int16_t& cy);
    std::string String();
    void SkipLoadOptions();
    void ExpectComma();
    bool TakeComma();
    bool AtBlockBegin() const;
    bool AtBlockEnd() const;
    void BlockBegin();

    bool AtEnd() const { return pos_ >= tokens_.size(); }
    const Token& Peek() const;
    const Token& Next();
    Location Here() const;

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    Preprocessor& preprocessor_;
    std::vector<Resource> resources_;
    std::map<uint16_t, std::string> strings_;
    uint16_t nextIconId_ = 1;
};

}  // namespace rc
