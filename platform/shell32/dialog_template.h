// Builds dialog templates in memory (DLGTEMPLATE with DWORD-aligned items),
// for dialogs that shell32 shows without resources of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace shell {

class DialogTemplateBuilder {
public:
    // A dialog with a caption and a font (DS_SETFONT is added).
    DialogTemplateBuilder(DWORD style, short cx, short cy, const std::string& caption, WORD pointSize,
                          const std::string& face);
    // A control of a predefined class (0x0080 button, 0x0082 static) or a named class.
    void AddControl(WORD classOrdinal, DWORD style, short x, short y, short cx, short cy, WORD id,
                    const std::string& text);
    void AddControl(const std::string& className, DWORD style, short x, short y, short cx, short cy, WORD id);
    // The finished template, DWORD-aligned in memory.
    LPCDLGTEMPLATE Template();

private:
    void Header(DWORD style, short x, short y, short cx, short cy, WORD id);
    void Word(WORD value) { words_.push_back(value); }
    void Dword(DWORD value);
    void Text(const std::string& text);
    void AlignToDword();

    std::vector<uint16_t> words_;
    std::vector<uint32_t> aligned_;
    size_t countIndex_ = 0;
};

}  // namespace shell
