// Dialog templates in the platform's binary layouts, built in memory for
// tests (DLGTEMPLATE and DLGTEMPLATEEX, UTF-16 strings, DWORD-aligned items).
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

class DialogBuilder {
public:
    DialogBuilder(DWORD style, short x, short y, short cx, short cy, const char* title,
                  const char* face = "System", WORD points = 10, bool extended = false)
        : extended_(extended)
    {
        if (face) style |= DS_SETFONT;
        if (extended) {
            Word(1);
            Word(0xFFFF);
            Dword(0);  // help id
            Dword(0);  // extended style
            Dword(style);
        } else {
            Dword(style);
            Dword(0);
        }
        countAt_ = bytes_.size();
        Word(0);
        Word(WORD(x));
        Word(WORD(y));
        Word(WORD(cx));
        Word(WORD(cy));
        Word(0);  // no menu
        Word(0);  // the dialog class
        String(title);
        if (face) {
            Word(points);
            if (extended) {
                Word(FW_NORMAL);
                bytes_.push_back(0);  // italic
                bytes_.push_back(1);  // character set
            }
            String(face);
        }
    }

    // A control of a predefined class: 0x80 button, 0x81 edit, 0x82 static.
    DialogBuilder& Item(WORD classOrdinal, const char* text, int id, DWORD style, short x, short y, short cx, short cy,
                        DWORD exStyle = 0)
    {
        Begin(id, style, x, y, cx, cy, exStyle);
        Word(0xFFFF);
        Word(classOrdinal);
        String(text);
        Word(0);
        return *this;
    }

    DialogBuilder& Item(const char* className, const char* text, int id, DWORD style, short x, short y, short cx,
                        short cy)
    {
        Begin(id, style, x, y, cx, cy, 0);
        String(className);
        String(text);
        Word(0);
        return *this;
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }
    const std::vector<BYTE>& Bytes() const { return bytes_; }

private:
    void Begin(int id, DWORD style, short x, short y, short cx, short cy, DWORD exStyle)
    {
        while (bytes_.size() % 4) bytes_.push_back(0);
        WORD count;
        std::memcpy(&count, &bytes_[countAt_], 2);
        ++count;
        std::memcpy(&bytes_[countAt_], &count, 2);
        if (extended_) {
            Dword(0);
            Dword(exStyle);
            Dword(style);
        } else {
            Dword(style);
            Dword(exStyle);
        }
        Word(WORD(x));
        Word(WORD(y));
        Word(WORD(cx));
        Word(WORD(cy));
        if (extended_) Dword(DWORD(id));
        else Word(WORD(id));
    }
    void Word(WORD w)
    {
        bytes_.push_back(BYTE(w));
        bytes_.push_back(BYTE(w >> 8));
    }
    void Dword(DWORD d)
    {
        Word(WORD(d));
        Word(WORD(d >> 16));
    }
    void String(const char* text)
    {
        for (const char* p = text ? text : ""; *p; ++p) Word(WORD(static_cast<unsigned char>(*p)));
        Word(0);
    }

    bool extended_;
    size_t countAt_ = 0;
    std::vector<BYTE> bytes_;
};
