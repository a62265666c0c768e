// Code-page conversions and wsprintf.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CodePages, RoundTripWithTerminator)
{
    const char* text = "Marovane \xC3\xA9t\xC3\xA9";  // "Marovane été"
    int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    EXPECT_EQ(wide, 13);  // 12 characters and the terminator
    WCHAR buffer[32];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, buffer, 32), 13);
    EXPECT_EQ(buffer[9], static_cast<WCHAR>(0xE9));
    EXPECT_EQ(buffer[12], 0);
    int narrow = WideCharToMultiByte(CP_ACP, 0, buffer, -1, nullptr, 0, nullptr, nullptr);
    EXPECT_EQ(narrow, static_cast<int>(strlen(text)) + 1);
    char back[32];
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, buffer, -1, back, 32, nullptr, nullptr), narrow);
    EXPECT_STREQ(back, text);
}

TEST(CodePages, TooSmallBufferFailsWithoutOverrun)
{
    WCHAR wide[] = L"Corvana Qa410m";
    char out[8];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, out, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(out[4], 'x');
    EXPECT_EQ(WideCharToMultiByte(1252, 0, wide, -1, out, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CodePages, MalformedInputIsReplaced)
{
    WCHAR out[4];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xFF" "a", 2, out, 4), 2);
    EXPECT_EQ(out[0], static_cast<WCHAR>(0xFFFD));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\xFF", 1, out, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(Wsprintf, FormatsAndStopsAt1024)
{
    char out[1100];
    EXPECT_EQ(wsprintfA(out, "%s, %d: WIN32 error %d, HRESULT 0x%08x", "minidriver/Device", 1071, 31,
                        static_cast<unsigned>(0x8007001F)),
              59);
    EXPECT_STREQ(out, "minidriver/Device, 1071: WIN32 error 31, HRESULT 0x8007001f");
    std::string longText(2000, 'a');
    EXPECT_EQ(wsprintfA(out, "%s", longText.c_str()), 1023);
    EXPECT_EQ(strlen(out), 1023u);
}

TEST(MulDiv, RoundsHalfAwayFromZero)
{
    EXPECT_EQ(MulDiv(7, 16, 8), 14);
    EXPECT_EQ(MulDiv(5, 3, 2), 8);
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

}  // namespace
