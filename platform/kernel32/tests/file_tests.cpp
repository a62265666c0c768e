// Files and folders through DOS paths, and the C run-time's fopen.
#include "scratch.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

class Files : public ScratchDrive {};

std::string Contents(const std::string& host)
{
    std::ifstream in(host, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(Files, CreateWriteReadAndReplace)
{
    HANDLE h = CreateFileA("C:\\out.jpg", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, "hello", 5, &written, nullptr));
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(GetFileSize(h, nullptr), 5u);
    CloseHandle(h);
    EXPECT_EQ(Contents(Host("out.jpg")), "hello");

    h = CreateFileA("c:/OUT.JPG", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));  // replaced, and says so
    WriteFile(h, "ab", 2, &written, nullptr);
    CloseHandle(h);
    EXPECT_EQ(Contents(Host("out.jpg")), "ab");

    h = CreateFileA("C:\\out.jpg", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[8] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 2u);
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);  // end of file
    EXPECT_FALSE(WriteFile(h, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(h);
}

TEST_F(Files, OpenErrorsNameWhatIsMissing)
{
    EXPECT_EQ(CreateFileA("C:\\none.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CreateFileA("C:\\nodir\\x.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(CreateFileA("C:\\WINDOWS", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    HANDLE h = CreateFileA("C:\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    CloseHandle(h);
    EXPECT_EQ(CreateFileA("C:\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
}

TEST_F(Files, SharingModesAreEnforced)
{
    HANDLE writer = CreateFileA("C:\\shared.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA("C:\\shared.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileA("C:\\shared.bin"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(writer);
    EXPECT_TRUE(DeleteFileA("C:\\shared.bin"));
    EXPECT_FALSE(DeleteFileA("C:\\shared.bin"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Files, FoldersAreCreatedOneLevelAtATime)
{
    EXPECT_TRUE(CreateDirectoryA("C:\\Photos", nullptr));
    EXPECT_FALSE(CreateDirectoryA("c:\\photos", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryA("C:\\a\\b", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesA("C:\\Photos") & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(DeleteFileA("C:\\Photos"));
    EXPECT_TRUE(RemoveDirectoryA("C:\\Photos"));
    EXPECT_EQ(GetFileAttributesA("C:\\Photos"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Files, TemporaryNamesAreUniqueAndRenamesReplaceOnlyWhenAsked)
{
    char first[MAX_PATH], second[MAX_PATH];
    UINT unique = GetTempFileNameA("C:\\", "snfx", 0, first);
    ASSERT_NE(unique, 0u);
    ASSERT_NE(GetTempFileNameA("C:", "snf", 0, second), 0u);
    EXPECT_NE(std::string(first), std::string(second));
    EXPECT_EQ(std::string(first).rfind("C:\\snf", 0), 0u) << first << ": three characters of the prefix";
    EXPECT_EQ(std::string(first).substr(std::string(first).size() - 4), ".TMP");
    EXPECT_EQ(Contents(Host(std::string(first).substr(3))), "") << "made empty, so that the name is taken";
    EXPECT_EQ(GetTempFileNameA("C:\\NoSuchFolder", "snf", 0, second), 0u);

    std::ofstream(Host(std::string(first).substr(3)), std::ios::binary) << "new";
    std::ofstream(Host("old.jpg"), std::ios::binary) << "old";
    EXPECT_FALSE(MoveFileExA(first, "C:\\old.jpg", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(MoveFileExA(first, "C:\\old.jpg", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Contents(Host("old.jpg")), "new");
    EXPECT_EQ(GetFileAttributesA(first), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(MoveFileExA(first, "C:\\old.jpg", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(CreateDirectoryA("C:\\Folder", nullptr));
    EXPECT_FALSE(MoveFileExA(second, "C:\\Folder", MOVEFILE_REPLACE_EXISTING)) << "a folder is never replaced";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(Files, FindListsMatchesInAnyCase)
{
    std::ofstream(Host("S0000001.JPG")) << "1";
    std::ofstream(Host("S0000002.JPG")) << "22";
    std::ofstream(Host("notes.txt")) << "x";
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("C:\\*.jpg", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    int count = 1;
    while (FindNextFileA(find, &data)) ++count;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(FindClose(find));
    EXPECT_EQ(FindFirstFileA("C:\\*.gif", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Files, RuntimeFopenTakesDosPaths)
{
    FILE* f = fopen("c:\\stilldrv.log", "wb");
    ASSERT_NE(f, nullptr);
    fwrite("\x12\x03", 1, 2, f);
    fclose(f);
    EXPECT_EQ(Contents(Host("stilldrv.log")), std::string("\x12\x03", 2));
    EXPECT_EQ(fopen("D:\\x.log", "wb"), nullptr);
}

TEST_F(Files, InvalidHandlesAndArgumentsAreRefused)
{
    DWORD n;
    char buffer[4];
    EXPECT_FALSE(ReadFile(reinterpret_cast<HANDLE>(0x1230), buffer, 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_FALSE(ReadFile(e, buffer, 4, &n, nullptr));  // not a file
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    CloseHandle(e);
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
