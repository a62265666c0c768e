// The resource compiler on scripts held in memory: the preprocessor, the
// statements and the errors it reports with their positions.
#include "emitter.h"
#include "preprocessor.h"
#include "script_parser.h"
#include "template_reader.h"

#include <gtest/gtest.h>

namespace {

class Compiler : public ::testing::Test {
protected:
    void AddFile(const std::string& path, const std::string& text) { files_.Add(path, text); }

    std::vector<rc::Resource> Compile(const std::string& script)
    {
        files_.Add("dir/script.rc", script);
        rc::Preprocessor preprocessor(files_, {"inc"});
        std::vector<rc::Token> tokens = preprocessor.Run("dir/script.rc");
        return rc::ScriptParser(std::move(tokens), preprocessor).Parse();
    }

    // The error text, or "" when the script compiles.
    std::string ErrorOf(const std::string& script)
    {
        try {
            Compile(script);
        } catch (const rc::CompileError& e) {
            return e.what();
        }
        return "";
    }

    // The style of a one-control dialog's control.
    uint32_t ControlStyle(const std::string& control)
    {
        auto resources = Compile("1 DIALOG 0,0,10,10\nBEGIN\n" + control + "\nEND\n");
        TemplateReader r(resources.at(0).data.data(), resources[0].data.size());
        r.Dword(), r.Dword(), r.Word(), r.Word(), r.Word(), r.Word(), r.Word();
        r.Field(), r.Field(), r.String();
        r.AlignToDword();
        return r.Dword();
    }

    rc::MemoryFileReader files_;
};

TEST_F(Compiler, MacrosFromHeadersAndFunctionLikeMacros)
{
    AddFile("inc/ids.h",
            "#pragma once\n"
            "typedef int ignored;  /* C declarations in headers are skipped */\n"
            "#define BASE 0x100\n"
            "#define ID(n) (BASE + (n))\n"
            "#define LONGER \\\n   (ID(2) | 1)\n");
    auto resources = Compile("#include <ids.h>\n#include \"ids.h\"\nID(1) DIALOG 0,0,LONGER,1\nBEGIN\nEND\n");
    ASSERT_EQ(resources.size(), 1u);
    EXPECT_EQ(resources[0].name.number, 0x101);
    TemplateReader r(resources[0].data.data(), resources[0].data.size());
    r.Dword(), r.Dword(), r.Word(), r.Word(), r.Word();
    EXPECT_EQ(r.Word(), 0x103);
}

TEST_F(Compiler, ConditionalsDefinedAndHasInclude)
{
    AddFile("inc/present.h", "#define FROM_HEADER 5\n");
    auto resources = Compile(
        "#if defined(RC_INVOKED) && !defined NOT_THERE\n#define A 1\n#else\n#error wrong branch\n#endif\n"
        "#if __has_include(<present.h>) && !__has_include(\"absent.h\")\n#include <present.h>\n#endif\n"
        "#ifdef FROM_HEADER\n#if FROM_HEADER > 4\nA DIALOG 0,0,1,1\nBEGIN\nEND\n#elif 1\n#error elif taken\n#endif\n#endif\n"
        "#ifndef A\n#error A missing\n#endif\n");
    ASSERT_EQ(resources.size(), 1u);
    EXPECT_EQ(resources[0].name.number, 1);
}

TEST_F(Compiler, UnknownAngleIncludesAreSkippedButQuotedOnesFail)
{
    EXPECT_EQ(ErrorOf("#include <stddef.h>\n"), "");
    EXPECT_EQ(ErrorOf("\n#include \"missing.h\"\n"), "dir/script.rc:2: error: cannot find include file 'missing.h'");
}

TEST_F(Compiler, DefaultStylesOfControlStatements)
{
    EXPECT_EQ(ControlStyle("LTEXT \"a\",1,0,0,1,1"), 0x50020000u);
    EXPECT_EQ(ControlStyle("EDITTEXT 1,0,0,1,1"), 0x50810000u);
    EXPECT_EQ(ControlStyle("EDITTEXT 1,0,0,1,1, NOT 0x00800000 | 0x80"), 0x50010080u);
    EXPECT_EQ(ControlStyle("PUSHBUTTON \"a\",1,0,0,1,1, NOT 0x10000"), 0x50000000u);
    EXPECT_EQ(ControlStyle("CONTROL \"a\",1,\"Button\",0x0B,0,0,1,1"), 0x5000000Bu);
    // NOT applies left to right: cleared, then set again.
    EXPECT_EQ(ControlStyle("CONTROL \"a\",1,\"Button\",NOT 0x10000000 | 0x10000000,0,0,1,1"), 0x50000000u);
}

TEST_F(Compiler, DialogStyleDefaultsAndImpliedBits)
{
    auto style = [&](const std::string& options) {
        auto resources = Compile("1 DIALOG 0,0,1,1\n" + options + "\nBEGIN\nEND\n");
        TemplateReader r(resources.at(0).data.data(), resources[0].data.size());
        return r.Dword();
    };
    EXPECT_EQ(style(""), 0x80880000u) << "WS_POPUP | WS_BORDER | WS_SYSMENU";
    EXPECT_EQ(style("CAPTION \"x\""), 0x80C80000u) << "a caption on the default style";
    EXPECT_EQ(style("STYLE 0x80000000\nCAPTION \"x\""), 0x80000000u) << "STYLE is taken as written";
    EXPECT_EQ(style("STYLE 0x80000000\nFONT 8, \"x\""), 0x80000040u) << "FONT implies DS_SETFONT";
}

TEST_F(Compiler, NamesByWordAreUpperCasedAndNumbersStayNumbers)
{
    AddFile("dir/a.bmp", std::string("BM") + std::string(12, '\0') + std::string("\x28\0\0\0", 4) + std::string(36, '\0'));
    auto resources = Compile("exitU BITMAP \"a.bmp\"\n7 BITMAP MOVEABLE PURE \"a.bmp\"\n");
    ASSERT_EQ(resources.size(), 2u);
    EXPECT_FALSE(resources[0].name.numeric);
    EXPECT_EQ(resources[0].name.text, "EXITU");
    EXPECT_TRUE(resources[1].name.numeric);
    EXPECT_EQ(resources[1].name.number, 7);
    EXPECT_EQ(resources[1].data.size(), 40u);
}

TEST_F(Compiler, IconImagesGetIdsAcrossTheScript)
{
    std::string image(40, '\0');
    image[0] = 40;
    image[12] = 1;   // planes
    image[14] = 8;   // bits per pixel
    std::string ico = std::string("\0\0\1\0\1\0", 6) + std::string("\x10\x10\0\0\0\0\0\0", 8) +
                      std::string("\x28\0\0\0\x16\0\0\0", 8) + image;
    AddFile("dir/a.ico", ico);
    auto resources = Compile("1 ICON \"a.ico\"\n2 ICON \"a.ico\"\n");
    ASSERT_EQ(resources.size(), 4u);
    EXPECT_EQ(resources[0].type.number, 3);
    EXPECT_EQ(resources[0].name.number, 1);
    EXPECT_EQ(resources[2].type.number, 3);
    EXPECT_EQ(resources[2].name.number, 2) << "the second file's image gets the next id";
    TemplateReader group(resources[3].data.data(), resources[3].data.size());
    for (int i = 0; i < 3; ++i) group.Word();
    for (int i = 0; i < 4; ++i) group.Byte();
    EXPECT_EQ(group.Word(), 1);
    EXPECT_EQ(group.Word(), 8);
    EXPECT_EQ(group.Dword(), 40u);
    EXPECT_EQ(group.Word(), 2);
}

TEST_F(Compiler, ErrorsNameFileAndLine)
{
    EXPECT_EQ(ErrorOf("1 DIALOG 0,0,1,1\nBEGIN\n  LISTBOX 1,0,0,1,1\nEND\n"),
              "dir/script.rc:3: error: unsupported control statement 'LISTBOX'");
    EXPECT_EQ(ErrorOf("1 DIALOG 0,0,1,1\nSTYLE WS_NOSUCH\nBEGIN\nEND\n"), "dir/script.rc:2: error: undefined symbol 'WS_NOSUCH'");
    EXPECT_EQ(ErrorOf("1 DIALOG 0,0,1,1\nCAPTION \"open\nBEGIN\nEND\n"),
              "dir/script.rc:2: error: string not closed before the end of the line");
    EXPECT_EQ(ErrorOf("1 DIALOG 0,0,1,1\nBEGIN\n"), "dir/script.rc:2: error: END expected");
    EXPECT_EQ(ErrorOf("1 BITMAP \"none.bmp\"\n"), "dir/script.rc:1: error: cannot find file 'none.bmp'");
    EXPECT_EQ(ErrorOf("\n1 MENU BEGIN END\n"), "dir/script.rc:2: error: unsupported resource type 'MENU'");
    EXPECT_EQ(ErrorOf("#if 1\n"), "dir/script.rc:1: error: #if without #endif");
    EXPECT_EQ(ErrorOf("STRINGTABLE\nBEGIN\n 1 \"a\"\n 1 \"b\"\nEND\n"), "dir/script.rc:4: error: string 1 defined twice");
    EXPECT_EQ(ErrorOf("1 DIALOG 0,0,40000,1\nBEGIN\nEND\n"), "dir/script.rc:1: error: coordinate 40000 out of range");
    EXPECT_EQ(ErrorOf("1 DIALOG 0,0,1,1 FONT 8, \"x\", 700\nBEGIN\nEND\n"),
              "dir/script.rc:1: error: font weight, italic and charset need DIALOGEX");
    EXPECT_EQ(ErrorOf("STRINGTABLE\nBEGIN\n 1 \"" + std::string(70000, 'x') + "\"\nEND\n"),
              "dir/script.rc:3: error: string 1 is longer than 65535 characters");
    AddFile("dir/bad.bmp", "not a bitmap");
    EXPECT_EQ(ErrorOf("1 BITMAP \"bad.bmp\"\n"), "dir/script.rc:1: error: not a .bmp file");
}

TEST_F(Compiler, ErrorsInIncludedFilesNameThatFile)
{
    AddFile("inc/broken.h", "#define A 1\n#if\n#endif\n");
    EXPECT_EQ(ErrorOf("#include \"broken.h\"\n"), "inc/broken.h:2: error: #if needs an expression");
}

TEST_F(Compiler, RunawayMacrosStop)
{
    std::string doubling = "#define L0 1\n";
    for (int i = 1; i <= 24; ++i) doubling += "#define L" + std::to_string(i) + " L" + std::to_string(i - 1) + " L" + std::to_string(i - 1) + "\n";
    EXPECT_EQ(ErrorOf(doubling + "1 DIALOG 0,0,L24,1\nBEGIN\nEND\n"), "dir/script.rc:26: error: too many macro expansions");
}

TEST_F(Compiler, DeeplyNestedExpressionsAreRefusedWithTheirLine)
{
    auto nested = [](int depth) { return std::string(depth, '(') + "1" + std::string(depth, ')'); };
    const std::string deep = "dir/script.rc:2: error: expression nested too deeply (more than 200 levels)";
    EXPECT_EQ(ErrorOf("\n1 DIALOG 0,0," + nested(100000) + ",1\nBEGIN\nEND\n"), deep);
    EXPECT_EQ(ErrorOf("\n#if " + std::string(100000, '-') + "1\n#endif\n"), deep);
    std::string conditionals;
    for (int i = 0; i < 100000; ++i) conditionals += " ? 1";
    EXPECT_EQ(ErrorOf("\n#if 1" + conditionals + "\n#endif\n"), deep);
    // Nesting that real scripts use still compiles.
    auto resources = Compile("1 DIALOG 0,0," + nested(60) + ",1\nBEGIN\nEND\n");
    ASSERT_EQ(resources.size(), 1u);
}

TEST_F(Compiler, SelfIncludingFilesStop)
{
    AddFile("inc/self.h", "#include \"self.h\"\n");
    EXPECT_EQ(ErrorOf("#include \"self.h\"\n"), "inc/self.h:1: error: includes nested too deeply");
}

TEST(Emitter, SourceRegistersEveryResourceForItsModule)
{
    rc::Resource named{rc::ResourceId::Number(2), rc::ResourceId::Name("EXIT\"U"), {1, 2, 3}};
    std::string source = rc::EmitSource({named}, "x.rc");
    EXPECT_NE(source.find("kResource0[] = {\n    1,2,3,\n};"), std::string::npos);
    EXPECT_NE(source.find("RegisterResource(module, MAKEINTRESOURCEA(2), \"EXIT\\\"U\", kResource0, 3)"),
              std::string::npos);
    EXPECT_NE(source.find("UnregisterResources(module)"), std::string::npos);
    EXPECT_EQ(rc::EmitDepfile("out dir/a.cpp", {"a.rc", "b c.h"}), "out\\ dir/a.cpp: \\\n  a.rc \\\n  b\\ c.h\n");
}

}  // namespace
