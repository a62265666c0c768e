// Module handles and names.
#include <windows.h>
#include <winplat/resources.h>

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

namespace {

const unsigned char kTemplate[] = {1, 2, 3, 4, 5};

TEST(Resources, FoundByModuleTypeAndName)
{
    HMODULE self = winplat::ModuleFromAddress(kTemplate);
    EXPECT_EQ(self, GetModuleHandleA(nullptr));
    winplat::RegisterResource(self, MAKEINTRESOURCE(5), MAKEINTRESOURCE(9876), kTemplate, sizeof kTemplate);
    winplat::RegisterResource(self, MAKEINTRESOURCE(2), "EXITU", kTemplate, 3);

    HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCE(9876), MAKEINTRESOURCE(5));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, info), sizeof kTemplate);
    EXPECT_EQ(LockResource(LoadResource(nullptr, info)), static_cast<const void*>(kTemplate));
    EXPECT_NE(FindResourceA(self, "exitu", MAKEINTRESOURCE(2)), nullptr);  // names in any case
    EXPECT_EQ(FindResourceA(self, "EXITD", MAKEINTRESOURCE(2)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceA(self, "EXITU", MAKEINTRESOURCE(14)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(FindResourceA(GetModuleHandleA("kernel32"), MAKEINTRESOURCE(9876), MAKEINTRESOURCE(5)), nullptr);
}

}  // namespace
