// Module handles and names.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(Modules, ProgramAndLibrariesHaveHandles)
{
    HMODULE program = GetModuleHandleA(nullptr);
    EXPECT_NE(program, nullptr);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    EXPECT_NE(kernel, nullptr);
    EXPECT_NE(kernel, program);
    EXPECT_EQ(GetModuleHandleA("kernel32"), kernel);
    EXPECT_NE(GetProcAddress(kernel, "GetTickCount"), nullptr);
    EXPECT_EQ(GetProcAddress(kernel, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleA("nosuch.dll"), nullptr);
    char name[MAX_PATH];
    EXPECT_GT(GetModuleFileNameA(kernel, name, MAX_PATH), 0u);
    EXPECT_NE(strstr(name, "libkernel32.so"), nullptr);
    EXPECT_EQ(strncmp(name, "Z:\\", 3), 0);
}

TEST(Modules, LoadingAMissingLibraryFails)
{
    EXPECT_EQ(LoadLibraryA("/nonexistent/libnothing.so"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(0x1234)));
}

}  // namespace
