#include "dialog_template.h"

#include <cstring>

namespace shell {

DialogTemplateBuilder::DialogTemplateBuilder(DWORD style, short cx, short cy, const std::string& caption,
                                             WORD pointSize, const std::string& face)
{
    Dword(style | DS_SETFONT);
    Dword(0);  // extended style
    countIndex_ = words_.size();
    Word(0);  // number of items, counted as they are added
    for (short value : {short(0), short(0), cx, cy}) Word(static_cast<WORD>(value));
    Word(0);  // no menu
    Word(0);  // the dialog class
    Text(caption);
    Word(pointSize);
    Text(face);
}

void DialogTemplateBuilder::Dword(DWORD value)
{
    Word(static_cast<WORD>(value & 0xFFFF));
    Word(static_cast<WORD>(value >> 16));
}

// Templates hold UTF-16; the texts shell32 writes are ASCII.
void DialogTemplateBuilder::Text(const std::string& text)
{
    for (unsigned char c : text) Word(c);
    Word(0);
}

void DialogTemplateBuilder::AlignToDword()
{
    if (words_.size() % 2) Word(0);
}

void DialogTemplateBuilder::Header(DWORD style, short x, short y, short cx, short cy, WORD id)
{
    AlignToDword();
    Dword(style | WS_CHILD);
    Dword(0);
    for (short value : {x, y, cx, cy}) Word(static_cast<WORD>(value));
    Word(id);
    ++words_[countIndex_];
}

void DialogTemplateBuilder::AddControl(WORD classOrdinal, DWORD style, short x, short y, short cx, short cy, WORD id,
                                       const std::string& text)
{
    Header(style, x, y, cx, cy, id);
    Word(0xFFFF);
    Word(classOrdinal);
    Text(text);
    Word(0);  // no creation data
}

void DialogTemplateBuilder::AddControl(const std::string& className, DWORD style, short x, short y, short cx,
                                       short cy, WORD id)
{
    Header(style, x, y, cx, cy, id);
    Text(className);
    Text("");
    Word(0);
}

LPCDLGTEMPLATE DialogTemplateBuilder::Template()
{
    AlignToDword();
    aligned_.assign(words_.size() / 2, 0);
    std::memcpy(aligned_.data(), words_.data(), words_.size() * sizeof(uint16_t));
    return reinterpret_cast<LPCDLGTEMPLATE>(aligned_.data());
}

}  // namespace shell
