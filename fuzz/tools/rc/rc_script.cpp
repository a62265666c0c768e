// Fuzzes the resource compiler: any script, with a header, a bitmap and an
// icon it may name, must compile or fail with a positioned error, never
// crash or run away.
#include "emitter.h"
#include "preprocessor.h"
#include "script_parser.h"

#include <cstdint>
#include <string>

namespace {

std::string SmallBitmap()
{
    std::string bmp = "BM" + std::string(12, '\0');
    std::string header(40, '\0');
    header[0] = 40;
    header[4] = 1;   // 1 x 1
    header[8] = 1;
    header[12] = 1;  // planes
    header[14] = 24;
    return bmp + header + std::string("\x10\x20\x30\0", 4);
}

std::string SmallIcon()
{
    std::string image(40, '\0');
    image[0] = 40;
    return std::string("\0\0\1\0\1\0", 6) + std::string("\x10\x10\0\0\0\0\0\0", 8) + std::string("\x28\0\0\0\x16\0\0\0", 8) +
           image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rc::MemoryFileReader files;
    files.Add("script.rc", std::string(reinterpret_cast<const char*>(data), size));
    files.Add("inc/ids.h",
              "#pragma once\n#define IDD_MAIN 9876\n#define ID(n) (100 + (n))\n#define IDD_PLAIN 100\n#define IDD_EXTENDED 131\n"
              "#define IDC_FRAME 1004\n#define IDC_EDIT 1018\n#define IDC_GROUP 0x7FF\n#define IDI_APP 128\n"
              "#define IDS_FIRST 16\n#define IDS_SECOND 17\n#define IDS_OTHER_BLOCK 40\n");
    files.Add("inc/afxres.h",
              "#define WS_POPUP 0x80000000L\n#define WS_VISIBLE 0x10000000L\n#define WS_CAPTION 0x00C00000L\n"
              "#define WS_SYSMENU 0x00080000L\n#define WS_BORDER 0x00800000L\n#define DS_MODALFRAME 0x80L\n"
              "#define DS_SETFONT 0x40L\n#define SS_BLACKFRAME 7\n#define BS_OWNERDRAW 0xB\n#define ES_AUTOHSCROLL 0x80\n"
              "#define WS_EX_TOOLWINDOW 0x80\n#define WS_EX_CLIENTEDGE 0x200\n#define IDOK 1\n#define IDC_STATIC (-1)\n");
    files.Add("a.bmp", SmallBitmap());
    files.Add("a.ico", SmallIcon());
    try {
        rc::Preprocessor preprocessor(files, {"inc"});
        std::vector<rc::Token> tokens = preprocessor.Run("script.rc");
        std::vector<rc::Resource> resources = rc::ScriptParser(std::move(tokens), preprocessor).Parse();
        rc::EmitSource(resources, "script.rc");
    } catch (const rc::CompileError&) {
    }
    return 0;
}
